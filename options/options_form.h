// The options dialog. Only what the Quick run and Control Panel pages need stands here so far:
// the two pages, their buttons in the left bar, OK and Cancel.
#pragma once
#include "options/control_panel_page.h"
#include "options/quick_run_page.h"
#include "platform/modal_form.h"

namespace corvel {

class TForm1;
class TChangeNameForm;

class TForm2 : public ModalForm {
 public:
  TForm2() : ModalForm("TForm2", "Options", 669, 407) {}
  // Builds the pages; the main form's Quick Run list lives in the Quick run page from then on.
  void CreatePages(TForm1& form1, TChangeNameForm& changeName);

  Panel TabSheet3;  // Quick run
  Panel TabSheet4;  // Control Panel
  Button SpeedItem3, SpeedItem5, Button11, Button10;
  TQuickRunPage QuickRunPage;
  TControlPanelPage ControlPanelPage;

  void Button11Click();

 protected:
  void FormShow() override;
  void FormClose() override;

 private:
  TForm1* form1_ = nullptr;
};

}  // namespace corvel
