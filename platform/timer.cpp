#include "platform/timer.h"

namespace corvel {

void OneShotTimer::Enable() {
  // An enabled timer keeps its running interval.
  if (!owner_ || enabled_) return;
  SetTimer(owner_, id_, interval_, nullptr);
  enabled_ = true;
  due_ = GetTickCount() + interval_;
}

void OneShotTimer::EnableWithin(UINT interval) {
  if (!owner_) return;
  const DWORD due = GetTickCount() + interval;
  if (enabled_ && static_cast<LONG>(due_ - due) <= 0) return;
  SetTimer(owner_, id_, interval, nullptr);
  enabled_ = true;
  due_ = due;
}

void OneShotTimer::Disable() {
  if (enabled_ && owner_) KillTimer(owner_, id_);
  enabled_ = false;
}

}  // namespace corvel
