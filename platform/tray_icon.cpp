#include "platform/tray_icon.h"
#include <cstring>
#include "platform/messages.h"

namespace corvel {

NOTIFYICONDATAA MakeNotifyIconData(HWND owner, UINT id, UINT callback, HICON icon, const std::string& tip) {
  NOTIFYICONDATAA d;
  std::memset(&d, 0, sizeof d);
  d.cbSize = kNotifyIconSize;
  d.hWnd = owner;
  d.uID = id;
  d.uFlags = kTrayFlags;
  d.uCallbackMessage = callback;
  d.hIcon = icon;
  const size_t n = tip.size() < kTrayTipChars ? tip.size() : kTrayTipChars;
  std::memcpy(d.szTip, tip.data(), n);
  d.szTip[n] = '\0';
  return d;
}

BOOL AddNotifyIcon(const NOTIFYICONDATAA& data) {
  NOTIFYICONDATAA copy = data;
  return Shell_NotifyIconA(NIM_ADD, &copy);
}

BOOL DeleteNotifyIcon(HWND owner, UINT id) {
  NOTIFYICONDATAA d;
  std::memset(&d, 0, sizeof d);
  d.cbSize = kNotifyIconSize;
  d.hWnd = owner;
  d.uID = id;
  return Shell_NotifyIconA(NIM_DELETE, &d);
}

}  // namespace corvel
