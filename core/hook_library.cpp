#include "core/hook_library.h"
#include <windows.h>
#include <string>
#include "platform/picture.h"

namespace corvel {

namespace {

using HookCall = void (*)();

struct Loaded {
  HMODULE module = nullptr;
  HookCall setHook = nullptr, setHookAll = nullptr, deleteHook = nullptr;
};

Loaded g_library;

HookCall Export(const char* name) {
  return reinterpret_cast<HookCall>(reinterpret_cast<void*>(GetProcAddress(g_library.module, name)));
}

// Kept loaded for the life of the process: the hooks it sets run from it.
bool LoadLibraryOnce() {
  if (g_library.module) return g_library.setHook && g_library.setHookAll && g_library.deleteHook;
  const std::string path = ProgramFolder() + "Hooks.dll";
  g_library.module = LoadLibraryA(path.c_str());
  if (!g_library.module) return false;
  g_library.setHook = Export("SetHook");
  g_library.setHookAll = Export("SetHookAll");
  g_library.deleteHook = Export("DeleteHook");
  return g_library.setHook && g_library.setHookAll && g_library.deleteHook;
}

void SetHookCall() {
  if (LoadLibraryOnce()) g_library.setHook();
}
void SetHookAllCall() {
  if (LoadLibraryOnce()) g_library.setHookAll();
}
// Nothing to remove where the library was never loaded.
void DeleteHookCall() {
  if (g_library.deleteHook) g_library.deleteHook();
}

}  // namespace

HookLibrary LoadedHookLibrary() { return HookLibrary{&SetHookCall, &SetHookAllCall, &DeleteHookCall, &LoadLibraryOnce}; }

}  // namespace corvel
