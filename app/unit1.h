// The hidden main window: receives the hook library's messages, owns the lists of minimized
// windows, the tray menu, the program's tray icon, the settings and every timer.
#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>
#include "core/caption_button.h"
#include "core/caption_button_windows.h"
#include "core/hidden_journal.h"
#include "core/hook_library.h"
#include "core/managed_windows.h"
#include "core/owner_draw_requests.h"
#include "core/right_click_minimize.h"
#include "launch/applet_tray_icons.h"
#include "launch/program_tray_icon.h"
#include "launch/quick_run_menu.h"
#include "platform/button_share.h"
#include "platform/controls.h"
#include "platform/handle_codec.h"
#include "platform/image_list.h"
#include "platform/layered.h"
#include "platform/messages.h"
#include "platform/picture.h"
#include "platform/popup_menu.h"
#include "platform/timer.h"
#include "platform/win_event_hook.h"
#include "platform/window.h"
#include "settings/local.h"
#include "settings/options.h"

namespace corvel {

class TForm2;
class TAForm;
class TSetBlendForm;
class TChangeNameForm;

class TForm1 : public Window {
 public:
  explicit TForm1(HookLibrary hooks = LoadedHookLibrary());
  ~TForm1() override;

  // Creates the window; FormCreate runs during creation.
  bool CreateForm();
  // The other forms of the program, created after the main window.
  void SetForms(TForm2* form2, TAForm* aForm, TSetBlendForm* setBlendForm, TChangeNameForm* changeNameForm);

  // ---- Start-up and shutdown
  void FormCreate();
  void FormShow();
  void Timer1Timer();
  void FormDestroy();
  // Set by WM_ENDSESSION: the windows are back and the files written; the process may go at once.
  bool SessionEnded = false;
  // Every window a list holds, once, in the order tray, menu, floating windows.
  std::vector<HWND> HeldWindows() const;
  // Shows again what an earlier run left hidden.
  void RecoverJournal();

  TOptions Options;
  TLocal Local;
  LayeredAttributes SetLayeredAttributes;
  int OsCode = 0;
  std::string HelpFile;
  std::string HelpPage;

  // ---- Managed windows and their tray icons
  std::vector<std::unique_ptr<TrayWindowRecord>> TrayWindows;
  std::vector<std::unique_ptr<MenuWindowRecord>> MenuWindows;
  std::vector<FloatingWindowRecord> FloatingWindows;
  void AddTrayIcon(HWND window);
  void RemoveTrayIcon(HWND window);
  void AddMenuEntry(HWND window);
  void RemoveMenuEntry(HWND window);
  void AddFloatingWindow(HWND window);
  void RemoveFloatingWindow(HWND window);
  TSetBlendForm* SetBlendForm() const { return setBlendForm_; }
  IconHandle MakeTrayIcon(HWND window) const;
  BitmapHandle MakeMenuImage(HWND window) const;
  void MenuEntryClick(UINT command);
  // Adds every icon again after the shell restarted.
  void ReAddTrayIcons();
  // Whether a per-window tray icon has identifier `id`.
  bool TrayIconIdInUse(UINT id) const;
  // The window of record `index` of TrayWindows (kHeldInTray), MenuWindows (kHeldInMenu) or the
  // caption-button table (kInButtonTable); the main window once started up (kStartedUp); or 0.
  HWND HeldWindow(LPARAM list, WPARAM index) const;

  // ---- Caption button and hook protocol
  std::array<ButtonWindowEntry, kButtonWindowsSize> ButtonWindows{};
  int ButtonWindowCount = 0;
  int ButtonPressed = 0;
  int ButtonStyle = 0;
  Picture BUp, BDown, BUpXP, BDownXP, BUpUser, BDownUser;
  // The flat look, drawn at the button's size whenever the style is set.
  Picture BUpFlat, BDownFlat;
  void Timer2Timer();
  void Timer3Timer();
  void CollectMainWindows();
  void CollectAllWindows();
  int FindButtonWindow(HWND window);
  bool IsListedProgramWindow(HWND window) const;
  void DrawButtonUp(int index);
  void DrawButtonDown(int index);
  void AddButtonWindow(HWND window);  // as HM_ADDWINDOW
  // As HM_REDRAW; `askOwner`: the window's thread is asked to draw it again after its own painting.
  void RedrawButton(HWND window, bool askOwner = true);
  void ApplySymbolType();
  // Sets ButtonStyle and tells the hook library the pictures of the style.
  void SetButtonStyle(int style);
  // Tells the hook library the pictures again (after the user's pictures have changed).
  void PublishButtonPictures();
  void InstallHook();
  // The button shown by windows of Corvel's own (decided at start-up, with the hook): no hook
  // library in any program; the windows' changes come as WinEvents.
  bool UseButtonWindows = false;
  CaptionButtonWindows ButtonWindowsShown{nullptr, SetLayeredAttributes};
  void WindowEvent(DWORD event, HWND window);
  // Corvel has asked `window` to show (true) or hide, or it was brought to the front: its button
  // window is placed once the window has done so and stands still, or after kFollowLimitMs,
  // without waiting for an event the window may never raise (or raises before it is done).
  void FollowWindow(HWND window, bool shown);
  void FollowTimerTimer();
  // With the button's own windows, "Rigth-click on standard minimization button" is a low-level
  // mouse hook of Corvel's, on while that choice is.
  RightClickMinimize RightClick;
  void RegisterHotKeyFromOptions();
  // Releases the hot key this window holds, whichever it is.
  void ReleaseHotKey();
  int HeldHotKey = 0;  // id of the registered hot key, 0 for none

  // ---- Minimize and restore, and the tray menu
  HWND CurrentWindow = nullptr;
  bool CloseAfterRestore = false;
  void AddTrTimerTimer();
  void DelTrTimerTimer();
  void HideWindow(HWND window);
  // toFront false: one of many shown at once; only the last of them is brought to the front.
  void RestoreWindow(HWND window, bool toFront = true);
  void RestoreWindows(const std::vector<HWND>& windows);
  void About2Click();
  void Options2Click();
  void Exit2Click();
  void RxPopupMenu1Popup();
  void PopupMenuDrawMargin(HDC dc, const RECT& strip);
  // The margin's word for the number of windows in the menu, and the strip's width.
  static const char* TrayMenuMarginText(size_t menuWindows);
  static int TrayMenuMarginWidth();
  // Shows the tray menu at a screen point.
  void PopupTrayMenu(int x, int y);

  ImageList ImageList1;
  PopupMenu RxPopupMenu1;
  UINT About2 = 0, N4 = 0, N6 = 0, Options2 = 0, Exit2 = 0;

  // ---- The program's tray icon and Quick Run
  TRxTrayIcon RxTrayIcon1;
  ImageList AppIcons;
  PopupMenu RxPopupMenu2;
  AppletTrayIcons Applets;
  void RxTrayIcon1Click(TRxTrayIcon::Button button, int x, int y);
  // The store of the Quick Run list: the Quick run page's list view (none: an empty list).
  ListView* ListView4 = nullptr;
  void AddQuickRunEntry(const std::string& name, const std::string& path);
  void LoadQuickRunList();
  void SaveQuickRunList() const;
  void ResetQuickRunMenu();
  void FillQuickRunMenu();
  // Opens the program of row `tag` of the list as it is now; nothing when there is none.
  void QuickRunItemClick(int tag);
  void RxPopupMenu2DrawMargin(HDC dc, const RECT& strip);

  OneShotTimer Timer1{kTimer1, kOneShotInterval};
  OneShotTimer Timer2{kTimer2, kOneShotInterval};
  OneShotTimer Timer3{kTimer3, kRedrawTwiceDelay};
  OneShotTimer AddTrTimer{kAddTrTimer, kOneShotInterval};
  OneShotTimer DelTrTimer{kDelTrTimer, kOneShotInterval};
  OneShotTimer FollowTimer{kFollowTimer, kFollowInterval};

  HiddenJournal Journal;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept override;

 private:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
  bool HandleHookMessage(UINT msg, WPARAM wp, LPARAM lp);
  void HandleTimer(UINT_PTR id);
  void HandleTrayIconMessage(UINT msg, LPARAM lp);
  void ButtonDown(HWND window, WPARAM where);
  void ButtonUp(HWND window, WPARAM where);
  void MinButton(HWND window);
  void HotKeyPressed();
  bool CursorOnButton(int index) const;
  // Whether a press or release the sender placed (`where`: kPointOnButton, ...) was on the button.
  bool EventOnButton(int index, WPARAM where) const;
  void DrawButton(int index, bool pressed, bool askOwner);
  const Picture* ButtonPicture(bool pressed) const;
  std::vector<DWORD> ListedProcessIds() const;
  void OpenButtonShare();
  void PublishButtonWindows();
  void PublishButtonPressed();
  void CloseButtonShare();
  void CollectWindows(LONG styleMask);
  void RunCollectionPass();
  void CollectWindow(HWND window);
  void PublishPass();
  void StartWindowEvents();
  int TableIndex(HWND window) const;
  void UpdateRightClick();
  void BuildTrayMenu();
  void ApplyLanguageText(const std::string& key, const std::string& text);
  void FadeOut(HWND window);
  void FadeIn(HWND window);
  // Closes a floating window; one whose handler is still running is freed later.
  void FreeFloatingWindow(FloatingWindowRecord& record);
  void FreeRetiredFloatingWindows();

  HookLibrary hooks_;
  TForm2* form2_ = nullptr;
  TAForm* aForm_ = nullptr;
  TSetBlendForm* setBlendForm_ = nullptr;
  TChangeNameForm* changeNameForm_ = nullptr;
  UINT taskbarCreated_ = 0;
  UINT heldWindowQuery_ = 0;
  std::vector<HWND> redrawAgain_;  // the windows Timer3 redraws once more
  std::vector<std::unique_ptr<TBlendWin>> retiredFloating_;  // closed, still on the call stack
  std::vector<HWND> nextPass_;  // the table a running pass collects
  bool passRunning_ = false;
  bool rescanAfterPass_ = false;
  bool destroyed_ = false;
  bool startedUp_ = false;  // the start-up continuation has run
  ButtonShareMapping share_;  // what the hook library draws from
  std::vector<HWND> shownButtons_;  // the windows of the table that show the button (the filter's)
  WinEventHooks windowEvents_;
  struct Followed {
    HWND window;
    bool shown;
    DWORD until;  // tick count after which the button follows whatever the window did (0: from
                  // the end of the start-up)
    RECT seen;    // where it was at the look before: a restore takes the minimized state off a
                  // moment before it moves the window back, and Corvel may look in between
    // Once placed, the button keeps an eye on the window a little longer, at growing intervals:
    // a program that was held up in the middle of the change finishes it later, and a window
    // that raises no events says nothing when it does.
    bool placed = false;
    DWORD nextLook = 0;
    DWORD watchEnd = 0;
    DWORD watchStep = 0;
  };
  bool FollowLook(Followed& f, DWORD now);
  std::vector<Followed> followed_;
  UINT drawButtonMessage_ = 0;
  OwnerDrawRequests ownerDraws_;
};

}  // namespace corvel
