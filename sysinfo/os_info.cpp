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

// RTL_OSVERSIONINFOW: the version record of ntdll's own query.
struct RtlVersionInfo {
  ULONG size;
  ULONG major, minor, build, platformId;
  WCHAR servicePack[128];
};

}  // namespace

int OsCodeFor(DWORD platformId, DWORD major, DWORD minor, DWORD build) {
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
      case 6:
        switch (minor) {
          case 0: return kOsVista;
          case 1: return kOsWin7;
          case 2: return kOsWin8;
          case 3: return kOsWin81;
          default: return kOsUnknown;
        }
      case 10: return minor != 0 ? kOsUnknown : build >= kFirstWin11Build ? kOsWin11 : kOsWin10;
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
    case kOsVista: return "Windows Vista";
    case kOsWin7: return "Windows 7";
    case kOsWin8: return "Windows 8";
    case kOsWin81: return "Windows 8.1";
    case kOsWin10: return "Windows 10";
    case kOsWin11: return "Windows 11";
    default: return "OS Not recognized";
  }
}

bool LayeredWindowsFor(const OsVersion& v) { return v.platformId == VER_PLATFORM_WIN32_NT && v.major >= 5; }

bool IsVistaOrLater(int osCode) { return osCode >= kOsVista; }

OsVersion QueryOsVersion() {
  const OSVERSIONINFOA a = QueryVersion();
  OsVersion v{a.dwPlatformId, a.dwMajorVersion, a.dwMinorVersion, a.dwBuildNumber};
  if (v.platformId != VER_PLATFORM_WIN32_NT) return v;
  // GetVersionExA answers what the manifest and any compatibility mode let it say.
  using RtlGetVersionFn = LONG(WINAPI*)(RtlVersionInfo*);
  const HMODULE ntdll = GetModuleHandleA("ntdll");
  const auto rtlGetVersion =
      ntdll ? reinterpret_cast<RtlGetVersionFn>(GetProcAddress(ntdll, "RtlGetVersion")) : nullptr;
  RtlVersionInfo r{};
  r.size = sizeof r;
  if (rtlGetVersion && rtlGetVersion(&r) == 0) v = OsVersion{r.platformId, r.major, r.minor, r.build};
  return v;
}

int GetOsCode() {
  const OsVersion v = QueryOsVersion();
  return OsCodeFor(v.platformId, v.major, v.minor, v.build);
}

bool HasLayeredWindows() { return LayeredWindowsFor(QueryOsVersion()); }

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
