#include "platform/window.h"
#include <exception>
#include <utility>

namespace corvel {

// The derived part is gone by now: the window is let go of before it is destroyed, so that its
// last messages reach DefWindowProc and no half-destroyed object. A class that handles
// WM_DESTROY destroys its window in its own destructor.
Window::~Window() {
  if (!hwnd_) return;
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
  const HWND hwnd = std::exchange(hwnd_, nullptr);
  DestroyWindow(hwnd);
}

bool Window::RegisterWindowClass(const char* className, UINT classStyle, HICON icon) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  if (GetClassInfoExA(inst, className, &existing)) return true;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = classStyle;
  wc.lpfnWndProc = &Window::Thunk;
  wc.hInstance = inst;
  wc.hIcon = icon;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  return RegisterClassExA(&wc) != 0;
}

bool Window::Create(const char* className, const char* caption, DWORD style, DWORD exStyle, int x, int y,
                    int w, int h, HWND parent) {
  if (!RegisterWindowClass(className)) return false;
  return CreateWindowExA(exStyle, className, caption, style, x, y, w, h, parent, nullptr,
                         GetModuleHandleA(nullptr), this) != nullptr;
}

void Window::Destroy() noexcept {
  if (hwnd_) DestroyWindow(hwnd_);
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept { return Default(msg, wp, lp); }

LRESULT CALLBACK Window::Thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
  Window* self = nullptr;
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
    self = static_cast<Window*>(cs->lpCreateParams);
    // A window of this class made by anyone but Create has no object.
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  } else {
    self = reinterpret_cast<Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  }
  if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
  LRESULT result = self->HandleMessage(msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
  }
  return result;
}

int RunMessageLoop() {
  MSG msg{};
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void ProcessPendingMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit for the outer loop.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void TerminateApplication() { PostQuitMessage(0); }

bool WaitTakingSentMessages(HANDLE progress, DWORD timeoutMs, const std::function<bool()>& done) {
  const DWORD start = GetTickCount();
  while (!done()) {
    const DWORD spent = GetTickCount() - start;
    if (spent >= timeoutMs) return false;
    MsgWaitForMultipleObjects(progress ? 1 : 0, &progress, FALSE, progress ? timeoutMs - spent : 1, QS_SENDMESSAGE);
    MSG msg;
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  return true;
}

void AcceptFromLowerProcesses(HWND window, UINT msg) {
  using FilterFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
  constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW
  static const FilterFn filter = [] {
    const HMODULE user32 = GetModuleHandleA("user32");
    return user32 ? reinterpret_cast<FilterFn>(GetProcAddress(user32, "ChangeWindowMessageFilterEx")) : nullptr;
  }();
  if (filter && window) filter(window, msg, kAllow, nullptr);
}

}  // namespace corvel
