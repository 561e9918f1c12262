// The hook library. Its procedures run inside every program that has windows, so they only
// read window state, draw the caption button into a title bar their own thread has just painted,
// post messages to the main window and pass every event on: no sending, no allocation, no lock,
// nothing that can block or throw.
//
// The button is drawn here, in the owner's thread, right after the owner painted its title bar
// (and when the main window asks with kDrawButtonMessage), from the pictures and the window table
// the main window shares (platform/button_share.h): painting of the owner that reaches the screen
// later can then never lie over it.
//
// What is posted, always after the owner has handled the event (the first only where the owner
// could not draw the button itself):
//   WM_NCPAINT, WM_SETTEXT, WM_SETICON      HM_REDRAW       (the title bar has been repainted)
//   WM_NCACTIVATE                          HM_REDRAWTWICE  (some programs repaint it once more)
//   WM_WINDOWPOSCHANGED, new size          HM_REFRESH
//   WM_WINDOWPOSCHANGED, shown             HM_RESCAN       (a window has appeared; rate-limited)
//   left press in a title bar              HM_BUTTONDOWN   (a press on the button is swallowed)
//   the release that follows               HM_BUTTONUP     (both: wParam, on the button or not)
//   right click on the minimize button     HM_MINBUTTON
//   kDrawButtonMessage handled             HM_OWNERDREW
#include "hooks/hooks.h"
#include <windows.h>
#include "platform/caption_geometry.h"
#include "platform/button_share.h"
#include "platform/handle_codec.h"
#include "platform/messages.h"

// One section shared by every process the library is loaded into.
#if defined(_MSC_VER)
#pragma section(".shared", read, write, shared)
#define CORVEL_SHARED
#define CORVEL_SHARED_DECL __declspec(allocate(".shared"))
#else
#define CORVEL_SHARED __attribute__((section(".shared"), shared))
#define CORVEL_SHARED_DECL
#endif

namespace {

using namespace corvel;

// Shared by every process that has the library loaded, and written only by Corvel's own (SetHook,
// SetHookAll, DeleteHook): the hooked programs only read it.
CORVEL_SHARED_DECL HHOOK g_callWndRetHook CORVEL_SHARED = nullptr;
CORVEL_SHARED_DECL HHOOK g_mouseHook CORVEL_SHARED = nullptr;
CORVEL_SHARED_DECL LONG g_styleMask CORVEL_SHARED = 0;  // 0 while no hook is installed
// Counts the installs: a program looks for the main window anew after each.
CORVEL_SHARED_DECL volatile LONG g_installs CORVEL_SHARED = 0;

// Per process.
HINSTANCE g_instance = nullptr;
UINT g_drawMessage = 0;  // registered at the first hook call, not in DllMain
HWND g_mainWindow = nullptr;
DWORD g_mainProcess = 0;
DWORD g_lastFindTick = 0;
LONG g_foundAtInstall = -1;  // g_installs when the main window was last looked for
DWORD g_lastRescanTick = 0;
ButtonShareMapping g_share;
DWORD g_lastShareTry = 0;
HWND g_pressWindow = nullptr;  // the title bar that took the last left press in this process

// A lost main window is looked for again at most this often.
constexpr DWORD kFindIntervalMs = 1000;
// Windows that appear closer together than this share one rescan request. The main window's
// pass follows a request by at least one timer period (10 ms), so a window that appeared
// within this interval already exists when the pass walks the windows.
constexpr DWORD kRescanIntervalMs = 8;
// Return value of a mouse hook that drops the event.
constexpr LRESULT kSwallow = 1;

HWND FindMainWindow() {
  HWND main = FindWindowA(kMainWindowClass, kMainWindowCaption);
  DWORD pid = 0;
  if (main) GetWindowThreadProcessId(main, &pid);
  g_mainProcess = pid;
  g_mainWindow = pid ? main : nullptr;
  g_lastFindTick = GetTickCount();
  g_foundAtInstall = g_installs;
  return g_mainWindow;
}

// The main window, or null when there is none; cheap on the usual path. A handle kept from an
// earlier run may since name another program's window: it counts only while its process is
// still the one it was found in.
HWND MainWindow() {
  HWND main = g_mainWindow;
  DWORD pid = 0;
  const bool sameInstall = g_foundAtInstall == g_installs;
  if (sameInstall && main && GetWindowThreadProcessId(main, &pid) && pid == g_mainProcess) return main;
  if (sameInstall && GetTickCount() - g_lastFindTick < kFindIntervalMs) return nullptr;
  return FindMainWindow();
}

// True for a top-level window that the installed hook reports.
bool Reported(HWND window) {
  const LONG mask = g_styleMask;
  if (!window || mask == 0) return false;
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  return (style & WS_CHILD) == 0 && (style & mask) == mask;
}

// The main window when `window` is to be reported, else null. The program's own windows
// (and the main window itself) are never reported.
HWND ReceiverFor(HWND window) {
  if (!Reported(window)) return nullptr;
  HWND main = MainWindow();
  if (!main || GetCurrentProcessId() == g_mainProcess) return nullptr;
  return main;
}

void Post(HWND main, UINT msg, HWND window, WPARAM wp = 0) {
  PostMessageA(main, msg, wp, WindowToParam(window));
}

// Asks for a redraw once the owner's painting is on the screen. Under Wine a thread's painting
// reaches the screen when the thread next looks at its queue, which a busy thread may do only
// after the main window has drawn the button; that late copy would wipe the button out.
// GetQueueStatus(0) makes Wine copy it now; it only reads state, and on Windows does nothing
// more than that.
void PostRedraw(HWND main, UINT msg, HWND window) {
  GetQueueStatus(0);
  Post(main, msg, window);
}

// The main window's share, opened on first need; looked for again at most once a second.
const ButtonShare* Share() {
  if (ButtonShare* share = g_share.get()) return share;
  const DWORD now = GetTickCount();
  if (g_lastShareTry && now - g_lastShareTry < kFindIntervalMs) return nullptr;
  g_lastShareTry = now;
  return g_share.Open() ? g_share.get() : nullptr;
}

// Draws the button the main window has drawn on this window, in the owner's own thread; false
// when it could not (the window is not in the table, the share is being written, no DC).
bool DrawInOwner(HWND window) {
  if (!IsWindowVisible(window) || IsIconic(window)) return false;
  const ButtonShare* share = Share();
  if (!share) return false;
  SharedPicture picture;  // where the pixels stand in the share: nothing is copied or allocated
  if (!ReadSharedPicture(*share, window, picture)) return false;
  RECT wr;
  if (!GetWindowRect(window, &wr)) return false;
  const RECT b = ProgramButtonRect(wr.right - wr.left, SystemFrameMetrics());
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC dc = GetWindowDC(window);
  if (!dc) return false;
  const int lines = SetDIBitsToDevice(dc, b.left, b.top, static_cast<DWORD>(picture.width),
                                      static_cast<DWORD>(picture.height), 0, 0, 0, static_cast<UINT>(picture.height),
                                      picture.pixels, &info, DIB_RGB_COLORS);
  ReleaseDC(window, dc);
  // A write that began meanwhile may have torn the picture: the main window draws it again.
  return lines > 0 && SharedPictureStillValid(*share, picture);
}

void RequestRescan(HWND main) {
  const DWORD now = GetTickCount();
  if (now - g_lastRescanTick < kRescanIntervalMs) return;
  g_lastRescanTick = now;
  PostMessageA(main, HM_RESCAN, 0, 0);
}

bool PointOnButton(HWND window, POINT screen) {
  if (IsIconic(window)) return false;
  RECT wr;
  if (!GetWindowRect(window, &wr)) return false;
  const RECT button = ProgramButtonRect(wr.right - wr.left, SystemFrameMetrics());
  return HitsButtonStrict(button, POINT{screen.x - wr.left, screen.y - wr.top});
}

void AfterWindowProc(const CWPRETSTRUCT& r) {
  UINT report = 0;
  bool shown = false;
  if (!g_drawMessage) g_drawMessage = RegisterWindowMessageA(kDrawButtonMessage);
  if (g_drawMessage && r.message == g_drawMessage) {
    // Answered either way: the main window sends no other until then.
    if (HWND main = ReceiverFor(r.hwnd)) {
      DrawInOwner(r.hwnd);
      Post(main, HM_OWNERDREW, r.hwnd);
    }
    return;
  }
  switch (r.message) {
    case WM_NCPAINT:
    case WM_SETTEXT:
    case WM_SETICON: report = HM_REDRAW; break;
    case WM_NCACTIVATE: report = HM_REDRAWTWICE; break;
    case WM_WINDOWPOSCHANGED: {
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(r.lParam);
      if (!pos) return;
      shown = (pos->flags & SWP_SHOWWINDOW) != 0;
      if (!(pos->flags & SWP_NOSIZE)) report = HM_REFRESH;
      if (!shown && !report) return;
      break;
    }
    default: return;
  }
  HWND main = ReceiverFor(r.hwnd);
  if (!main) return;
  if (shown) RequestRescan(main);
  if (!report) return;
  // What the owner drew after its own painting needs no second copy from the main window. A new
  // size (the main window keeps where each button is) and an activation (some programs repaint
  // the title bar once more later) still ask for one.
  if (DrawInOwner(r.hwnd) && report == HM_REDRAW) return;
  PostRedraw(main, report, r.hwnd);
}

LRESULT CALLBACK CallWndRetProc(int code, WPARAM wp, LPARAM lp) {
  if (code == HC_ACTION && lp) AfterWindowProc(*reinterpret_cast<const CWPRETSTRUCT*>(lp));
  return CallNextHookEx(g_callWndRetHook, code, wp, lp);
}

// A left press in a title bar; true when it is on the button and must not reach the window.
bool CaptionPress(int code, const MOUSEHOOKSTRUCT& m) {
  HWND main = ReceiverFor(m.hwnd);
  if (!main) return false;
  // Only where the button shows: a window the main window has published, under a style with
  // pictures. Anywhere else (a program outside the list, a window past the table) the press is
  // the program's.
  const ButtonShare* share = Share();
  const bool onButton = GetPropA(main, kButtonShownProperty) && share && ShareListsWindow(*share, m.hwnd) &&
                        PointOnButton(m.hwnd, m.pt);
  // A press that stays in the queue (HC_NOREMOVE) is reported when it is taken, unless it is
  // swallowed now, which removes it.
  if (code == HC_ACTION || onButton) {
    g_pressWindow = m.hwnd;
    Post(main, HM_BUTTONDOWN, m.hwnd, onButton ? kPointOnButton : kPointOffButton);
  }
  return onButton;
}

void Release(HWND window, POINT screen) {
  g_pressWindow = nullptr;
  if (HWND main = ReceiverFor(window))
    Post(main, HM_BUTTONUP, window, PointOnButton(window, screen) ? kPointOnButton : kPointOffButton);
}

// True when the event is to be dropped.
bool OnMouse(int code, UINT msg, const MOUSEHOOKSTRUCT& m) {
  switch (msg) {
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      if (m.wHitTestCode == HTCAPTION) return CaptionPress(code, m);
      if (code == HC_ACTION) g_pressWindow = nullptr;
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (code == HC_ACTION) g_pressWindow = nullptr;
      return false;
    case WM_NCLBUTTONUP:
      // After a press on the button, or a click that did not move the window.
      if (code == HC_ACTION && m.wHitTestCode == HTCAPTION) Release(m.hwnd, m.pt);
      return false;
    case WM_LBUTTONUP:
      // After the move loop that a title-bar press starts, the release comes as a client one.
      if (code == HC_ACTION && g_pressWindow) Release(g_pressWindow, m.pt);
      return false;
    case WM_NCRBUTTONUP:
      if (code == HC_ACTION && m.wHitTestCode == HTMINBUTTON)
        if (HWND main = ReceiverFor(m.hwnd)) Post(main, HM_MINBUTTON, m.hwnd);
      return false;
    default: return false;
  }
}

LRESULT CALLBACK MouseProc(int code, WPARAM wp, LPARAM lp) {
  bool swallow = false;
  if ((code == HC_ACTION || code == HC_NOREMOVE) && lp)
    swallow = OnMouse(code, static_cast<UINT>(wp), *reinterpret_cast<const MOUSEHOOKSTRUCT*>(lp));
  const LRESULT next = CallNextHookEx(g_mouseHook, code, wp, lp);
  return swallow ? kSwallow : next;
}

void Unhook() {
  if (g_callWndRetHook) UnhookWindowsHookEx(g_callWndRetHook);
  if (g_mouseHook) UnhookWindowsHookEx(g_mouseHook);
  g_callWndRetHook = nullptr;
  g_mouseHook = nullptr;
}

void Install(LONG styleMask) {
  // Handles still stored here belong to a run that was killed: Windows removed those hooks with
  // its thread, Wine keeps calling them. This run sets its own either way, and only once.
  Unhook();
  InterlockedIncrement(&g_installs);
  FindMainWindow();
  g_lastRescanTick = 0;
  g_styleMask = styleMask;
  g_callWndRetHook = SetWindowsHookExA(WH_CALLWNDPROCRET, CallWndRetProc, g_instance, 0);
  g_mouseHook = SetWindowsHookExA(WH_MOUSE, MouseProc, g_instance, 0);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    g_instance = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

void SetHook() { Install(kMainWindowStyleMask); }

void SetHookAll() { Install(kAnyWindowStyleMask); }

void DeleteHook() {
  g_styleMask = 0;
  Unhook();
  g_mainWindow = nullptr;
  g_mainProcess = 0;
}
