// A Control Panel file for the unit tests. What it answers depends on its own file name:
//   wide*.cpl    three applets, each filling the wide record (the second with lData 33)
//   ansi*.cpl    one applet filling the single-byte record
//   refuse*.cpl  refuses CPL_INIT
#include <windows.h>
#include <cpl.h>
#include <cstring>
#include <cwchar>

namespace {

HMODULE g_module = nullptr;

bool NameStarts(const char* prefix) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(g_module, path, MAX_PATH);
  const char* name = std::strrchr(path, '\\');
  name = name ? name + 1 : path;
  return _strnicmp(name, prefix, std::strlen(prefix)) == 0;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) LONG WINAPI CPlApplet(HWND, UINT msg, LPARAM index, LPARAM data) {
  const bool wide = NameStarts("wide");
  switch (msg) {
    case CPL_INIT: return NameStarts("refuse") ? 0 : 1;
    case CPL_GETCOUNT: return wide ? 3 : 1;
    case CPL_NEWINQUIRE:
      if (wide) {
        auto* info = reinterpret_cast<NEWCPLINFOW*>(data);
        info->dwSize = sizeof(NEWCPLINFOW);
        info->hIcon = LoadIcon(nullptr, IDI_WARNING);
        info->lData = index == 1 ? 33 : 0;
        std::swprintf(info->szName, 32, L"Wide applet %d", static_cast<int>(index));
      } else {
        auto* info = reinterpret_cast<NEWCPLINFOA*>(data);
        info->dwSize = sizeof(NEWCPLINFOA);
        std::strcpy(info->szName, "Ansi applet");
      }
      return 0;
    default: return 0;
  }
}
