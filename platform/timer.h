// One-shot timers of a window: enabled by a requester, the handler disables the timer first.
#pragma once
#include <windows.h>

namespace corvel {

class OneShotTimer {
 public:
  OneShotTimer(UINT_PTR id, UINT interval) : id_(id), interval_(interval) {}
  ~OneShotTimer() { Disable(); }
  OneShotTimer(const OneShotTimer&) = delete;
  OneShotTimer& operator=(const OneShotTimer&) = delete;

  void Attach(HWND owner) { owner_ = owner; }
  void Enable();
  // Fires after `interval` ms, or sooner where it was already due sooner.
  void EnableWithin(UINT interval);
  void Disable();
  bool Enabled() const { return enabled_; }
  UINT_PTR Id() const { return id_; }

 private:
  HWND owner_ = nullptr;
  UINT_PTR id_;
  UINT interval_;
  bool enabled_ = false;
  DWORD due_ = 0;  // tick count the running interval ends at
};

}  // namespace corvel
