#include "platform/modal_form.h"
#include <utility>
#include <vector>

namespace corvel {

namespace {

constexpr char kStaysEnabledProperty[] = "CorvelStaysEnabled";

BOOL CALLBACK DisableOne(HWND window, LPARAM state) {
  auto* s = reinterpret_cast<std::pair<HWND, std::vector<HWND>*>*>(state);
  if (window != s->first && IsWindowVisible(window) && IsWindowEnabled(window) &&
      !GetPropA(window, kStaysEnabledProperty)) {
    EnableWindow(window, FALSE);
    s->second->push_back(window);
  }
  return TRUE;
}

// Every other window of this thread that takes input (the dialog below, the floating windows)
// is disabled while a form is modal; the ones disabled here, in order.
std::vector<HWND> DisableOtherWindows(HWND form) {
  std::vector<HWND> disabled;
  std::pair<HWND, std::vector<HWND>*> state{form, &disabled};
  EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&state));
  return disabled;
}

}  // namespace

void StayEnabledWhileModal(HWND window, bool stays) {
  if (stays) SetPropA(window, kStaysEnabledProperty, window);
  else RemovePropA(window, kStaysEnabledProperty);
}

ModalForm::ModalForm(const char* className, std::string caption, int clientWidth, int clientHeight)
    : className_(className), caption_(std::move(caption)), clientWidth_(clientWidth), clientHeight_(clientHeight) {}

bool ModalForm::CreateForm(HWND owner) {
  owner_ = owner;
  if (!font_) font_ = CreatePointFont("MS Sans Serif", 8);
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  if (!Create(className_, caption_.c_str(), style, WS_EX_DLGMODALFRAME, 0, 0, clientWidth_, clientHeight_, owner))
    return false;
  // The layout is at 96 DPI; the form shows it at the DPI of its monitor.
  dpi_ = WindowDpi(hwnd());
  RECT r{0, 0, Scaled(clientWidth_, dpi_), Scaled(clientHeight_, dpi_)};
  AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
  SetWindowPos(hwnd(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void ModalForm::DpiChanged(UINT dpi, const RECT& suggested) {
  RescaleWindow(hwnd(), dpi_, dpi, suggested, rescaledFonts_);
  // Controls made from now on take the form's font at the new size.
  if (FontHandle font = RescaledFont(font_.get(), dpi_, dpi)) {
    rescaledFonts_.push_back(std::move(font_));
    font_ = std::move(font);
  }
  dpi_ = dpi;
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
  const std::vector<HWND> disabled = DisableOtherWindows(hwnd());
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
  // The others take input again before this one goes, so the focus goes back to one of them.
  for (auto it = disabled.rbegin(); it != disabled.rend(); ++it)
    if (IsWindow(*it)) EnableWindow(*it, TRUE);
  if (hwnd()) ShowWindow(hwnd(), SW_HIDE);
}

void ModalForm::CloseModal() { modal_ = false; }

LRESULT ModalForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept {
  LRESULT result = 0;
  // Escape: the dialog manager sends IDCANCEL without a control where no button has that id;
  // it does what Cancel does, or what the title bar's close button does.
  if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL && lp == 0) {
    if (!events_.Click(IDCANCEL)) CloseModal();
    return 0;
  }
  if (events_.Dispatch(msg, wp, lp, result)) return result;
  if (msg == WM_GETFONT) return reinterpret_cast<LRESULT>(font_.get());
  if (msg == kDpiChangedMessage && lp) {
    DpiChanged(LOWORD(wp), *reinterpret_cast<const RECT*>(lp));
    return 0;
  }
  if (msg == WM_CLOSE) {
    CloseModal();
    return 0;
  }
  return Default(msg, wp, lp);
}

}  // namespace corvel
