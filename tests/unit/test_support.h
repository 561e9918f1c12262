// Helpers of the in-process tests: real windows, the settings file, a tray the test owns and a
// recorder for the effects a test cannot see.
#pragma once
#include <windows.h>
#include <string>
#include <vector>
#include "core/hook_library.h"
#include "platform/effects.h"

namespace corvel::test {

// Full path of "Corvl.ini" in the Windows directory.
std::string SettingsPath();
void RemoveSettingsFile();
// Writes the file's whole text.
void WriteSettingsText(const std::string& text);
std::string ReadFileText(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);
// A baseline JPEG file of one colour, encoded with the program's own JPEG library.
std::string JpegFile(int width, int height, COLORREF colour, int quality = 90);

// Damaged copies of `good`, the same on every run of one seed: bytes flipped, overwritten with
// extreme values, inserted, removed, and the file cut short.
std::vector<std::string> MutatedFiles(const std::string& good, size_t count, unsigned seed);
// How many damaged files a fuzz test reads: CORVEL_FUZZ_ROUNDS for a longer run by hand, else
// `quick`; CORVEL_FUZZ_SEED changes the seed.
size_t FuzzRounds(size_t quick);
unsigned FuzzSeed(unsigned fixed);

// A top-level window with caption, system menu, minimize and maximize boxes, on this thread.
class TestWindow {
 public:
  explicit TestWindow(const std::string& title, int x = 100, int y = 100, int w = 400, int h = 300,
                      DWORD style = WS_OVERLAPPEDWINDOW);
  // A window of a UTF-16 class, whose title keeps every character.
  explicit TestWindow(const std::wstring& title);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  HWND hwnd() const { return hwnd_; }
  void Destroy();

 private:
  HWND hwnd_;
};

// A top-level window on a thread of its own (as another program's window is to Corvel), which
// notes each extended style it is given and whether it was visible then; with `hangMs`, its
// thread stops that long at the first style change (a program that hangs just then).
class ThreadWindow {
 public:
  explicit ThreadWindow(const char* title, DWORD hangMs = 0);
  ~ThreadWindow();
  ThreadWindow(const ThreadWindow&) = delete;
  ThreadWindow& operator=(const ThreadWindow&) = delete;
  HWND hwnd() const { return hwnd_; }
  struct StyleChange { LONG exStyle; bool visible; };
  std::vector<StyleChange> StyleChanges();

 private:
  static DWORD WINAPI Run(LPVOID self);
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  std::string title_;
  DWORD hangMs_;
  HWND hwnd_ = nullptr;
  HANDLE thread_ = nullptr;
  HANDLE ready_ = nullptr;
  CRITICAL_SECTION lock_;
  std::vector<StyleChange> changes_;
};

// Runs the message loop of this thread for `ms` milliseconds.
void Pump(DWORD ms = 30);
// Pumps until `done` holds or `ms` pass; returns `done()`.
template <typename F>
bool PumpUntil(F done, DWORD ms = 2000) {
  const DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > ms) return false;
    Pump(5);
  }
  return true;
}

// The effects of the program, recorded; alpha steps still reach the window.
struct RecordingEffects : Effects {
  struct HotKey { int id; UINT modifiers; UINT key; bool registered; };
  struct Alpha { HWND hwnd; BYTE alpha; DWORD flags; LONG exStyle; };
  std::vector<HotKey> hotKeys;
  std::vector<DWORD> priorities;
  std::vector<Alpha> alphas;
  std::vector<std::string> launches;
  // Every shell launch whole; `params` and `dir` tell whether they were given.
  struct Shell { HWND owner; std::string verb, file; bool params, dir; int show; };
  std::vector<Shell> shells;
  BOOL RegisterHotKey(HWND, int id, UINT modifiers, UINT key) override;
  BOOL UnregisterHotKey(HWND, int id) override;
  HINSTANCE ShellExecuteFile(HWND, const char*, const char* file, const char*, const char*, int) override;
  UINT WinExec(const char* commandLine, UINT) override;
  BOOL SetPriorityClass(HANDLE, DWORD priority) override;
  BOOL SetLayeredWindowAttributes(SetLayeredWindowAttributesFn fn, HWND hwnd, COLORREF key, BYTE alpha,
                                  DWORD flags) override;
};

// Installs a recorder for the lifetime of the object.
class ScopedEffects {
 public:
  ScopedEffects() : old_(SetEffects(&recorder)) {}
  ~ScopedEffects() { SetEffects(old_); }
  RecordingEffects recorder;

 private:
  Effects* old_;
};

// The calls into the hook library, in order, with what a watcher saw at each.
struct HookCalls {
  static std::vector<std::string> calls;
  // Runs at DeleteHook, e.g. to see which windows are still hidden.
  static void (*onDelete)();
  static HookLibrary Recorder();
};

// A topmost "Shell_TrayWnd" of this thread: the shell sends it every Shell_NotifyIcon call.
class TestTray {
 public:
  struct Call {
    DWORD code;  // NIM_ADD, NIM_MODIFY, NIM_DELETE
    HWND hwnd;
    UINT uid, flags, callback;
    std::string tip;
    std::wstring wideTip;  // as the shell got it
    int iconWidth, iconHeight;
  };
  TestTray();
  ~TestTray();
  // Every call so far, once the queued ones have been made.
  const std::vector<Call>& Calls() const;
  // Icons currently registered, keyed by (hwnd, uid), in the order added.
  std::vector<Call> Live() const;
  // Whether a NIM_ADD answer should be FALSE for an icon already present, as Wine's tray does.
  HWND hwnd() const { return hwnd_; }

 private:
  static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
  HWND hwnd_;
  std::vector<Call> calls_;
};

}  // namespace corvel::test
