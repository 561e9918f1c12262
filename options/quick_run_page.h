// The "Quick run" page of the options dialog: the Quick Run list, edited in place in its list
// view, which is the list's store.
#pragma once
#include <string>
#include "platform/controls.h"

namespace corvel {

class TForm1;
class TForm2;
class TChangeNameForm;

// Control identifiers of the page, unique in the options dialog.
constexpr int kQuickRunListId = 3101;
constexpr int kQuickRunAddId = 3102;
constexpr int kQuickRunEditNameId = 3103;
constexpr int kQuickRunDeleteId = 3104;
constexpr int kQuickRunUpId = 3105;
constexpr int kQuickRunDownId = 3106;

class TQuickRunPage {
 public:
  // Builds the controls on `page` (the dialog's TabSheet3) and puts their handlers into the
  // dialog's `events`; the list view shows the main form's AppIcons and becomes its store.
  bool Create(HWND page, ControlEvents& events, TForm1& form1, TChangeNameForm& changeName);
  // Builds the page on the options dialog's TabSheet3 and gives the dialog its OK step.
  bool Attach(TForm2& form2, TForm1& form1, TChangeNameForm& changeName);

  // On OK: the list is written, read back, and the menu rebuilt.
  void ApplyOk();

  void Button6Click();
  // What "Add/Browse" does with the chosen file: a new entry named after the file.
  void AddProgram(const std::string& path);
  void Button12Click();
  void Button9Click();
  void SpeedButton1Click();
  void SpeedButton2Click();
  void ListView4Enter();
  void ListView4Change();
  void ListView4Exit();

  GroupBox GroupBox5;
  ListView ListView4;
  Button Button6;       // "Add/Browse"
  Button Button12;      // "Edit name"
  Button Button9;       // "Delete"
  Button SpeedButton1;  // up arrow
  Button SpeedButton2;  // down arrow

 private:
  void ExchangeRows(int a, int b);
  void EnableForSelection();
  TForm1* form1_ = nullptr;
  TChangeNameForm* changeName_ = nullptr;
};

}  // namespace corvel
