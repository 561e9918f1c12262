// Message numbers, identifiers and fixed texts shared by the program and its hook library.
// Every number the main window or the hook library uses is named here and nowhere else.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include "corvel_version.h"

namespace corvel {

// Held while a Corvel runs: the name is of the user's session.
constexpr const char kSingleInstanceMutex[] = "CorvelSingleInstance";

// The main window: the hook library finds it by exactly these two texts.
constexpr const char kMainWindowClass[] = "TForm1";
constexpr const char kMainWindowCaption[] = "Dravik Tool Bar";

// Messages from the hook library to the main window (lParam: a top-level window).
constexpr UINT HM_POPUPMENU = WM_USER + 0x01;     // lParam: mouse message
constexpr UINT HM_REDRAW = WM_USER + 0x03;
constexpr UINT HM_REDRAWTWICE = WM_USER + 0x04;
constexpr UINT HM_REFRESH = WM_USER + 0x05;
constexpr UINT HM_IDLE = WM_USER + 0x06;
constexpr UINT HM_ADDWINDOW = WM_USER + 0x07;
constexpr UINT HM_CLEARWINDOWS = WM_USER + 0x08;
constexpr UINT HM_RESCAN = WM_USER + 0x09;
constexpr UINT HM_BUTTONDOWN = WM_USER + 0x0A;
constexpr UINT HM_BUTTONUP = WM_USER + 0x0B;
// wParam of HM_BUTTONDOWN and HM_BUTTONUP: whether the event's own point was on the button. The
// pointer may have moved on by the time the main window handles it (under Wine its position can
// also lag behind a click another process took), so the sender says where the event was.
constexpr WPARAM kPointUnknown = 0;  // the main window reads the pointer
constexpr WPARAM kPointOnButton = 1;
constexpr WPARAM kPointOffButton = 2;
// The owner's thread has handled kDrawButtonMessage (drawn or not).
constexpr UINT HM_OWNERDREW = WM_USER + 0x0C;
constexpr UINT HM_MINBUTTON = WM_USER + 0x12;
constexpr UINT kFirstHookMessage = HM_POPUPMENU;
constexpr UINT kLastHookMessage = HM_MINBUTTON;
// Registered: sent (without waiting) by the main window to a window it has drawn the button on;
// the hook library then draws it again in the window's own thread, after what that thread has
// painted so far, and answers with HM_OWNERDREW.
constexpr const char kDrawButtonMessage[] = "CorvelDrawButton";
// Property of the main window, present while a caption button is drawn: the hook library
// swallows a press on the button (so the window does not start moving) only then.
constexpr const char kButtonShownProperty[] = "CorvelButtonShown";

// Tray callbacks.
constexpr UINT kProgramTrayCallback = 0xB054;          // the program's own icon, on its own window
constexpr UINT kAppletTrayCallbackBase = WM_USER + 100; // + the applet's number in the settings file
// Applet numbers stop below the per-window block, so no two icons can share a callback.
constexpr UINT kAppletTrayCallbackLast = WM_APP + 0x0FFF;  // 0x8FFF
// Per-window tray icons draw their callback numbers from this block of the application range,
// far from the hook messages, the applet numbers and the program's own callback.
constexpr UINT kWindowTrayCallbackFirst = WM_APP + 0x1000;  // 0x9000
constexpr UINT kWindowTrayCallbackLast = WM_APP + 0x2FFF;   // 0xAFFF
static_assert(kAppletTrayCallbackLast < kWindowTrayCallbackFirst, "applet and per-window callbacks overlap");
// Registered by the shell when it (re)starts.
constexpr const char kTaskbarCreatedMessage[] = "TaskbarCreated";
// Registered: asks the main window which windows it holds (wParam: index, lParam: list);
// the answer is the window handle, or 0 past the end of the list.
constexpr const char kHeldWindowQueryMessage[] = "CorvelHeldWindow";
constexpr LPARAM kHeldInTray = 0;
constexpr LPARAM kHeldInMenu = 1;
constexpr LPARAM kInButtonTable = 2;  // the windows of the caption-button table
constexpr LPARAM kStartedUp = 3;      // the main window itself once the settings are loaded and applied

// Hot keys.
constexpr int kHotKeyCtrlTab = 1;
constexpr int kHotKeyCtrlSpace = 2;

// Timer identifiers of the main window.
constexpr UINT_PTR kTimer1 = 1;      // start-up continuation
constexpr UINT_PTR kTimer2 = 2;      // collection and drawing pass
constexpr UINT_PTR kTimer3 = 3;      // second redraw after HM_REDRAWTWICE
constexpr UINT_PTR kAddTrTimer = 4;  // minimize CurrentWindow
constexpr UINT_PTR kDelTrTimer = 5;  // restore CurrentWindow
constexpr UINT_PTR kFollowTimer = 6; // button windows after Corvel itself showed or hid a window
constexpr UINT kOneShotInterval = 1;
// The longest rest between two collection passes in a row (a pass rests as long as it took).
constexpr DWORD kPassRestLimitMs = 250;
// How often (the shortest timer) and how long at most a button window looks for the end of a
// show or hide that Corvel asked of a window (its program carries it out when it takes its
// messages).
constexpr UINT kFollowInterval = 10;
constexpr DWORD kFollowLimitMs = 5000;
// After placing it, how long the button window still looks at its window, and its first gap
// (doubled at each look).
constexpr DWORD kFollowWatchMs = 1000;
constexpr DWORD kFollowWatchFirstGap = 20;
constexpr UINT kRedrawTwiceDelay = 1000;

// Window styles the caption button looks for.
constexpr LONG kMainWindowStyleMask = WS_CAPTION | WS_MINIMIZEBOX;  // 0x00C20000
constexpr LONG kAnyWindowStyleMask = WS_CAPTION;                    // 0x00C00000

// Tray records.
// The ANSI NOTIFYICONDATA of Windows 95 to 2000: 88 bytes in a 32-bit build, 104 in a 64-bit one
// (its window handle and icon are pointer-wide).
constexpr DWORD kNotifyIconSize = NOTIFYICONDATAA_V1_SIZE;
#if defined(_WIN64)
static_assert(kNotifyIconSize == 104, "NOTIFYICONDATAA, first version, 64-bit");
#else
static_assert(kNotifyIconSize == 88, "NOTIFYICONDATAA, first version, 32-bit");
#endif
// Its UTF-16 twin, for tips that hold window titles on NT systems.
constexpr DWORD kNotifyIconSizeW = NOTIFYICONDATAW_V1_SIZE;
constexpr UINT kTrayFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;  // 7
constexpr size_t kTrayTipChars = 63;
// At its end the program waits this long at most for the shell to take its last tray calls.
constexpr DWORD kTrayFlushAtExitMs = 2000;
// ... and for the fades of other programs' windows to end.
constexpr DWORD kWindowJobsAtExitMs = 2000;
constexpr size_t kMenuCaptionChars = 100;
constexpr int kMenuImageSize = 17;

// Layered windows.
constexpr LONG kLayeredStyle = WS_EX_LAYERED;  // 0x80000
constexpr DWORD kLayeredAlphaFlag = LWA_ALPHA; // 2

// The settings file, addressed by its bare name: the system keeps it in the Windows directory.
constexpr const char kSettingsFile[] = "Corvl.ini";
constexpr const char kQuickRunSection[] = "Quick Run";
constexpr const char kControlPanelSection[] = "Control Panel";
constexpr size_t kProfileTextChars = 2047;

// Texts of the program.
constexpr const char kProgramHint[] = CORVEL_PRODUCT " " CORVEL_VERSION_SHOWN;
constexpr const char kUserUpBitmapFile[] = "UpUser.bmp";
constexpr const char kUserDownBitmapFile[] = "DownUser.bmp";
constexpr const char kHelpFile[] = "Help\\corvlhelp.hlp";
// The same help as one page, for the systems without WinHelp (Vista and later).
constexpr const char kHelpPage[] = "Help\\corvlhelp.html";
constexpr const char kJournalFile[] = "Corvl.hidden";

}  // namespace corvel
