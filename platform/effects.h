// The side effects a test cannot observe from inside its own process. The program uses the
// Win32 calls; tests install a recorder. Nothing else goes through here.
#pragma once
#include <windows.h>

namespace corvel {

using SetLayeredWindowAttributesFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);

class Effects {
 public:
  virtual ~Effects() = default;
  virtual BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT key) = 0;
  virtual BOOL UnregisterHotKey(HWND hwnd, int id) = 0;
  virtual HINSTANCE ShellExecuteFile(HWND owner, const char* verb, const char* file, const char* params,
                                 const char* dir, int show) = 0;
  virtual UINT WinExec(const char* commandLine, UINT show) = 0;
  virtual BOOL SetPriorityClass(HANDLE process, DWORD priority) = 0;
  virtual BOOL SetLayeredWindowAttributes(SetLayeredWindowAttributesFn fn, HWND hwnd, COLORREF key,
                                          BYTE alpha, DWORD flags) = 0;
};

// The Win32 calls themselves.
class SystemEffects : public Effects {
 public:
  BOOL RegisterHotKey(HWND hwnd, int id, UINT modifiers, UINT key) override;
  BOOL UnregisterHotKey(HWND hwnd, int id) override;
  HINSTANCE ShellExecuteFile(HWND owner, const char* verb, const char* file, const char* params,
                         const char* dir, int show) override;
  UINT WinExec(const char* commandLine, UINT show) override;
  BOOL SetPriorityClass(HANDLE process, DWORD priority) override;
  BOOL SetLayeredWindowAttributes(SetLayeredWindowAttributesFn fn, HWND hwnd, COLORREF key, BYTE alpha,
                                  DWORD flags) override;
};

// The effects in force; the program never changes them, tests swap in a recorder.
Effects& CurrentEffects();
// Installs `effects` (nullptr: the system's) and returns the previous one.
Effects* SetEffects(Effects* effects);

}  // namespace corvel
