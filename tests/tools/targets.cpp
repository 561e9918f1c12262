// Test tool run under Wine by the end-to-end driver: makes target windows in a process of its
// own, owns a recording tray on demand, and answers one line per command read from stdin.
//
//   --hold                     keep a small window open so the desktop stays up
//   --record FILE ARG          append ARG as a line to FILE and end (a file association's program)
//   make X Y W H TITLE         new overlapped window; answers its handle
//   close H | title H TEXT | fg H | maximize H | minimize H | restore H | hide H | show H
//   titlew H TEXT              the title from UTF-8 text, set with SetWindowTextW (the target
//                              windows are of a UTF-16 class: every character stays)
//   stylelog H                 the extended styles H was given (WM_STYLECHANGED), oldest first:
//                              "N" then " 0xE" each; the log is emptied
//   state H                    exists vis iconic zoomed fg exstyle style alpha x y w h, the screen
//                              rectangles button=L,T,R,B (the caption button's) and min=L,T,R,B
//                              (the minimize button's) by the program's geometry, title
//   cursor                     where the system has the pointer now: "X Y"
//   picture NAME               a built-in caption-button picture (Up Down UpXP DownXP): "W H" and
//                              RRGGBB for each pixel, row by row
//   post H MSG WP LP | send H MSG WP LP   (numbers in hex or decimal, or MSG the name of a
//                              registered message; send answers the result)
//   find CLASS CAPTION         handle of the first match ("-" for none)
//   hang MS                    the window thread stops pumping for MS milliseconds
//   tray                       become the tray: a topmost Shell_TrayWnd that records every call
//   traylog                    recorded calls, one per line, then "end"
//   broadcast NAME             post the registered message NAME to every top-level window
//   ncpaint H N                send H N title-bar repaints, answers the milliseconds taken
//   ncpaintdraw H N            the same, each followed by one picture drawn where the caption
//                              button goes, as the hook library draws it (without any hook)
//   pid H                      process id of the window's owner ("-" when there is no window)
//   modules PID                the files of the modules loaded in that process (0: this one), one
//                              a line after the count
//   priority PID               priority class of a process in hex ("error" when it cannot be read)
//   toplevel CLASS CAPTION     top-level windows that match ("-" matches any class or caption):
//                              "N" then one "0xH:vis=V:ex=0xE:style=0xS:owner=0xO:taskbar=T:pid=P"
//                              each; taskbar=1 when the shell would give it a task bar button
//   file exists PATH           1 or 0
//   file writable PATH         1 when the file opens for writing, else 0
//   file lock PATH             hold the file open for reading with no write sharing, so that
//                              no one can write it (even where permission bits do not bind)
//   file unlock                close every file held by "file lock"
//   windir                     the Windows directory
//   kill PID                   terminate that process ("ok" or "error")
//   reg set KEY NAME VALUE     REG_SZ value under HKEY_CURRENT_USER\KEY ("ok" or "error N")
//   reg del KEY NAME           delete that value ("ok" also when it was not there)
//   makestyle STYLE[:EX] X Y W H TITLE   like make, with that window style (and extended style)
//   makeown X Y W H TITLE      like make, a window whose client area takes the whole window: it
//                              draws its own title bar
//   makeclose MODE X Y W H TITLE    like make; on WM_CLOSE the window "refuse"s, "ask"s with a
//                              Yes/No box titled "Close TITLE?" (Yes closes), or closes and
//                              ends this process ("quit")
//   child H X Y W H            a captioned child window inside H; answers its handle
//   move H X Y W H             SetWindowPos to that place and size
//   hanghit H MS               the next hit test H is asked (WM_NCHITTEST, from whoever) takes MS
//                              milliseconds before H's thread answers it or anything else
//   silent H                   H announces nothing from now on, as no program does under Wine
//   cloak H 1|0                H says it was cloaked (another virtual desktop) or uncloaked
//                              (EVENT_OBJECT_CLOAKED or UNCLOAKED); it stays shown under Wine
//   frame H                    the owner repaints H's frame at once (RedrawWindow)
//   fakemain [button [H ...]]  a recording stand-in for Corvel's main window (its class and
//                              caption); "button": it says a caption button is drawn, on the
//                              windows H (every top-level window when none is named)
//   hook set|all|delete        call SetHook, SetHookAll or DeleteHook of Hooks.dll
//   hooklog                    messages the stand-in got: "MSG LPARAM CURSORX CURSORY" a line,
//                              then "end"
//   answer H                   milliseconds H's thread took to answer a sent WM_NULL, or
//                              "timeout" after 2 s
//   paintover H L T R B        fill that rectangle of H's whole window (window-relative) in
//                              magenta, drawn from this process: H's owner is told nothing
//   postwatch M MSG RGB H X Y [H X Y ...]   post MSG to M, then watch each window's pixel
//                              (X, Y) in turn until it is RGB (hex RRGGBB): the microseconds at
//                              which each one was, or "timeout" after 5 s
//   movewatch H X Y W HT B BX  move H with SetWindowPos, then answer sent messages and watch
//                              window B until its left edge is at BX: "MOVE_US FOLLOW_US", the
//                              move's own time and the time after it until B was there, or
//                              "timeout" after 5 s
//   redrawwatch H X Y RGB      have H's owner repaint its frame, then watch the pixel go from
//                              RGB to another colour and back: "ERASED_US DRAWN_US", "unseen"
//                              when no read saw it gone within 0.5 s, or "timeout"
//   traydel HWND UID           Shell_NotifyIcon NIM_DELETE of that icon, as a forgetful tray
//                              would ("ok" or "error")
//   menus                      visible popup menus (class "#32768"): "N" then " x,y,w,h" each
//   tips                       visible tooltips: "N" then " x,y,w,h:TEXT" each (TEXT in UTF-8),
//                              one per line after the count, then "end"
//   trayround M MSG WP LP W V  with "tray" made here: post MSG to M, then pump and watch until
//                              W's visibility is V and the tray got an add (V=0) or a delete
//                              (V=1) of the icon with uID W: "VIS_US TRAY_US", microseconds
//                              after the post, or "timeout" after 5 s
//   guiinfo H                  of the thread of window H: "active=0xA focus=0xF menuowner=0xM
//                              flags=0xF", and the foreground window "fg=0xG"
//   children H                 every window inside H: "N" then, each after a tab,
//                              "0xC|PARENT|ID|CLASS|VIS|ENABLED|X|Y|W|H|TEXT" (place in H's client area;
//                              line breaks and tabs of the text as blanks)
//   ctl H ID                   the descendant window of H with control id ID ("-" for none)
//   lvitems H                  the items of list view H (of any process): one line each,
//                              "CHECKED<TAB>SELECTED<TAB>x,y,w,h<TAB>TEXT<TAB>COLUMN-1-TEXT" (the
//                              item's rectangle on the screen), then "end"
//   quit
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>
#include "platform/button_share.h"
#include "platform/caption_geometry.h"
#include "platform/messages.h"
#include "platform/win_event_hook.h"
#include "resources/button_images.h"
#include "tests/tools/tool_io.h"

namespace {

using namespace corvel::tool;

constexpr UINT kCommandMessage = WM_APP + 1;
HWND g_commandWindow = nullptr;

struct TrayCall {
  DWORD code;
  unsigned hwnd, uid, flags, callback;
  std::string tip;
  std::string wideTip;  // UTF-16LE in hexadecimal, as the tray got it
  unsigned iconWidth, iconHeight;
};
std::vector<TrayCall> g_trayCalls;
// Extended styles the target windows were given, by window.
std::vector<std::pair<HWND, DWORD>> g_exStyles;

std::string Utf8(const wchar_t* text) {
  char out[1024] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out - 1, nullptr, nullptr);
  return out;
}

std::string HexUtf16(const wchar_t* text) {
  std::string out;
  char b[8];
  for (; *text; ++text) {
    std::snprintf(b, sizeof b, "%02x%02x", *text & 0xFF, (*text >> 8) & 0xFF);
    out += b;
  }
  return out.empty() ? "-" : out;
}
std::vector<HANDLE> g_lockedFiles;

constexpr char kCloseModeProperty[] = "CorvelTargetCloseMode";
enum CloseMode : UINT_PTR { kCloseNormally, kCloseRefuse, kCloseAsk, kCloseQuit };
constexpr char kIconicProperty[] = "CorvelTargetIconic";
constexpr char kOwnCaptionProperty[] = "CorvelTargetOwnCaption";
constexpr char kSilentProperty[] = "CorvelTargetSilent";
constexpr char kHangHitProperty[] = "CorvelTargetHangHit";  // milliseconds
bool g_nextOwnCaption = false;  // the window being made draws its own title bar

// Windows raises these WinEvents for every window after such a change; Wine 8 raises none of
// them, so the target windows raise them themselves, as the system would.
void Announce(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (GetPropA(hwnd, kSilentProperty)) return;
  const auto raise = [hwnd](DWORD event) { NotifyWinEvent(event, hwnd, OBJID_WINDOW, CHILDID_SELF); };
  if (msg == WM_WINDOWPOSCHANGED) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lp);
    const bool iconic = IsIconic(hwnd) != 0;
    if (iconic != (GetPropA(hwnd, kIconicProperty) != nullptr)) {
      if (iconic) SetPropA(hwnd, kIconicProperty, hwnd);
      else RemovePropA(hwnd, kIconicProperty);
      raise(iconic ? EVENT_SYSTEM_MINIMIZESTART : EVENT_SYSTEM_MINIMIZEEND);
    }
    if (pos->flags & SWP_SHOWWINDOW) raise(EVENT_OBJECT_SHOW);
    if (pos->flags & SWP_HIDEWINDOW) raise(EVENT_OBJECT_HIDE);
    if ((pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) raise(EVENT_OBJECT_LOCATIONCHANGE);
  } else if (msg == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE) {
    raise(EVENT_SYSTEM_FOREGROUND);
  } else if (msg == WM_DESTROY) {
    raise(EVENT_OBJECT_DESTROY);
  }
}

LRESULT CALLBACK TargetProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  const auto mode = reinterpret_cast<UINT_PTR>(GetPropA(hwnd, kCloseModeProperty));
  if (msg == WM_CLOSE && mode == kCloseRefuse) return 0;
  if (msg == WM_CLOSE && mode == kCloseAsk) {
    char title[256] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    if (MessageBoxA(hwnd, "Save changes?", (std::string("Close ") + title + "?").c_str(), MB_YESNO) == IDYES)
      DestroyWindow(hwnd);
    return 0;
  }
  if (msg == WM_DESTROY && mode == kCloseQuit) PostQuitMessage(0);
  Announce(hwnd, msg, wp, lp);
  if (msg == WM_NCHITTEST && GetPropA(hwnd, kHangHitProperty)) {
    const auto ms = reinterpret_cast<UINT_PTR>(RemovePropA(hwnd, kHangHitProperty));
    Sleep(static_cast<DWORD>(ms));
  }
  if (msg == WM_NCCREATE && g_nextOwnCaption) SetPropA(hwnd, kOwnCaptionProperty, hwnd);
  if (msg == WM_NCCALCSIZE && GetPropA(hwnd, kOwnCaptionProperty)) return 0;
  if (msg == WM_NCDESTROY) {
    RemovePropA(hwnd, kCloseModeProperty);
    RemovePropA(hwnd, kIconicProperty);
    RemovePropA(hwnd, kOwnCaptionProperty);
    RemovePropA(hwnd, kSilentProperty);
  }
  if (msg == WM_STYLECHANGED && wp == static_cast<WPARAM>(GWL_EXSTYLE))
    g_exStyles.emplace_back(hwnd, reinterpret_cast<const STYLESTRUCT*>(lp)->styleNew);
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK TrayProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COPYDATA) {
    const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    const auto* d = static_cast<const unsigned char*>(cds->lpData);
    TrayCall c{};
    c.code = static_cast<DWORD>(cds->dwData);
    if (cds->cbData >= 16 + 256) {
      std::memcpy(&c.hwnd, d + 0, 4);
      std::memcpy(&c.uid, d + 4, 4);
      std::memcpy(&c.flags, d + 8, 4);
      std::memcpy(&c.callback, d + 12, 4);
      const auto* tip = reinterpret_cast<const wchar_t*>(d + 16);
      char narrow[256] = {};
      WideCharToMultiByte(CP_ACP, 0, tip, -1, narrow, sizeof narrow - 1, nullptr, nullptr);
      c.tip = narrow;
      c.wideTip = HexUtf16(tip);
      if (cds->cbData >= 952) {
        std::memcpy(&c.iconWidth, d + 944, 4);
        std::memcpy(&c.iconHeight, d + 948, 4);
      }
    }
    g_trayCalls.push_back(c);
    return TRUE;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void RegisterClasses() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = TargetProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = L"CorvelTarget";
  RegisterClassW(&wc);
  WNDCLASSA tray{};
  tray.lpfnWndProc = TrayProc;
  tray.hInstance = GetModuleHandleA(nullptr);
  tray.lpszClassName = "Shell_TrayWnd";
  RegisterClassA(&tray);
}

std::string State(HWND h) {
  if (!IsWindow(h)) return "exists=0";
  RECT r{};
  GetWindowRect(h, &r);
  BYTE alpha = 255;
  DWORD flags = 0;
  COLORREF key = 0;
  const BOOL layered = GetLayeredWindowAttributes(h, &key, &alpha, &flags);
  char title[256] = {};
  GetWindowTextA(h, title, sizeof title);
  // The caption button's and the minimize button's places by the program's own geometry.
  const corvel::FrameMetrics m = corvel::SystemFrameMetrics();
  RECT button = corvel::ProgramButtonRect(r.right - r.left, m), minimize = corvel::MinimizeButtonRect(r.right - r.left, m);
  OffsetRect(&button, r.left, r.top);
  OffsetRect(&minimize, r.left, r.top);
  char b[640];
  std::snprintf(b, sizeof b, "exists=1 vis=%d iconic=%d zoomed=%d fg=%d exstyle=0x%lx style=0x%lx alpha=%d x=%ld y=%ld w=%ld h=%ld "
                "button=%ld,%ld,%ld,%ld min=%ld,%ld,%ld,%ld title=%s",
                IsWindowVisible(h) ? 1 : 0, IsIconic(h) ? 1 : 0, IsZoomed(h) ? 1 : 0, GetForegroundWindow() == h ? 1 : 0,
                static_cast<unsigned long>(GetWindowLongA(h, GWL_EXSTYLE)),
                static_cast<unsigned long>(GetWindowLongA(h, GWL_STYLE)), layered ? alpha : -1, r.left, r.top,
                r.right - r.left, r.bottom - r.top, button.left, button.top, button.right, button.bottom, minimize.left,
                minimize.top, minimize.right, minimize.bottom, title);
  return b;
}

// A built-in picture of the caption button at its own size: "W H" and a hex RRGGBB a pixel.
std::string PictureReply(const std::string& name) {
  static const std::pair<const char*, corvel::ButtonImage> kNames[] = {
      {"Up", corvel::ButtonImage::Up}, {"Down", corvel::ButtonImage::Down},
      {"UpXP", corvel::ButtonImage::UpXP}, {"DownXP", corvel::ButtonImage::DownXP}};
  for (const auto& [n, image] : kNames) {
    if (name != n) continue;
    const SIZE size = corvel::ButtonImageSize(image);
    std::string out = std::to_string(size.cx) + " " + std::to_string(size.cy);
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < size.cx; ++x) {
        const COLORREF c = corvel::ButtonImagePixel(image, x, y);
        char px[8];
        std::snprintf(px, sizeof px, " %02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
        out += px;
      }
    return out;
  }
  return "error";
}

// What the hook library does to draw the caption button after a repaint, and nothing more.
void DrawButtonPlace(HWND window) {
  static DWORD pixels[16 * 16];
  RECT wr{};
  if (!GetWindowRect(window, &wr)) return;
  const RECT b = corvel::ProgramButtonRect(wr.right - wr.left, corvel::SystemFrameMetrics());
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 16;
  info.bmiHeader.biHeight = -16;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  HDC dc = GetWindowDC(window);
  if (!dc) return;
  SetDIBitsToDevice(dc, b.left, b.top, 16, 16, 0, 0, 0, 16, pixels, &info, DIB_RGB_COLORS);
  ReleaseDC(window, dc);
}

// The rule by which the shell gives a top-level window a task bar button.
bool HasTaskbarButton(HWND h) {
  const LONG ex = GetWindowLongA(h, GWL_EXSTYLE);
  if (!IsWindowVisible(h)) return false;
  if (ex & WS_EX_APPWINDOW) return true;
  return GetWindow(h, GW_OWNER) == nullptr && !(ex & WS_EX_TOOLWINDOW);
}

struct TopLevelQuery {
  std::string cls, caption;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND h, LPARAM lp) {
  auto* q = reinterpret_cast<TopLevelQuery*>(lp);
  char cls[256] = {};
  char caption[512] = {};
  GetClassNameA(h, cls, sizeof cls);
  GetWindowTextA(h, caption, sizeof caption);
  if ((q->cls == "-" || q->cls == cls) && (q->caption == "-" || q->caption == caption)) q->found.push_back(h);
  return TRUE;
}

std::string TopLevel(const std::string& cls, const std::string& caption) {
  TopLevelQuery q{cls, caption.empty() ? "-" : caption, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&q));
  std::string out = std::to_string(q.found.size());
  for (HWND h : q.found) {
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    char b[200];
    std::snprintf(b, sizeof b, " %s:vis=%d:ex=0x%lx:style=0x%lx:owner=%s:taskbar=%d:pid=%lu", Hex(h).c_str(),
                  IsWindowVisible(h) ? 1 : 0, static_cast<unsigned long>(GetWindowLongA(h, GWL_EXSTYLE)),
                  static_cast<unsigned long>(GetWindowLongA(h, GWL_STYLE)), Hex(GetWindow(h, GW_OWNER)).c_str(),
                  HasTaskbarButton(h) ? 1 : 0, static_cast<unsigned long>(pid));
    out += b;
  }
  return out;
}

BOOL CALLBACK CollectChild(HWND h, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(h);
  return TRUE;
}

std::string Children(HWND parent) {
  std::vector<HWND> found;
  if (IsWindow(parent)) EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&found));
  std::string out = std::to_string(found.size());
  for (HWND h : found) {
    char cls[128] = {};
    char text[4096] = {};
    GetClassNameA(h, cls, sizeof cls);
    // WM_GETTEXT, not GetWindowText: the text of another process's control. On one line.
    SendMessageTimeoutA(h, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    for (char* c = text; *c; ++c)
      if (*c == '\r' || *c == '\n' || *c == '\t') *c = ' ';
    RECT r{};
    GetWindowRect(h, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    char b[400];
    std::snprintf(b, sizeof b, "\t%s|%s|%ld|%s|%d|%d|%ld|%ld|%ld|%ld|", Hex(h).c_str(), Hex(GetParent(h)).c_str(),
                  static_cast<long>(GetDlgCtrlID(h)), cls, IsWindowVisible(h) ? 1 : 0, IsWindowEnabled(h) ? 1 : 0,
                  r.left, r.top,
                  r.right - r.left, r.bottom - r.top);
    out += b;
    out += text;
  }
  return out;
}

std::string Priority(DWORD pid) {
  HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  if (!p) return "error";
  const DWORD cls = GetPriorityClass(p);
  CloseHandle(p);
  if (!cls) return "error";
  char b[16];
  std::snprintf(b, sizeof b, "0x%lx", static_cast<unsigned long>(cls));
  return b;
}

std::string Registry(const std::string& op, const std::string& key, const std::string& name, const std::string& value) {
  HKEY k = nullptr;
  LONG r = op == "set" ? RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr)
                       : RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, &k);
  if (r != ERROR_SUCCESS) return op == "del" && r == ERROR_FILE_NOT_FOUND ? "ok" : "error " + std::to_string(r);
  if (op == "set")
    r = RegSetValueExA(k, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
  else
    r = RegDeleteValueA(k, name.c_str());
  RegCloseKey(k);
  if (r == ERROR_SUCCESS || (op == "del" && r == ERROR_FILE_NOT_FOUND)) return "ok";
  return "error " + std::to_string(r);
}

// ---- Caption button and hook library commands

struct HookMessage {
  UINT msg;
  LPARAM lp;
  POINT cursor;
};
std::vector<HookMessage> g_hookMessages;
HWND g_fakeMain = nullptr;
HMODULE g_hooks = nullptr;

LRESULT CALLBACK FakeMainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg >= corvel::kFirstHookMessage && msg <= corvel::kLastHookMessage) {
    HookMessage m{msg, lp, {}};
    GetCursorPos(&m.cursor);
    g_hookMessages.push_back(m);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// The stand-in's share: the windows it says carry a button.
corvel::ButtonShareMapping g_fakeShare;

BOOL CALLBACK ListForShare(HWND window, LPARAM list) {
  auto* windows = reinterpret_cast<std::vector<HWND>*>(list);
  if (windows->size() < corvel::kShareWindows) windows->push_back(window);
  return TRUE;
}

void PublishFakeShare(std::vector<HWND> windows, bool every) {
  if (!g_fakeShare.get() && !g_fakeShare.Create()) return;
  if (every) EnumWindows(ListForShare, reinterpret_cast<LPARAM>(&windows));
  corvel::ButtonShare& share = *g_fakeShare.get();
  corvel::RepairShareSequence(share);
  corvel::BeginShareWrite(share);
  share.count = 0;
  for (HWND w : windows)
    if (share.count < corvel::kShareWindows) share.windows[share.count++].Store(w);
  share.width = share.height = 0;  // nothing for the owners to draw: the stand-in draws nothing
  corvel::EndShareWrite(share);
}

HWND MakeFakeMain(bool button, const std::vector<HWND>& listed = {}) {
  if (!IsWindow(g_fakeMain)) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = FakeMainProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = corvel::kMainWindowClass;
    RegisterClassA(&wc);
    g_fakeMain = CreateWindowExA(0, corvel::kMainWindowClass, corvel::kMainWindowCaption, WS_POPUP, -100, -100, 10, 10,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  }
  if (button) SetPropA(g_fakeMain, corvel::kButtonShownProperty, g_fakeMain);
  else RemovePropA(g_fakeMain, corvel::kButtonShownProperty);
  PublishFakeShare(listed, button && listed.empty());
  g_hookMessages.clear();
  return g_fakeMain;
}

std::string CallHooks(const std::string& op) {
  if (!g_hooks) g_hooks = LoadLibraryA("Hooks.dll");
  const char* name = op == "set" ? "SetHook" : op == "all" ? "SetHookAll" : op == "delete" ? "DeleteHook" : nullptr;
  if (!g_hooks || !name) return "error";
  auto fn = reinterpret_cast<void (*)()>(GetProcAddress(g_hooks, name));
  if (!fn) return "error";
  fn();
  return "ok";
}

HWND MakeWindow(DWORD style, int x, int y, int w, int h, const std::string& title, HWND parent, DWORD exStyle = 0) {
  HWND hwnd = CreateWindowExA(exStyle, "CorvelTarget", title.c_str(), style, x, y, w, h, parent, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);
  return hwnd;
}

bool HandleCaptionCommand(const std::string& cmd, std::istringstream& in) {
  auto rest = [&in] {
    std::string s;
    std::getline(in, s);
    if (!s.empty() && s[0] == ' ') s.erase(0, 1);
    return s;
  };
  if (cmd == "makestyle") {
    std::string style;
    int x, y, w, h;
    in >> style >> x >> y >> w >> h;
    const size_t colon = style.find(':');
    const DWORD exStyle = colon == std::string::npos ? 0 : static_cast<DWORD>(Num(style.substr(colon + 1)));
    Reply(Hex(MakeWindow(Num(style.substr(0, colon)), x, y, w, h, rest(), nullptr, exStyle)));
  } else if (cmd == "makeown") {
    int x, y, w, h;
    in >> x >> y >> w >> h;
    g_nextOwnCaption = true;
    const HWND hwnd = MakeWindow(WS_OVERLAPPEDWINDOW, x, y, w, h, rest(), nullptr);
    g_nextOwnCaption = false;
    Reply(Hex(hwnd));
  } else if (cmd == "makeclose") {
    std::string mode;
    int x, y, w, h;
    in >> mode >> x >> y >> w >> h;
    const UINT_PTR m = mode == "refuse" ? kCloseRefuse : mode == "ask" ? kCloseAsk : mode == "quit" ? kCloseQuit : kCloseNormally;
    HWND hwnd = MakeWindow(WS_OVERLAPPEDWINDOW, x, y, w, h, rest(), nullptr);
    SetPropA(hwnd, kCloseModeProperty, reinterpret_cast<HANDLE>(m));
    Reply(Hex(hwnd));
  } else if (cmd == "child") {
    std::string parent;
    int x, y, w, h;
    in >> parent >> x >> y >> w >> h;
    Reply(Hex(MakeWindow(WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y, w, h, "child", H(parent))));
  } else if (cmd == "move") {
    std::string hwnd;
    int x, y, w, h;
    in >> hwnd >> x >> y >> w >> h;
    SetWindowPos(H(hwnd), nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
    Reply("ok");
  } else if (cmd == "frame") {
    std::string hwnd;
    in >> hwnd;
    RedrawWindow(H(hwnd), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    Reply("ok");
  } else if (cmd == "answer") {
    std::string hwnd;
    in >> hwnd;
    DWORD_PTR r = 0;
    const DWORD start = GetTickCount();
    const bool ok = SendMessageTimeoutA(H(hwnd), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &r) != 0;
    Reply(ok ? std::to_string(GetTickCount() - start) : "timeout");
  } else if (cmd == "fakemain") {
    std::string word;
    const bool button = static_cast<bool>(in >> word) && word == "button";
    std::vector<HWND> listed;
    for (std::string h; in >> h;) listed.push_back(H(h));
    Reply(Hex(MakeFakeMain(button, listed)));
  } else if (cmd == "hook") {
    Reply(CallHooks(rest()));
  } else if (cmd == "hooklog") {
    MSG m;  // take what has been posted so far
    while (PeekMessageA(&m, g_fakeMain, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    for (const HookMessage& h : g_hookMessages) {
      char b[96];
      std::snprintf(b, sizeof b, "0x%x %s %ld %ld", h.msg, Hex(static_cast<UINT_PTR>(h.lp)).c_str(), h.cursor.x, h.cursor.y);
      Reply(b);
    }
    g_hookMessages.clear();
    Reply("end");
  } else {
    return false;
  }
  return true;
}

// ---- Tray and menu commands

struct ClassQuery {
  const char* cls;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectVisible(HWND h, LPARAM lp) {
  auto* q = reinterpret_cast<ClassQuery*>(lp);
  char cls[64] = {};
  GetClassNameA(h, cls, sizeof cls);
  if (std::strcmp(cls, q->cls) == 0 && IsWindowVisible(h)) q->found.push_back(h);
  return TRUE;
}

std::string Rect(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  char b[64];
  std::snprintf(b, sizeof b, "%ld,%ld,%ld,%ld", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return b;
}

double MicrosecondsSince(const LARGE_INTEGER& from) {
  LARGE_INTEGER now, freq;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&freq);
  return static_cast<double>(now.QuadPart - from.QuadPart) * 1e6 / static_cast<double>(freq.QuadPart);
}

// Posts a request to Corvel's main window and times its two effects: the window's visibility
// and the tray call for its icon, which this thread's recording tray must pump to receive.
std::string TrayRound(HWND main, UINT msg, WPARAM wp, LPARAM lp, HWND window, bool visible) {
  constexpr double kLimitUs = 5e6;
  const DWORD wanted = visible ? NIM_DELETE : NIM_ADD;
  const size_t seen = g_trayCalls.size();
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  PostMessageA(main, msg, wp, lp);
  double visUs = -1, trayUs = -1;
  while ((visUs < 0 || trayUs < 0) && MicrosecondsSince(start) < kLimitUs) {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
    if (visUs < 0 && (IsWindowVisible(window) != FALSE) == visible) visUs = MicrosecondsSince(start);
    for (size_t i = seen; trayUs < 0 && i < g_trayCalls.size(); ++i)
      if (g_trayCalls[i].code == wanted && g_trayCalls[i].uid == static_cast<unsigned>(reinterpret_cast<UINT_PTR>(window)))
        trayUs = MicrosecondsSince(start);
  }
  if (visUs < 0 || trayUs < 0) return "timeout";
  return std::to_string(static_cast<long>(visUs)) + " " + std::to_string(static_cast<long>(trayUs));
}

bool HandleTrayCommand(const std::string& cmd, std::istringstream& in) {
  if (cmd == "traydel") {
    std::string h, uid;
    in >> h >> uid;
    NOTIFYICONDATAA d{};
    d.cbSize = NOTIFYICONDATAA_V1_SIZE;
    d.hWnd = H(h);
    d.uID = Num(uid);
    Reply(Shell_NotifyIconA(NIM_DELETE, &d) ? "ok" : "error");
  } else if (cmd == "menus") {
    ClassQuery q{"#32768", {}};
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&q));
    std::string out = std::to_string(q.found.size());
    for (HWND m : q.found) out += " " + Rect(m);
    Reply(out);
  } else if (cmd == "tips") {
    ClassQuery q{TOOLTIPS_CLASSA, {}};
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&q));
    Reply(std::to_string(q.found.size()));
    for (HWND t : q.found) {
      wchar_t text[1024] = {};
      DWORD_PTR got = 0;
      SendMessageTimeoutW(t, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &got);
      Reply(Rect(t) + ":" + Utf8(text));
    }
    Reply("end");
  } else if (cmd == "trayround") {
    std::string m, msg, wp, lp, w;
    int v = 0;
    in >> m >> msg >> wp >> lp >> w >> v;
    Reply(TrayRound(H(m), Num(msg), Num(wp), Num(lp), H(w), v != 0));
  } else if (cmd == "guiinfo") {
    std::string h;
    in >> h;
    GUITHREADINFO gi{};
    gi.cbSize = sizeof gi;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(H(h), nullptr), &gi)) {
      Reply("error");
    } else {
      char b[160];
      std::snprintf(b, sizeof b, "active=%s focus=%s menuowner=%s flags=0x%lx fg=%s", Hex(gi.hwndActive).c_str(),
                    Hex(gi.hwndFocus).c_str(), Hex(gi.hwndMenuOwner).c_str(), static_cast<unsigned long>(gi.flags),
                    Hex(GetForegroundWindow()).c_str());
      Reply(b);
    }
  } else {
    return false;
  }
  return true;
}

// ---- Controls of other processes

struct FindById {
  int id;
  HWND found;
};

BOOL CALLBACK MatchId(HWND h, LPARAM lp) {
  auto* f = reinterpret_cast<FindById*>(lp);
  if (GetDlgCtrlID(h) != f->id) return TRUE;
  f->found = h;
  return FALSE;
}

// A list view's items, read through a buffer in its own process.
void ListViewItems(HWND list) {
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  constexpr int kTextChars = 512;
  const SIZE_T size = sizeof(LVITEMA) + kTextChars + sizeof(RECT);
  char* remote = process ? static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) : nullptr;
  if (!remote) {
    if (process) CloseHandle(process);
    Reply("end");
    return;
  }
  char* remoteText = remote + sizeof(LVITEMA);
  char* remoteRect = remoteText + kTextChars;
  auto text = [&](int index, int column) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = remoteText;
    item.cchTextMax = kTextChars;
    WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
    SendMessageA(list, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(remote));
    char local[kTextChars] = {};
    ReadProcessMemory(process, remoteText, local, kTextChars - 1, nullptr);
    return std::string(local);
  };
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    const UINT state = static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK | LVIS_SELECTED));
    RECT r{LVIR_BOUNDS, 0, 0, 0};
    WriteProcessMemory(process, remoteRect, &r, sizeof r, nullptr);
    SendMessageA(list, LVM_GETITEMRECT, i, reinterpret_cast<LPARAM>(remoteRect));
    ReadProcessMemory(process, remoteRect, &r, sizeof r, nullptr);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
    char head[96];
    std::snprintf(head, sizeof head, "%d\t%d\t%ld,%ld,%ld,%ld\t", ((state & LVIS_STATEIMAGEMASK) >> 12) == 2 ? 1 : 0,
                  (state & LVIS_SELECTED) ? 1 : 0, r.left, r.top, r.right - r.left, r.bottom - r.top);
    Reply(head + text(i, 0) + "\t" + text(i, 1));
  }
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  Reply("end");
}

bool HandleControlCommand(const std::string& cmd, std::istringstream& in) {
  if (cmd == "ctl") {
    std::string h, id;
    in >> h >> id;
    FindById f{static_cast<int>(Num(id)), nullptr};
    EnumChildWindows(H(h), MatchId, reinterpret_cast<LPARAM>(&f));
    Reply(f.found ? Hex(f.found) : "-");
  } else if (cmd == "lvitems") {
    std::string h;
    in >> h;
    ListViewItems(H(h));
  } else {
    return false;
  }
  return true;
}

// ---- Timing of the caption button (the benchmark)

double Microseconds(const LARGE_INTEGER& from) {
  LARGE_INTEGER now, freq;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&freq);
  return (now.QuadPart - from.QuadPart) * 1e6 / freq.QuadPart;
}

COLORREF Rgb(const std::string& hex) {
  const unsigned long c = Num("0x" + hex);
  return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

// Watches a pixel of another process's window until `want` says yes; -1 after the limit.
template <typename F>
double WatchPixel(HWND h, int x, int y, const LARGE_INTEGER& from, F want, double limitUs = 5e6) {
  HDC dc = GetWindowDC(h);
  double us = -1;
  while (Microseconds(from) < limitUs) {
    if (want(GetPixel(dc, x, y))) {
      us = Microseconds(from);
      break;
    }
  }
  ReleaseDC(h, dc);
  return us;
}

std::string Us(double us) { return us < 0 ? "timeout" : std::to_string(static_cast<long>(us)); }

bool HandleTimingCommand(const std::string& cmd, std::istringstream& in) {
  if (cmd == "paintover") {
    std::string h;
    RECT r;
    in >> h >> r.left >> r.top >> r.right >> r.bottom;
    HDC dc = GetWindowDC(H(h));
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    ReleaseDC(H(h), dc);
    GdiFlush();
    Reply("ok");
  } else if (cmd == "postwatch") {
    std::string m, msg, rgb, h;
    int x, y;
    in >> m >> msg >> rgb;
    const COLORREF want = Rgb(rgb);
    std::vector<std::pair<HWND, POINT>> watched;
    while (in >> h >> x >> y) watched.push_back({H(h), POINT{x, y}});
    LARGE_INTEGER from;
    QueryPerformanceCounter(&from);
    PostMessageA(H(m), Num(msg), 0, 0);
    std::string out;
    for (const auto& w : watched) {
      const double us = WatchPixel(w.first, w.second.x, w.second.y, from, [want](COLORREF c) { return c == want; });
      out += (out.empty() ? "" : " ") + Us(us);
      if (us < 0) break;
    }
    Reply(out);
  } else if (cmd == "movewatch") {
    std::string h, b;
    int x, y, w, ht, bx;
    in >> h >> x >> y >> w >> ht >> b >> bx;
    LARGE_INTEGER from, moved;
    QueryPerformanceCounter(&from);
    SetWindowPos(H(h), nullptr, x, y, w, ht, SWP_NOZORDER | SWP_NOACTIVATE);
    const double moveUs = Microseconds(from);
    QueryPerformanceCounter(&moved);
    double followUs = -1;
    RECT r{};
    while (Microseconds(moved) < 5e6) {
      MSG msg;
      PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);  // a question of Corvel's is answered
      if (GetWindowRect(H(b), &r) && r.left == bx) {
        followUs = Microseconds(moved);
        break;
      }
    }
    Reply(followUs < 0 ? "timeout" : Us(moveUs) + " " + Us(followUs));
  } else if (cmd == "redrawwatch") {
    std::string h, rgb;
    int x, y;
    in >> h >> x >> y >> rgb;
    const COLORREF drawn = Rgb(rgb);
    LARGE_INTEGER from;
    QueryPerformanceCounter(&from);
    RedrawWindow(H(h), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    // The button may be back before a read sees it gone: "unseen" then.
    const double erased = WatchPixel(H(h), x, y, from, [drawn](COLORREF c) { return c != drawn; }, 5e5);
    if (erased < 0) {
      Reply("unseen");
    } else {
      const double back = WatchPixel(H(h), x, y, from, [drawn](COLORREF c) { return c == drawn; });
      Reply(back < 0 ? "timeout" : Us(erased) + " " + Us(back));
    }
  } else {
    return false;
  }
  return true;
}

void Handle(const std::string& line) {
  std::istringstream in(line);
  std::string cmd;
  in >> cmd;
  if (HandleCaptionCommand(cmd, in) || HandleTrayCommand(cmd, in) || HandleTimingCommand(cmd, in) ||
      HandleControlCommand(cmd, in)) return;
  auto rest = [&in] {
    std::string s;
    std::getline(in, s);
    if (!s.empty() && s[0] == ' ') s.erase(0, 1);
    return s;
  };
  if (cmd == "make") {
    int x, y, w, h;
    in >> x >> y >> w >> h;
    const std::string title = rest();
    HWND hwnd = CreateWindowExA(0, "CorvelTarget", title.c_str(), WS_OVERLAPPEDWINDOW, x, y, w, h, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ShowWindow(hwnd, SW_SHOWNORMAL);
    UpdateWindow(hwnd);
    Reply(Hex(hwnd));
  } else if (cmd == "close") {
    std::string h; in >> h;
    DestroyWindow(H(h));
    Reply("ok");
  } else if (cmd == "title") {
    std::string h; in >> h;
    SetWindowTextA(H(h), rest().c_str());
    Reply("ok");
  } else if (cmd == "titlew") {
    std::string h; in >> h;
    const std::string text = rest();
    wchar_t wide[1024] = {};
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide, 1023);
    SetWindowTextW(H(h), wide);
    Reply("ok");
  } else if (cmd == "stylelog") {
    std::string h; in >> h;
    std::string line;
    int n = 0;
    for (const auto& e : g_exStyles)
      if (e.first == H(h)) line += " " + Hex(static_cast<UINT_PTR>(e.second)), ++n;
    g_exStyles.clear();
    Reply(std::to_string(n) + line);
  } else if (cmd == "hanghit") {
    std::string h, ms;
    in >> h >> ms;
    SetPropA(H(h), kHangHitProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(Num(ms))));
    Reply("ok");
  } else if (cmd == "silent") {
    std::string h; in >> h;
    SetPropA(H(h), kSilentProperty, H(h));
    Reply("ok");
  } else if (cmd == "cloak") {
    std::string h;
    int on = 0;
    in >> h >> on;
    NotifyWinEvent(on ? corvel::kEventObjectCloaked : corvel::kEventObjectUncloaked, H(h), OBJID_WINDOW, CHILDID_SELF);
    Reply("ok");
  } else if (cmd == "fg") {
    std::string h; in >> h;
    SetForegroundWindow(H(h));
    Reply("ok");
  } else if (cmd == "maximize" || cmd == "minimize" || cmd == "restore" || cmd == "hide" || cmd == "show") {
    std::string h; in >> h;
    const int show = cmd == "maximize" ? SW_MAXIMIZE : cmd == "minimize" ? SW_MINIMIZE : cmd == "restore" ? SW_RESTORE
                     : cmd == "hide" ? SW_HIDE : SW_SHOW;
    ShowWindow(H(h), show);
    Reply("ok");
  } else if (cmd == "state") {
    std::string h; in >> h;
    Reply(State(H(h)));
  } else if (cmd == "cursor") {
    POINT p{};
    GetCursorPos(&p);
    Reply(std::to_string(p.x) + " " + std::to_string(p.y));
  } else if (cmd == "picture") {
    std::string name; in >> name;
    Reply(PictureReply(name));
  } else if (cmd == "post" || cmd == "send") {
    std::string h, m, w, l;
    in >> h >> m >> w >> l;
    const UINT msg = std::isdigit(static_cast<unsigned char>(m[0])) ? static_cast<UINT>(Num(m)) : RegisterWindowMessageA(m.c_str());
    if (cmd == "post") {
      PostMessageA(H(h), msg, Num(w), Num(l));
      Reply("ok");
    } else {
      DWORD_PTR r = 0;
      SendMessageTimeoutA(H(h), msg, Num(w), Num(l), SMTO_ABORTIFHUNG, 5000, &r);
      Reply(std::to_string(static_cast<long long>(r)));
    }
  } else if (cmd == "frompoint") {
    // The top-level window that a click at this screen point goes to.
    std::string x, y; in >> x >> y;
    const HWND w = WindowFromPoint(POINT{static_cast<LONG>(Num(x)), static_cast<LONG>(Num(y))});
    Reply(w ? Hex(GetAncestor(w, GA_ROOT)) : "-");
  } else if (cmd == "find") {
    std::string cls; in >> cls;
    const std::string caption = rest();
    HWND h = FindWindowA(cls == "-" ? nullptr : cls.c_str(), caption.empty() || caption == "-" ? nullptr : caption.c_str());
    Reply(h ? Hex(h) : "-");
  } else if (cmd == "hang") {
    std::string ms; in >> ms;
    Reply("ok");
    Sleep(Num(ms));
  } else if (cmd == "tray") {
    HWND t = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 1, 1, nullptr,
                             nullptr, GetModuleHandleA(nullptr), nullptr);
    Reply(Hex(t));
  } else if (cmd == "traylog") {
    for (const TrayCall& c : g_trayCalls) {
      char b[1024];
      std::snprintf(b, sizeof b, "nim=%lu hwnd=0x%x uid=0x%x flags=%u callback=0x%x icon=%ux%u tipw=%s tip=%s",
                    static_cast<unsigned long>(c.code), c.hwnd, c.uid, c.flags, c.callback, c.iconWidth, c.iconHeight,
                    c.wideTip.c_str(), c.tip.c_str());
      Reply(b);
    }
    g_trayCalls.clear();
    Reply("end");
  } else if (cmd == "broadcast") {
    const UINT m = RegisterWindowMessageA(rest().c_str());
    PostMessageA(HWND_BROADCAST, m, 0, 0);
    Reply("ok");
  } else if (cmd == "ncpaint" || cmd == "ncpaintdraw") {
    std::string h, n; in >> h >> n;
    const bool draw = cmd == "ncpaintdraw";
    const DWORD start = GetTickCount();
    for (unsigned long i = 0; i < Num(n); ++i) {
      SendMessageA(H(h), WM_NCPAINT, 1, 0);
      if (draw) DrawButtonPlace(H(h));
      if (i % 64 == 0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      }
    }
    Reply(std::to_string(GetTickCount() - start));
  } else if (cmd == "modules") {
    std::string pid; in >> pid;
    std::vector<std::string> files;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, static_cast<DWORD>(Num(pid)));
    MODULEENTRY32 m{};
    m.dwSize = sizeof m;
    for (BOOL ok = snap != INVALID_HANDLE_VALUE && Module32First(snap, &m); ok; ok = Module32Next(snap, &m))
      files.push_back(m.szExePath);
    if (snap != INVALID_HANDLE_VALUE) CloseHandle(snap);
    Reply(std::to_string(files.size()));
    for (const std::string& f : files) Reply(f);
  } else if (cmd == "pid") {
    std::string h; in >> h;
    DWORD pid = 0;
    Reply(IsWindow(H(h)) && GetWindowThreadProcessId(H(h), &pid) ? std::to_string(pid) : "-");
  } else if (cmd == "priority") {
    std::string pid; in >> pid;
    Reply(Priority(Num(pid)));
  } else if (cmd == "children") {
    std::string h; in >> h;
    Reply(Children(H(h)));
  } else if (cmd == "toplevel") {
    std::string cls; in >> cls;
    Reply(TopLevel(cls, rest()));
  } else if (cmd == "file") {
    std::string op; in >> op;
    const std::string path = rest();
    if (op == "exists") {
      Reply(GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES ? "0" : "1");
    } else if (op == "writable") {
      HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                             0, nullptr);
      Reply(f == INVALID_HANDLE_VALUE ? "0" : "1");
      if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
    } else if (op == "lock") {
      HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      if (f != INVALID_HANDLE_VALUE) g_lockedFiles.push_back(f);
      Reply(f == INVALID_HANDLE_VALUE ? "error" : "ok");
    } else if (op == "unlock") {
      for (HANDLE f : g_lockedFiles) CloseHandle(f);
      g_lockedFiles.clear();
      Reply("ok");
    } else {
      Reply("error unknown file command");
    }
  } else if (cmd == "kill") {
    std::string pid; in >> pid;
    HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, Num(pid));
    const bool ok = p && TerminateProcess(p, 1);
    if (p) CloseHandle(p);
    Reply(ok ? "ok" : "error");
  } else if (cmd == "windir") {
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, sizeof dir);
    Reply(dir);
  } else if (cmd == "reg") {
    std::string op, key, name; in >> op >> key >> name;
    if (op != "set" && op != "del") Reply("error unknown reg command");
    else Reply(Registry(op, key, name, rest()));
  } else if (cmd == "quit") {
    Reply("ok");
    PostQuitMessage(0);
  } else {
    Reply("error unknown command");
  }
}

// Commands go to a message-only window rather than to the thread: a modal loop of the window
// thread (a title-bar drag, the system menu) dispatches window messages but drops thread messages.
LRESULT CALLBACK CommandProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == kCommandMessage) {
    std::unique_ptr<std::string> s(reinterpret_cast<std::string*>(lp));
    if (s) Handle(*s);
    else PostQuitMessage(0);  // end of input
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

DWORD WINAPI ReadCommands(LPVOID) {
  char line[4096];
  while (std::fgets(line, sizeof line, stdin)) {
    std::string* s = new std::string(line);
    while (!s->empty() && (s->back() == '\n' || s->back() == '\r')) s->pop_back();
    PostMessageA(g_commandWindow, kCommandMessage, 0, reinterpret_cast<LPARAM>(s));
  }
  PostMessageA(g_commandWindow, kCommandMessage, 0, 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Stands in for the program the shell opens a file with: writes down what it was given.
  if (argc > 3 && std::strcmp(argv[1], "--record") == 0) {
    if (FILE* f = std::fopen(argv[2], "ab")) {
      std::fprintf(f, "%s\n", argv[3]);
      std::fclose(f);
    }
    return 0;
  }
  RegisterClasses();
  if (argc > 1 && std::strcmp(argv[1], "--hold") == 0) {
    CreateWindowExA(WS_EX_TOOLWINDOW, "CorvelTarget", "Corvel test holder", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                    GetModuleHandleA(nullptr), nullptr);
  } else {
    WNDCLASSA wc{};
    wc.lpfnWndProc = CommandProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CorvelTargetsCommands";
    RegisterClassA(&wc);
    g_commandWindow = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
    CloseHandle(CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr));
    Reply("ready");
  }
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
