// Out-of-context WinEvents: the system queues each event of another program's window to this
// thread and calls back when the thread takes its messages, so that no code of this program
// runs inside the program the event is about.
#pragma once
#include <windows.h>
#include <functional>
#include <vector>
#include "platform/handles.h"

namespace corvel {

// Windows 8 on: a window is cloaked (another virtual desktop) or uncloaked; not in older headers.
constexpr DWORD kEventObjectCloaked = 0x8017;
constexpr DWORD kEventObjectUncloaked = 0x8018;

class WinEventHooks {
 public:
  // Gets the events of whole windows (not of their carets, scroll bars or cursors).
  using Handler = std::function<void(DWORD event, HWND window)>;

  WinEventHooks() = default;
  ~WinEventHooks() { Stop(); }
  WinEventHooks(const WinEventHooks&) = delete;
  WinEventHooks& operator=(const WinEventHooks&) = delete;

  // Whether the system has them (Windows 98 and NT 4 with its third service pack on).
  static bool Available();
  // Hooks the events `first` to `last` of every process's windows, this one's too (a change this
  // program makes to another program's window may be counted as its own); the first call takes
  // `handler`. False where the system refused (nothing of this range is hooked then).
  bool Add(DWORD first, DWORD last, Handler handler);
  void Stop();
  bool Active() const { return !hooks_.empty(); }

 private:
  static void CALLBACK Proc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG object, LONG child, DWORD thread,
                            DWORD time);
  std::vector<WinEventHookHandle> hooks_;
  Handler handler_;
};

}  // namespace corvel
