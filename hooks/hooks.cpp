#include "hooks/hooks.h"
#include <windows.h>
#include "platform/messages.h"

// Placeholder hooks: installed and removed at the right moments; they report nothing yet.
namespace {

HINSTANCE g_instance = nullptr;
HHOOK g_mouse __attribute__((section(".shared"), shared)) = nullptr;

LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) { return CallNextHookEx(nullptr, code, wp, lp); }

void Install() {
  if (!g_mouse) g_mouse = SetWindowsHookExA(WH_MOUSE, MouseProc, g_instance, 0);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_instance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

void SetHook() { Install(); }
void SetHookAll() { Install(); }
void DeleteHook() {
  if (g_mouse) UnhookWindowsHookEx(g_mouse);
  g_mouse = nullptr;
}
