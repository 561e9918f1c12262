// Records of the windows the program holds minimized, one list per representation.
#pragma once
#include <functional>
#include <memory>
#include <vector>
#include "platform/handles.h"

namespace corvel {

class TBlendWin;

struct TrayWindowRecord {
  HWND Handle = nullptr;
  UINT CallbackMessage = 0;
  IconHandle Icon;
  // A left press on the icon was seen; only its release restores.
  bool LeftPressed = false;
};

struct MenuWindowRecord {
  HWND Handle = nullptr;
  UINT Command = 0;
  BitmapHandle Bitmap;
  int ImageIndex = -1;
};

struct FloatingWindowRecord {
  std::unique_ptr<TBlendWin> Form;
  HWND Handle = nullptr;
};

// The lowest callback number of the per-window block that no live record uses and `taken`
// does not claim (the applet icons' numbers), or 0 when the block is full.
UINT FreeTrayCallback(const std::vector<std::unique_ptr<TrayWindowRecord>>& records,
                      const std::function<bool(UINT)>& taken);

}  // namespace corvel
