#include "platform/effects.h"
#include <shellapi.h>

namespace corvel {

BOOL SystemEffects::RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT key) {
  return ::RegisterHotKey(hwnd, id, modifiers, key);
}
BOOL SystemEffects::UnregisterHotKey(HWND hwnd, int id) { return ::UnregisterHotKey(hwnd, id); }
HINSTANCE SystemEffects::ShellExecuteFile(HWND owner, const char* verb, const char* file, const char* params,
                                      const char* dir, int show) {
  return ::ShellExecuteA(owner, verb, file, params, dir, show);
}
UINT SystemEffects::WinExec(const char* commandLine, UINT show) { return ::WinExec(commandLine, show); }
BOOL SystemEffects::SetPriorityClass(HANDLE process, DWORD priority) {
  return ::SetPriorityClass(process, priority);
}
BOOL SystemEffects::SetLayeredWindowAttributes(SetLayeredWindowAttributesFn fn, HWND hwnd, COLORREF key,
                                               BYTE alpha, DWORD flags) {
  return fn ? fn(hwnd, key, alpha, flags) : FALSE;
}

namespace {
SystemEffects g_system;
Effects* g_current = &g_system;
}  // namespace

Effects& CurrentEffects() { return *g_current; }

Effects* SetEffects(Effects* effects) {
  Effects* old = g_current;
  g_current = effects ? effects : &g_system;
  return old;
}

}  // namespace corvel
