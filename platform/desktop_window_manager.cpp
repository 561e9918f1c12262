#include "platform/desktop_window_manager.h"
#include "platform/handles.h"

namespace corvel {

namespace {
using DwmGetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, PVOID, DWORD);
constexpr DWORD kCloakedAttribute = 14;  // DWMWA_CLOAKED, Windows 8 on
}  // namespace

bool DwmAttribute(HWND window, DWORD attribute, void* value, DWORD size) {
  static const HMODULE dwm = LoadLibraryA("dwmapi.dll");
  static const auto get = ModuleFunction<DwmGetWindowAttributeFn>(dwm, "DwmGetWindowAttribute");
  return get && SUCCEEDED(get(window, attribute, value, size));
}

bool DwmCloaked(HWND window) {
  DWORD cloaked = 0;
  return DwmAttribute(window, kCloakedAttribute, &cloaked, sizeof cloaked) && cloaked != 0;
}

}  // namespace corvel
