// The floating window that stands for a minimized window.
#pragma once
#include "platform/window.h"

namespace corvel {

class TBlendWin : public Window {
 public:
  HWND TargetWindow = nullptr;
};

}  // namespace corvel
