#include "platform/layered.h"

namespace corvel {

void LayeredAttributes::Resolve() {
  user32_.reset(LoadLibraryA("User32"));
  fn_ = user32_ ? reinterpret_cast<SetLayeredWindowAttributesFn>(
                      reinterpret_cast<void*>(GetProcAddress(user32_.get(), "SetLayeredWindowAttributes")))
                : nullptr;
}

BOOL LayeredCall::operator()(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) const {
  if (!fn) return 0;
  return CurrentEffects().SetLayeredWindowAttributes(fn, hwnd, key, alpha, flags);
}

}  // namespace corvel
