#include "sysinfo/os_info.h"

namespace corvel {

namespace {

constexpr DWORD kVersionInfoSize = 148;  // OSVERSIONINFOA
// MEMORYSTATUS holds SIZE_T fields: 32 bytes in a 32-bit build, 56 in a 64-bit one.
#if defined(_WIN64)
constexpr DWORD kMemoryStatusSize = 56;
#else
constexpr DWORD kMemoryStatusSize = 32;
#endif
static_assert(sizeof(OSVERSIONINFOA) == kVersionInfoSize, "OSVERSIONINFOA layout");
static_assert(sizeof(MEMORYSTATUS) == kMemoryStatusSize, "MEMORYSTATUS layout");

OSVERSIONINFOA QueryVersion() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = kVersionInfoSize;
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
  GetVersionExA(&info);
#else
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  GetVersionExA(&info);
#pragma GCC diagnostic pop
#endif
  return info;
}

}  // namespace

int OsCodeFor(DWORD platformId, DWORD major, DWORD minor) {
  if (platformId == VER_PLATFORM_WIN32_WINDOWS) {
    switch (major) {
      case 2: return kOsWin311;
      case 3: return kOsWin95;
      case 4: return kOsWin98;
      case 5: return kOsWinMe;
      default: return kOsUnknown;
    }
  }
  if (platformId == VER_PLATFORM_WIN32_NT) {
    switch (major) {
      case 2: return kOsNt16;
      case 3: return kOsNt3;
      case 4: return kOsNt4;
      case 5: return minor == 0 ? kOsWin2000 : minor == 1 ? kOsWinXP : kOsUnknown;
      default: return kOsUnknown;
    }
  }
  return kOsUnknown;
}

const char* OsNameFor(int osCode) {
  switch (osCode) {
    case kOsWin311: return "Windows 3.11";
    case kOsWin95: return "Windows 95";
    case kOsWin98: return "Windows 98";
    case kOsWinMe: return "Windows Me";
    case kOsNt16: return "Windows NT (16 bit)";
    case kOsNt3: return "Windows NT 3";
    case kOsNt4: return "Windows NT 4";
    case kOsWin2000: return "Windows 2000";
    case kOsWinXP: return "Windows XP";
    default: return "OS Not recognized";
  }
}

int GetOsCode() {
  const OSVERSIONINFOA v = QueryVersion();
  return OsCodeFor(v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion);
}

std::string GetOsName() { return OsNameFor(GetOsCode()); }

DWORD GetOsMajorVersion() { return QueryVersion().dwMajorVersion; }

DWORD MemoryKbFor(ULONGLONG totalPhysBytes) {
  const ULONGLONG kb = totalPhysBytes >> 10;
  return kb > MAXDWORD ? MAXDWORD : static_cast<DWORD>(kb);
}

DWORD GetTotalMemoryKb() {
  // GlobalMemoryStatus caps what a 32-bit process is told (at 2 GiB, or 4 GiB when it is large-address
  // aware); the extended query, which Windows has from 2000 on, tells the whole memory.
  using StatusExFn = BOOL(WINAPI*)(LPMEMORYSTATUSEX);
  const auto statusEx =
      reinterpret_cast<StatusExFn>(GetProcAddress(GetModuleHandleA("kernel32"), "GlobalMemoryStatusEx"));
  MEMORYSTATUSEX ex{};
  ex.dwLength = sizeof ex;
  if (statusEx && statusEx(&ex)) return MemoryKbFor(ex.ullTotalPhys);
  MEMORYSTATUS status{};
  status.dwLength = kMemoryStatusSize;
  GlobalMemoryStatus(&status);
  return MemoryKbFor(status.dwTotalPhys);
}

}  // namespace corvel
