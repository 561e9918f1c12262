// Which Windows runs, as a code and a name, and the installed physical memory.
#pragma once
#include <windows.h>
#include <string>

namespace corvel {

// OS codes.
constexpr int kOsUnknown = 0;
constexpr int kOsWin311 = 10;
constexpr int kOsWin95 = 20;
constexpr int kOsWin98 = 30;
constexpr int kOsWinMe = 40;
constexpr int kOsNt16 = 50;
constexpr int kOsNt3 = 60;
constexpr int kOsNt4 = 70;
constexpr int kOsWin2000 = 80;
constexpr int kOsWinXP = 90;
// The systems after XP. None equals a caption-button style code (100 to 102 among them).
constexpr int kOsVista = 110;
constexpr int kOsWin7 = 120;
constexpr int kOsWin8 = 130;
constexpr int kOsWin81 = 140;
constexpr int kOsWin10 = 150;
constexpr int kOsWin11 = 160;
// Windows 11 reports version 10.0 like Windows 10; its builds start here.
constexpr DWORD kFirstWin11Build = 22000;

// The version the system reports, with the build number.
struct OsVersion {
  DWORD platformId = 0, major = 0, minor = 0, build = 0;
};

// The code of a platform id and version; the build tells Windows 11 from Windows 10.
int OsCodeFor(DWORD platformId, DWORD major, DWORD minor, DWORD build = 0);
// The display name of a code ("OS Not recognized" for any other).
const char* OsNameFor(int osCode);
// Whether the system has layered windows: every NT system from 5.0 (Windows 2000) on.
bool LayeredWindowsFor(const OsVersion& v);
// Vista and later: the systems with no WinHelp and with a composited title bar.
bool IsVistaOrLater(int osCode);

// The real version: RtlGetVersion, which no compatibility layer alters, on NT systems; what
// GetVersionExA reports elsewhere.
OsVersion QueryOsVersion();
int GetOsCode();
std::string GetOsName();
DWORD GetOsMajorVersion();
bool HasLayeredWindows();
// The installed physical memory in KiB.
DWORD GetTotalMemoryKb();
// The whole KiB of a byte count; beyond 4 TiB, the largest count a DWORD holds.
DWORD MemoryKbFor(ULONGLONG totalPhysBytes);

}  // namespace corvel
