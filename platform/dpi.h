// Sizes are laid out at 96 dots per inch and shown at the DPI of the monitor a window is on (the
// program declares itself per-monitor aware; systems before Windows 10 give the system's DPI).
#pragma once
#include <windows.h>
#include <vector>
#include "platform/handles.h"

namespace corvel {

constexpr UINT kLayoutDpi = 96;
// WM_DPICHANGED (Windows 8.1 on): wParam's low word the new DPI, lParam the suggested window rectangle.
constexpr UINT kDpiChangedMessage = 0x02E0;

// The DPI of the window's monitor; the screen's where the system cannot tell per window.
UINT WindowDpi(HWND window);
// The DPI of the monitor the window is on, whoever made it: the size its title bar shows at (the
// system stretches a program that is not DPI aware to it); the screen's where the system cannot tell.
UINT MonitorDpi(HWND window);
// The screen's DPI, which fonts made by point size follow.
UINT ScreenDpi();

// A length laid out at 96 DPI, at `dpi`.
inline int Scaled(int layout, UINT dpi) { return MulDiv(layout, static_cast<int>(dpi), static_cast<int>(kLayoutDpi)); }
// A length shown at `from`, at `to` (a window moved to a monitor of another DPI).
inline int Rescaled(int length, UINT from, UINT to) {
  return from ? MulDiv(length, static_cast<int>(to), static_cast<int>(from)) : length;
}

// A copy of `font` at `to` that was shown at `from`; none when it has none.
FontHandle RescaledFont(HFONT font, UINT from, UINT to);
// After a window has moved to a monitor of another DPI: its children keep their places and
// sizes relative to it and take their fonts at the new size; `fonts` owns the fonts made for
// them (a font shared by several children is made once). The window itself takes `suggested`.
void RescaleWindow(HWND window, UINT from, UINT to, const RECT& suggested, std::vector<FontHandle>& fonts);

}  // namespace corvel
