#include "core/right_click_minimize.h"
#include <atomic>
#include "platform/handle_codec.h"
#include "platform/handles.h"
#include "platform/messages.h"

namespace corvel {

namespace {

constexpr DWORD kThreadStartMs = 5000;
std::atomic<HWND> g_main{nullptr};
HWND g_pressed = nullptr;  // the window whose minimize button took the right press (hook thread)

LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION) {
    const auto* m = reinterpret_cast<const MSLLHOOKSTRUCT*>(lp);
    if (wp == WM_RBUTTONDOWN) {
      g_pressed = MinimizeButtonAt(m->pt, kHitTestTimeoutMs);
      if (g_pressed) return 1;
    } else if (wp == WM_RBUTTONUP && g_pressed) {
      // The press was taken: so is its release, wherever it is; on the same button it minimizes.
      const HWND window = g_pressed;
      g_pressed = nullptr;
      if (MinimizeButtonAt(m->pt, kHitTestTimeoutMs) == window)
        PostMessageA(g_main.load(), HM_MINBUTTON, 0, WindowToParam(window));
      return 1;
    }
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

HWND TopLevelOf(HWND window) {
  while (window && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) window = GetParent(window);
  return window;
}

}  // namespace

HWND MinimizeButtonAt(POINT screen, UINT timeoutMs) {
  const HWND window = TopLevelOf(WindowFromPoint(screen));
  if (!window || (GetWindowLongA(window, GWL_STYLE) & kMainWindowStyleMask) != kMainWindowStyleMask) return nullptr;
  DWORD_PTR hit = HTNOWHERE;
  if (!SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y), SMTO_ABORTIFHUNG | SMTO_BLOCK,
                           timeoutMs, &hit))
    return nullptr;
  return hit == HTMINBUTTON ? window : nullptr;
}

bool RightClickMinimize::Start(HWND main) {
  if (Active()) return hooked_;
  g_main = main;
  KernelHandle started(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!started) return false;
  thread_ = std::thread([this, h = started.get()] { Run(h); });
  WaitForSingleObject(started.get(), kThreadStartMs);  // set by the new thread before anything else
  if (!hooked_) Stop();
  return hooked_;
}

void RightClickMinimize::Run(HANDLE started) {
  threadId_ = GetCurrentThreadId();
  MSG msg{};
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before anyone posts to it
  WindowsHookHandle hook(SetWindowsHookExA(WH_MOUSE_LL, MouseProc, GetModuleHandleA(nullptr), 0));
  hooked_ = static_cast<bool>(hook);
  SetEvent(started);
  if (!hooked_) return;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
}

void RightClickMinimize::Stop() {
  if (!thread_.joinable()) return;
  PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
  thread_.join();
  hooked_ = false;
  threadId_ = 0;
}

}  // namespace corvel
