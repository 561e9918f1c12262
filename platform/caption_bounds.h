// Where a window's own minimize button is on the screen: asked of the window itself (Vista on),
// else of the desktop window manager, else computed from the caption metrics at the DPI of the
// window's monitor.
#pragma once
#include <windows.h>

namespace corvel {

enum class CaptionSource { None, TitleBarInfo, DesktopWindowManager, Metrics };

// The minimize button in screen coordinates, and which source gave it; None when the window has
// no minimize button or is gone. The window is asked with a bounded wait.
CaptionSource FindMinimizeButton(HWND window, RECT& screen, UINT timeoutMs);

// The caption button's place: left of the minimize button, as wide and as high, two pixels
// apart (where it is drawn into title bars).
RECT ButtonLeftOf(const RECT& minimize);

}  // namespace corvel
