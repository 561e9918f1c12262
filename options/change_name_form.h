// The "Edit name" dialog of the Quick run page.
#pragma once
#include <string>
#include "platform/controls.h"
#include "platform/modal_form.h"

namespace corvel {

class TChangeNameForm : public ModalForm {
 public:
  enum class ModalResult { None, Ok, Cancel };

  TChangeNameForm() : ModalForm("TChangeNameForm", "ChangeNameForm", 261, 119) {}
  // Creates the form and its controls, hidden.
  bool CreateForm(HWND owner);
  // Shows the dialog modally with `text` in the field: Ok, Cancel, or None when it was closed
  // otherwise.
  ModalResult ShowModal(const std::string& text);
  std::string Text() const { return Edit1.Text(); }

  Panel Panel1;
  Edit Edit1;
  Button Button1;  // "Ok"
  Button Button2;  // "Cancel"

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept override;

 private:
  void Finish(ModalResult result);
  ModalResult result_ = ModalResult::None;
};

}  // namespace corvel
