#include "options/change_name_form.h"

namespace corvel {

namespace {
// Layout of the form (client area 261 x 119).
constexpr int kPanelX = 8, kPanelY = 8, kPanelW = 245, kPanelH = 65;
constexpr int kEditId = 100;
constexpr int kEditX = 12, kEditY = 22, kEditW = 221, kEditH = 21;
constexpr int kButtonY = 84, kButtonW = 75, kButtonH = 25, kOkX = 46, kCancelX = 140;
}  // namespace

bool TChangeNameForm::CreateForm(HWND owner) {
  if (!ModalForm::CreateForm(owner)) return false;
  // Enter and Escape reach the form as IDOK and IDCANCEL.
  Panel1.Create(hwnd(), kPanelX, kPanelY, kPanelW, kPanelH, WS_VISIBLE | WS_BORDER);
  Edit1.Create(Panel1.hwnd(), kEditId, "", kEditX, kEditY, kEditW, kEditH);
  Button1.Create(hwnd(), IDOK, "Ok", kOkX, kButtonY, kButtonW, kButtonH, BS_DEFPUSHBUTTON);
  Button2.Create(hwnd(), IDCANCEL, "Cancel", kCancelX, kButtonY, kButtonW, kButtonH);
  Events().OnClick(IDOK, [this] { Finish(ModalResult::Ok); });
  Events().OnClick(IDCANCEL, [this] { Finish(ModalResult::Cancel); });
  return true;
}

TChangeNameForm::ModalResult TChangeNameForm::ShowModal(const std::string& text) {
  result_ = ModalResult::None;
  Edit1.SetText(text);
  ShowModalOnce();
  return result_;
}

LRESULT TChangeNameForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept {
  // The field has the focus, its text selected, whenever the dialog is active.
  if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE) {
    SetFocus(Edit1.hwnd());
    SendMessageA(Edit1.hwnd(), EM_SETSEL, 0, -1);
    return 0;
  }
  return ModalForm::HandleMessage(msg, wp, lp);
}

void TChangeNameForm::Finish(ModalResult result) {
  result_ = result;
  CloseModal();
}

}  // namespace corvel
