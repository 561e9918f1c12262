#include "platform/modal_form.h"

namespace corvel {

ModalForm::ModalForm(const char* className, std::string caption, int clientWidth, int clientHeight)
    : className_(className), caption_(std::move(caption)), clientWidth_(clientWidth), clientHeight_(clientHeight) {}

bool ModalForm::CreateForm(HWND owner) {
  owner_ = owner;
  if (!font_) font_ = CreatePointFont("MS Sans Serif", 8);
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  RECT r{0, 0, clientWidth_, clientHeight_};
  AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
  return Create(className_, caption_.c_str(), style, WS_EX_DLGMODALFRAME, 0, 0, r.right - r.left,
                r.bottom - r.top, owner);
}

bool ModalForm::Visible() const { return hwnd() && IsWindowVisible(hwnd()); }

void ModalForm::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (hwnd()) SetWindowTextA(hwnd(), caption_.c_str());
}

void ModalForm::ShowModalOnce() {
  if (!hwnd() || Visible() || modal_) return;
  RECT wr;
  GetWindowRect(hwnd(), &wr);
  const int w = wr.right - wr.left, h = wr.bottom - wr.top;
  SetWindowPos(hwnd(), nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2,
               0, 0, SWP_NOSIZE | SWP_NOZORDER);
  modal_ = true;
  FormShow();
  ShowWindow(hwnd(), SW_SHOW);
  SetForegroundWindow(hwnd());
  MSG msg{};
  BOOL got = TRUE;
  while (modal_ && (got = GetMessageA(&msg, nullptr, 0, 0)) > 0) {
    if (!IsDialogMessageA(hwnd(), &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  // The program is ending: leave the quit for the main loop.
  if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
  modal_ = false;
  FormClose();
  if (hwnd()) ShowWindow(hwnd(), SW_HIDE);
}

void ModalForm::CloseModal() { modal_ = false; }

LRESULT ModalForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept {
  LRESULT result = 0;
  if (events_.Dispatch(msg, wp, lp, result)) return result;
  if (msg == WM_GETFONT) return reinterpret_cast<LRESULT>(font_.get());
  if (msg == WM_CLOSE) {
    CloseModal();
    return 0;
  }
  return Default(msg, wp, lp);
}

}  // namespace corvel
