#include "platform/dpi.h"
#include <utility>

namespace corvel {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using MonitorFromWindowFn = HMONITOR(WINAPI*)(HWND, DWORD);
using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

struct Rescale {
  UINT from, to;
  std::vector<FontHandle>* fonts;
  std::vector<std::pair<HFONT, HFONT>> made;  // old font, its copy at the new size
};

HFONT SharedRescaledFont(HFONT font, Rescale& r) {
  for (const auto& m : r.made)
    if (m.first == font) return m.second;
  FontHandle copy = RescaledFont(font, r.from, r.to);
  if (!copy) return nullptr;
  r.made.emplace_back(font, copy.get());
  r.fonts->push_back(std::move(copy));
  return r.made.back().second;
}

BOOL CALLBACK RescaleChild(HWND child, LPARAM state) {
  Rescale& r = *reinterpret_cast<Rescale*>(state);
  RECT rc{};
  GetWindowRect(child, &rc);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
  const int left = Rescaled(rc.left, r.from, r.to), top = Rescaled(rc.top, r.from, r.to);
  SetWindowPos(child, nullptr, left, top, Rescaled(rc.right, r.from, r.to) - left,
               Rescaled(rc.bottom, r.from, r.to) - top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (HFONT font = SharedRescaledFont(reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)), r))
    SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  return TRUE;
}

}  // namespace

UINT ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kLayoutDpi;
}

FontHandle RescaledFont(HFONT font, UINT from, UINT to) {
  LOGFONTA lf{};
  if (!font || GetObjectA(font, sizeof lf, &lf) == 0) return FontHandle();
  lf.lfHeight = Rescaled(lf.lfHeight, from, to);
  lf.lfWidth = Rescaled(lf.lfWidth, from, to);
  return FontHandle(CreateFontIndirectA(&lf));
}

void RescaleWindow(HWND window, UINT from, UINT to, const RECT& suggested, std::vector<FontHandle>& fonts) {
  if (from && to && from != to) {
    Rescale state{from, to, &fonts, {}};
    EnumChildWindows(window, RescaleChild, reinterpret_cast<LPARAM>(&state));
  }
  SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

UINT MonitorDpi(HWND window) {
  static const auto fromWindow =
      ModuleFunction<MonitorFromWindowFn>(GetModuleHandleA("user32.dll"), "MonitorFromWindow");
  static const auto forMonitor = ModuleFunction<GetDpiForMonitorFn>(LoadLibraryA("shcore.dll"), "GetDpiForMonitor");
  HMONITOR monitor = fromWindow && window ? fromWindow(window, MONITOR_DEFAULTTONEAREST) : nullptr;
  UINT x = 0, y = 0;
  if (monitor && forMonitor && SUCCEEDED(forMonitor(monitor, kEffectiveDpi, &x, &y)) && y) return y;
  return ScreenDpi();
}

UINT WindowDpi(HWND window) {
  static const auto get = ModuleFunction<GetDpiForWindowFn>(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
  const UINT dpi = get && window ? get(window) : 0;
  return dpi ? dpi : ScreenDpi();
}

}  // namespace corvel
