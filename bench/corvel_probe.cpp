// Loaded into a running Corvel by corvel_bench.exe (a remote thread calls LoadLibraryA), so that
// what only the process itself can see is counted there: its USER objects, and the messages its
// user-interface thread takes. The driver starts each export on a remote thread of its own and
// reads the results from `ProbeResults` with ReadProcessMemory.
#include <windows.h>

extern "C" {

struct ProbeCounts {
  LONG windows;   // windows of this process, message-only ones included
  LONG menus;
  LONG icons;     // icons and cursors
  LONG messages;  // messages the watched thread took out of its queue since ProbeWatch
  LONG timers;    // of those, WM_TIMER
  LONG watching;  // 1 while the hook is set
};

ProbeCounts ProbeResults = {};

}  // extern "C"

namespace {

// Wine numbers its USER handles from 0x20 in steps of 2 and accepts a handle whose upper word is
// 0 for any generation of the object in that slot.
constexpr UINT_PTR kFirstUserHandle = 0x0020;
constexpr UINT_PTR kLastUserHandle = 0xFFEF;
constexpr const char kStopEventName[] = "CorvelProbeStop";

HINSTANCE g_module = nullptr;
HHOOK g_hook = nullptr;

using CursorFrameInfo = HCURSOR(WINAPI*)(HCURSOR, DWORD, DWORD, DWORD*, DWORD*);

LRESULT CALLBACK GetMessageProc(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && wp == PM_REMOVE && lp) {
    InterlockedIncrement(&ProbeResults.messages);
    if (reinterpret_cast<const MSG*>(lp)->message == WM_TIMER) InterlockedIncrement(&ProbeResults.timers);
  }
  return CallNextHookEx(g_hook, code, wp, lp);
}

}  // namespace

extern "C" {

// A global WH_CALLWNDPROCRET hook that does nothing (set by corvel_bench.exe "emptyhook"): what
// any such hook costs the hooked programs under Wine, without Corvel's work in it.
LRESULT CALLBACK ProbeEmptyHook(int code, WPARAM wp, LPARAM lp) {
  return CallNextHookEx(nullptr, code, wp, lp);
}

// Counts the USER objects of this process into ProbeResults.
DWORD WINAPI ProbeCountUser(LPVOID) {
  // Looks an icon up without making copies of its bitmaps (GetIconInfo would).
  const auto frameInfo =
      reinterpret_cast<CursorFrameInfo>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetCursorFrameInfo"));
  const DWORD self = GetCurrentProcessId();
  LONG windows = 0, menus = 0, icons = 0;
  for (UINT_PTR h = kFirstUserHandle; h <= kLastUserHandle; h += 2) {
    const HANDLE handle = reinterpret_cast<HANDLE>(h);
    DWORD pid = 0;
    if (IsWindow(static_cast<HWND>(handle))) {
      GetWindowThreadProcessId(static_cast<HWND>(handle), &pid);
      if (pid == self) ++windows;
    } else if (IsMenu(static_cast<HMENU>(handle))) {
      ++menus;
    } else if (frameInfo) {
      DWORD rate = 0, steps = 0;
      if (frameInfo(static_cast<HCURSOR>(handle), 0, 0, &rate, &steps)) ++icons;
    }
  }
  ProbeResults.windows = windows;
  ProbeResults.menus = menus;
  ProbeResults.icons = icons;
  return 0;
}

// Counts the messages that thread `param` takes until the event "CorvelProbeStop" is set. A hook
// lives as long as the thread that set it, so this thread waits (without waking) until then.
DWORD WINAPI ProbeWatch(LPVOID param) {
  const DWORD thread = static_cast<DWORD>(reinterpret_cast<UINT_PTR>(param));
  HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, kStopEventName);
  if (!stop) return 1;
  ResetEvent(stop);
  ProbeResults.messages = 0;
  ProbeResults.timers = 0;
  g_hook = SetWindowsHookExA(WH_GETMESSAGE, GetMessageProc, g_module, thread);
  if (!g_hook) {
    CloseHandle(stop);
    return 2;
  }
  ProbeResults.watching = 1;
  WaitForSingleObject(stop, INFINITE);
  UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
  ProbeResults.watching = 0;
  CloseHandle(stop);
  return 0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

}  // extern "C"
