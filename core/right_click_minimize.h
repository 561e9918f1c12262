// A right click on a window's own minimize button minimizes it through Corvel, without code in
// the other program: a low-level mouse hook on a thread of Corvel's own sees the right button go
// down over a window and asks that window (with a bounded wait) what is under the pointer. On
// its minimize button the press and its release are taken and the main window is told
// (HM_MINBUTTON); any other right click goes on to the program untouched.
#pragma once
#include <windows.h>
#include <thread>

namespace corvel {

// The longest the hook waits for a window to answer its hit test: well inside the time after
// which the system passes over a slow low-level hook.
constexpr UINT kHitTestTimeoutMs = 50;

class RightClickMinimize {
 public:
  RightClickMinimize() = default;
  ~RightClickMinimize() { Stop(); }
  RightClickMinimize(const RightClickMinimize&) = delete;
  RightClickMinimize& operator=(const RightClickMinimize&) = delete;

  // Starts the hook's thread; the minimizes go to `main`. False where the system has no
  // low-level hooks.
  bool Start(HWND main);
  void Stop();
  bool Active() const { return thread_.joinable(); }

 private:
  void Run(HANDLE started);
  std::thread thread_;
  DWORD threadId_ = 0;
  bool hooked_ = false;
};

// The top-level window under a screen point whose own minimize button is there (asked of the
// window itself), or null.
HWND MinimizeButtonAt(POINT screen, UINT timeoutMs);

}  // namespace corvel
