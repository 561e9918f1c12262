// Icons in the notification area, registered with the record of the first version: ANSI for
// the program's own texts, UTF-16 for window titles on the systems that have it.
//
// Shell_NotifyIcon waits for the shell to answer, for ever where the shell hangs. The calls are
// therefore made in order by a thread of their own: the user-interface thread only queues them
// and goes on, and the icons are put right as soon as the shell answers again.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <string>

namespace corvel {

// The record: cbSize of the first version, flags 7, the tip cut to 63 characters.
NOTIFYICONDATAA MakeNotifyIconData(HWND owner, UINT id, UINT callback, HICON icon, const std::string& tip);
// Queue one Shell_NotifyIconA call (NIM_ADD, NIM_MODIFY, NIM_DELETE). The icon of the record is
// copied, so the caller may destroy its own at once.
void NotifyIcon(DWORD message, const NOTIFYICONDATAA& data);
// A window's icon, whose tip is its title: Shell_NotifyIconW on NT systems; on Windows 95 to Me
// the ANSI record, with the tip in the code page cut on a character boundary.
NOTIFYICONDATAW MakeNotifyIconDataW(HWND owner, UINT id, UINT callback, HICON icon, const std::wstring& tip);
void NotifyIcon(DWORD message, const NOTIFYICONDATAW& data);
void AddNotifyIcon(const NOTIFYICONDATAA& data);
void DeleteNotifyIcon(HWND owner, UINT id);
// Waits up to `timeoutMs` for the queued calls to be made (the program's end does not leave its
// icons behind for want of time); messages sent to this thread are handled meanwhile. True when
// none is left.
bool FlushNotifyIcons(DWORD timeoutMs);

}  // namespace corvel
