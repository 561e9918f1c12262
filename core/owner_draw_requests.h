// The requests the main window sends to the owners of drawn buttons, to draw the button again
// in their own threads: at most one waits in any window's queue. A program that takes its
// messages slowly (a busy thread, a loaded machine) would otherwise find a new one after every
// pass, and its own work behind all of them.
#pragma once
#include <windows.h>
#include <iterator>
#include <unordered_map>

namespace corvel {

class OwnerDrawRequests {
 public:
  // How long an unanswered request holds back the next one (the owner may have no hook library
  // to answer, or may have lost the request).
  static constexpr DWORD kPatienceMs = 2000;
  static constexpr size_t kSweepAt = 512;

  // Whether a request may go to `window` now; if so it counts as sent.
  bool Ask(HWND window, DWORD now);
  // The owner has handled the request.
  void Answered(HWND window) { waiting_.erase(window); }

 private:
  std::unordered_map<HWND, DWORD> waiting_;  // window -> tick count the request went at
};

}  // namespace corvel
