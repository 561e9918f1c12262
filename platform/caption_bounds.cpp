#include "platform/caption_bounds.h"
#include "platform/caption_geometry.h"
#include "platform/desktop_window_manager.h"
#include "platform/dpi.h"
#include "platform/handles.h"

namespace corvel {

namespace {

constexpr UINT kGetTitleBarInfoEx = 0x033F;  // WM_GETTITLEBARINFOEX, Vista on
constexpr int kTitleBarMinimize = 2;          // its rectangle index of the minimize button
constexpr DWORD kStateInvisible = 0x8000;     // STATE_SYSTEM_INVISIBLE
constexpr DWORD kCaptionButtonBounds = 5;     // DWMWA_CAPTION_BUTTON_BOUNDS

// TITLEBARINFOEX, which the headers of the oldest target lack.
struct TitleBarInfoEx {
  DWORD cbSize;
  RECT rcTitleBar;
  DWORD rgstate[6];
  RECT rgrect[6];
};

using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

bool FromTitleBarInfo(HWND window, RECT& screen, UINT timeoutMs) {
  TitleBarInfoEx info{};
  info.cbSize = sizeof info;
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutW(window, kGetTitleBarInfoEx, 0, reinterpret_cast<LPARAM>(&info),
                           SMTO_ABORTIFHUNG | SMTO_BLOCK, timeoutMs, &answer))
    return false;
  // Systems that know the message but not the window's frame answer with empty rectangles.
  if (info.rgstate[kTitleBarMinimize] & kStateInvisible || Empty(info.rgrect[kTitleBarMinimize])) return false;
  screen = info.rgrect[kTitleBarMinimize];
  return true;
}

// The composited caption buttons' bounds, relative to the window: the minimize button is the
// first of the buttons there, all of one width.
bool FromDesktopWindowManager(HWND window, const RECT& wr, RECT& screen) {
  RECT bounds{};
  if (!DwmAttribute(window, kCaptionButtonBounds, &bounds, sizeof bounds) || Empty(bounds)) return false;
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  const int buttons = 1 + ((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) ? 2 : 0);
  const int width = (bounds.right - bounds.left) / buttons;
  screen = RECT{wr.left + bounds.left, wr.top + bounds.top, wr.left + bounds.left + width, wr.top + bounds.bottom};
  return true;
}

FrameMetrics MetricsAt(UINT dpi) {
  static const HMODULE user32 = GetModuleHandleA("user32.dll");
  static const auto forDpi = ModuleFunction<GetSystemMetricsForDpiFn>(user32, "GetSystemMetricsForDpi");
  if (!forDpi) return SystemFrameMetrics();
  return {forDpi(SM_CXSIZE, dpi), forDpi(SM_CYSIZE, dpi), forDpi(SM_CXFRAME, dpi), forDpi(SM_CYFRAME, dpi)};
}

}  // namespace

CaptionSource FindMinimizeButton(HWND window, RECT& screen, UINT timeoutMs) {
  RECT wr{};
  if (!GetWindowRect(window, &wr) || !(GetWindowLongW(window, GWL_STYLE) & WS_MINIMIZEBOX)) return CaptionSource::None;
  if (FromTitleBarInfo(window, screen, timeoutMs)) return CaptionSource::TitleBarInfo;
  if (FromDesktopWindowManager(window, wr, screen)) return CaptionSource::DesktopWindowManager;
  const RECT m = MinimizeButtonRect(wr.right - wr.left, MetricsAt(MonitorDpi(window)));
  screen = RECT{wr.left + m.left, wr.top + m.top, wr.left + m.right, wr.top + m.bottom};
  return CaptionSource::Metrics;
}

RECT ButtonLeftOf(const RECT& minimize) {
  const int width = minimize.right - minimize.left;
  const int left = minimize.left - width - caption_geometry::kWidthInset;
  return RECT{left, minimize.top, left + width, minimize.bottom};
}

}  // namespace corvel
