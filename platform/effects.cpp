#include "platform/effects.h"
#include <shellapi.h>
#include <cstring>
#include <vector>

namespace corvel {

namespace {
constexpr UINT kWinExecStarted = 33;  // WinExec's answer for a started program: above 31
}  // namespace

BOOL SystemEffects::RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT key) {
  return ::RegisterHotKey(hwnd, id, modifiers, key);
}
BOOL SystemEffects::UnregisterHotKey(HWND hwnd, int id) { return ::UnregisterHotKey(hwnd, id); }
HINSTANCE SystemEffects::ShellExecuteFile(HWND owner, const char* verb, const char* file, const char* params,
                                      const char* dir, int show) {
  return ::ShellExecuteA(owner, verb, file, params, dir, show);
}
// As WinExec, without its wait of up to 30 s for the new program to settle: nothing here may
// hold the user-interface thread on another program.
UINT SystemEffects::WinExec(const char* commandLine, UINT show) {
  std::vector<char> line(commandLine, commandLine + std::strlen(commandLine) + 1);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION started{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    const DWORD error = GetLastError();  // WinExec's failures are the small error codes
    return error < kWinExecStarted ? error : 0;
  }
  CloseHandle(started.hThread);
  CloseHandle(started.hProcess);
  return kWinExecStarted;
}
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
