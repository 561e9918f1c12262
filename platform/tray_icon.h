// Icons in the notification area, registered with the ANSI record of 88 bytes.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <string>

namespace corvel {

// The record: cbSize 88, flags 7, the tip cut to 63 characters.
NOTIFYICONDATAA MakeNotifyIconData(HWND owner, UINT id, UINT callback, HICON icon, const std::string& tip);
BOOL AddNotifyIcon(const NOTIFYICONDATAA& data);
BOOL DeleteNotifyIcon(HWND owner, UINT id);

}  // namespace corvel
