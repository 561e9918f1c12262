#include "platform/timer.h"

namespace corvel {

void OneShotTimer::Enable() {
  // An enabled timer keeps its running interval.
  if (!owner_ || enabled_) return;
  SetTimer(owner_, id_, interval_, nullptr);
  enabled_ = true;
}

void OneShotTimer::Disable() {
  if (enabled_ && owner_) KillTimer(owner_, id_);
  enabled_ = false;
}

}  // namespace corvel
