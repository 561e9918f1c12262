#include "core/owner_draw_requests.h"

namespace corvel {

bool OwnerDrawRequests::Ask(HWND window, DWORD now) {
  const auto found = waiting_.find(window);
  if (found != waiting_.end() && now - found->second < kPatienceMs) return false;
  // Windows that went meanwhile would keep their entries: the map is swept as it grows.
  if (found == waiting_.end() && waiting_.size() >= kSweepAt) {
    for (auto i = waiting_.begin(); i != waiting_.end();) i = IsWindow(i->first) ? std::next(i) : waiting_.erase(i);
  }
  waiting_[window] = now;
  return true;
}

}  // namespace corvel
