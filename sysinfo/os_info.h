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

// The code of a platform id and version.
int OsCodeFor(DWORD platformId, DWORD major, DWORD minor);
// The display name of a code ("OS Not recognized" for any other).
const char* OsNameFor(int osCode);

int GetOsCode();
std::string GetOsName();
DWORD GetOsMajorVersion();
// The installed physical memory in KiB.
DWORD GetTotalMemoryKb();
// The whole KiB of a byte count; beyond 4 TiB, the largest count a DWORD holds.
DWORD MemoryKbFor(ULONGLONG totalPhysBytes);

}  // namespace corvel
