// Window base: one thunk stores the object at WM_NCCREATE, forwards every message to a noexcept
// member and forgets the object at WM_NCDESTROY.
#pragma once
#include <windows.h>
#include <functional>

namespace corvel {

class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND hwnd() const noexcept { return hwnd_; }
  bool Create(const char* className, const char* caption, DWORD style, DWORD exStyle, int x, int y, int w,
              int h, HWND parent = nullptr);
  void Destroy() noexcept;

  // Registers a class whose procedure is the thunk; once per class name.
  static bool RegisterWindowClass(const char* className, UINT classStyle = 0, HICON icon = nullptr);

 protected:
  // Handles a message; default: DefWindowProc.
  virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept;
  LRESULT Default(UINT msg, WPARAM wp, LPARAM lp) noexcept { return DefWindowProcA(hwnd_, msg, wp, lp); }

 private:
  static LRESULT CALLBACK Thunk(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
  HWND hwnd_ = nullptr;
};

// Runs the message loop until WM_QUIT; returns its exit code.
int RunMessageLoop();
// Handles every message waiting for this thread, as a pass does between windows.
void ProcessPendingMessages();
// Asks the message loop to end.
void TerminateApplication();
// Waits up to `timeoutMs` until `done()` holds, waking when `progress` is set; messages sent to
// this thread are handled meanwhile (what it waits for may wait on a window of this thread).
// True when `done()` held in time.
bool WaitTakingSentMessages(HANDLE progress, DWORD timeoutMs, const std::function<bool()>& done);
// Lets processes of a lower integrity level (the shell, the hooked programs) send `msg` to
// `window` where Corvel runs elevated; nothing where the system has no such filter.
void AcceptFromLowerProcesses(HWND window, UINT msg);

}  // namespace corvel
