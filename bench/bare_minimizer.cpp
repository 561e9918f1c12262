// The lower bound of the benchmarks: a program that takes the same requests as Corvel's main
// window through the same one-shot timer and then does only what must be done.
//
//   bare_minimizer.exe          a hidden window that takes HM_BUTTONUP (lParam: the window) and,
//                               one timer tick later, hides the window (ShowWindowAsync) and adds
//                               a tray icon (Shell_NotifyIconA); a left-button release on that
//                               icon, one tick later, deletes the icon and shows the window again.
//   bare_minimizer.exe draw     draws a filled rectangle where the caption button goes on every
//                               window with a caption and a minimize box, then waits like the
//                               first mode: the lower bound of the start-up.
//   bare_minimizer.exe steps    the first mode with the window steps Corvel takes: minimized, then
//                               hidden; shown, restored and brought to the front. What Wine's
//                               handling of those costs the target, apart from Corvel's own work.
//   bare_minimizer.exe thread   the first mode with one more thread, waiting for work that never
//                               comes, as Corvel's tray thread waits: what that costs the end.
//   bare_minimizer.exe sized    the thread mode in a process of Corvel's size: the libraries it
//                               links loaded and the common controls set up, as much more memory
//                               in use as Corvel holds, and the end by ExitProcess, as Corvel's
//                               end of session: what a process of that size costs its end.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>
#include "platform/caption_geometry.h"
#include "platform/messages.h"

namespace {

using namespace corvel;

constexpr const char kClass[] = "CorvelBareMinimizer";
constexpr UINT kIconCallback = kWindowTrayCallbackFirst;
constexpr UINT_PTR kHideTimer = 1;
constexpr UINT_PTR kShowTimer = 2;
// Corvel's resident set over this program's under Wine (about 27 against 19 MiB), less the
// pages of the libraries that the sized mode loads itself and of setting up the common controls.
constexpr size_t kCorvelExtraMemory = size_t{3} << 20;

HWND g_pending = nullptr;
HICON g_icon = nullptr;
bool g_corvelSteps = false;

NOTIFYICONDATAA IconData(HWND owner, HWND window) {
  NOTIFYICONDATAA d;
  std::memset(&d, 0, sizeof d);
  d.cbSize = kNotifyIconSize;
  d.hWnd = owner;
  d.uID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(window));
  d.uFlags = kTrayFlags;
  d.uCallbackMessage = kIconCallback;
  d.hIcon = g_icon;
  return d;
}

void OnTimer(HWND self, UINT_PTR id) {
  KillTimer(self, id);
  NOTIFYICONDATAA d = IconData(self, g_pending);
  if (id == kHideTimer) {
    if (g_corvelSteps) ShowWindowAsync(g_pending, SW_SHOWMINIMIZED);
    ShowWindowAsync(g_pending, SW_HIDE);
    Shell_NotifyIconA(NIM_ADD, &d);
  } else {
    Shell_NotifyIconA(NIM_DELETE, &d);
    ShowWindowAsync(g_pending, SW_SHOW);
    if (g_corvelSteps) {
      ShowWindowAsync(g_pending, SW_RESTORE);
      SetForegroundWindow(g_pending);
    }
  }
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == HM_BUTTONUP) {
    g_pending = reinterpret_cast<HWND>(lp);
    SetTimer(hwnd, kHideTimer, kOneShotInterval, nullptr);
    return 0;
  }
  if (msg == kIconCallback && lp == WM_LBUTTONUP) {
    g_pending = reinterpret_cast<HWND>(static_cast<UINT_PTR>(wp));
    SetTimer(hwnd, kShowTimer, kOneShotInterval, nullptr);
    return 0;
  }
  if (msg == WM_TIMER) {
    OnTimer(hwnd, wp);
    return 0;
  }
  if (msg == WM_ENDSESSION || msg == WM_CLOSE) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void DrawButtons() {
  const FrameMetrics m = SystemFrameMetrics();
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    if ((style & kMainWindowStyleMask) != kMainWindowStyleMask || !IsWindowVisible(w)) continue;
    RECT wr{};
    GetWindowRect(w, &wr);
    const RECT r = ProgramButtonRect(wr.right - wr.left, m);
    HDC dc = GetWindowDC(w);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(w, dc);
  }
}

void StartIdleThread() {
  static std::mutex mutex;
  static std::condition_variable never;
  std::thread([] {
    std::unique_lock<std::mutex> lock(mutex);
    never.wait(lock, [] { return false; });
  }).detach();
}

// Loaded for the life of the process, as Corvel's are, and never freed: the end pays for them.
void TakeCorvelsSize() {
  using InitProc = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  if (HMODULE comctl = LoadLibraryA("comctl32.dll")) {
    if (auto init = reinterpret_cast<InitProc>(reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")))) {
      const INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
      init(&controls);
    }
  }
  LoadLibraryA("msimg32.dll");
  static std::vector<char> used(kCorvelExtraMemory, 1);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int) {
  if (cmdLine && std::strcmp(cmdLine, "draw") == 0) DrawButtons();
  g_corvelSteps = cmdLine && std::strcmp(cmdLine, "steps") == 0;
  const bool sized = cmdLine && std::strcmp(cmdLine, "sized") == 0;
  if (sized) TakeCorvelsSize();
  if (sized || (cmdLine && std::strcmp(cmdLine, "thread") == 0)) StartIdleThread();
  g_icon = LoadIcon(nullptr, IDI_APPLICATION);
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.lpszClassName = kClass;
  RegisterClassA(&wc);
  CreateWindowExA(WS_EX_TOOLWINDOW, kClass, kClass, WS_POPUP, -100, -100, 10, 10, nullptr, nullptr, instance, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  if (sized) ExitProcess(0);
  return 0;
}
