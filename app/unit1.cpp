#include "app/unit1.h"
#include <exception>
#include <set>
#include "resources/button_images.h"
#include "floating/blend_win.h"
#include "options/options_form.h"
#include "platform/dpi.h"
#include "platform/effects.h"
#include "platform/messages.h"
#include "platform/tray_icon.h"
#include "platform/window_jobs.h"
#include "settings/settings_location.h"
#include "sysinfo/about_form.h"
#include "sysinfo/os_info.h"
#include "platform/text.h"

namespace corvel {

namespace {
constexpr int kHiddenPosition = -100;
constexpr int kDesignWidth = 325;
constexpr int kDesignHeight = 200;
}  // namespace

TForm1::TForm1(HookLibrary hooks)
    : Options(&Local),
      ImageList1(kMenuImageSize, kMenuImageSize),
      RxPopupMenu1(&ImageList1),
      AppIcons(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)),
      RxPopupMenu2(&AppIcons),
      hooks_(hooks) {}

TForm1::~TForm1() {
  if (hwnd() && !destroyed_) FormDestroy();
}

bool TForm1::CreateForm() {
  if (!Create(kMainWindowClass, kMainWindowCaption, WS_POPUP, 0, kHiddenPosition, kHiddenPosition, kDesignWidth,
              kDesignHeight))
    return false;
  FormCreate();
  return true;
}

void TForm1::SetForms(TForm2* form2, TAForm* aForm, TSetBlendForm* setBlendForm, TChangeNameForm* changeNameForm) {
  form2_ = form2;
  aForm_ = aForm;
  setBlendForm_ = setBlendForm;
  changeNameForm_ = changeNameForm;
}

void TForm1::FormCreate() {
  for (OneShotTimer* t : {&Timer1, &Timer2, &Timer3, &AddTrTimer, &DelTrTimer, &FollowTimer}) t->Attach(hwnd());
  OsCode = GetOsCode();
  if (HasLayeredWindows()) {
    SetLayeredAttributes.Resolve();
    SetWindowLongA(hwnd(), GWL_EXSTYLE, kLayeredStyle);
  }
  ButtonWindowCount = 0;
  ButtonPressed = 0;
  ButtonWindowsShown.SetMain(hwnd());
  drawButtonMessage_ = RegisterWindowMessageA(kDrawButtonMessage);
  OpenButtonShare();
  TrayWindows.clear();
  MenuWindows.clear();
  ShowWindow(hwnd(), SW_HIDE);
  Options.SetDefaults();
  SetWindowPos(hwnd(), nullptr, kHiddenPosition, kHiddenPosition, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  HelpFile = ProgramFolder() + kHelpFile;
  HelpPage = ProgramFolder() + kHelpPage;
  Local.SetTextSink([this](const std::string& key, const std::string& text) { ApplyLanguageText(key, text); });
  taskbarCreated_ = RegisterWindowMessageA(kTaskbarCreatedMessage);
  heldWindowQuery_ = RegisterWindowMessageA(kHeldWindowQueryMessage);
  // The hooked programs and the shell speak to an elevated Corvel too.
  for (UINT msg = kFirstHookMessage; msg <= kLastHookMessage; ++msg) AcceptFromLowerProcesses(hwnd(), msg);
  AcceptFromLowerProcesses(hwnd(), taskbarCreated_);
  DrawBuiltInButtonImages(BUp, BDown, BUpXP, BDownXP);
  BuildTrayMenu();
  RxTrayIcon1.OnClick = [this](TRxTrayIcon::Button b, int x, int y) { RxTrayIcon1Click(b, x, y); };
  RxTrayIcon1.PopupMenu = [this](int x, int y) { PopupTrayMenu(x, y); };
  RxTrayIcon1.CreateIconWindow();
  Applets.IdInUse = [this](UINT id) { return TrayIconIdInUse(id); };
  RxPopupMenu2.LeftMargin = Scaled(kQuickRunMarginWidth, ScreenDpi());
  RxPopupMenu2.OnDrawMargin = [this](HDC dc, const RECT& strip) { RxPopupMenu2DrawMargin(dc, strip); };
  Timer1.Enable();
}

void TForm1::FormShow() {
  SetWindowPos(hwnd(), nullptr, kHiddenPosition, kHiddenPosition, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  CloseAfterRestore = false;
  RecoverJournal();
  BUpUser.LoadFromFile(UserPictureToRead(kUserUpBitmapFile));
  BDownUser.LoadFromFile(UserPictureToRead(kUserDownBitmapFile));
  Applets.AddAppletTrayIcons(hwnd());
  CurrentEffects().SetPriorityClass(GetCurrentProcess(), ABOVE_NORMAL_PRIORITY_CLASS);
  // The tray icon of the program is added once the main window has been loaded.
  RxTrayIcon1.Show();
  Timer2.Enable();
}

void TForm1::Timer1Timer() {
  Timer1.Disable();
  ShowWindow(hwnd(), SW_HIDE);
  Options.Load();
  LoadQuickRunList();
  ResetQuickRunMenu();
  FillQuickRunMenu();
  ApplySymbolType();
  InstallHook();
  // The desktop is invalidated and paints when its own thread comes to it: a WM_PAINT sent to
  // it, or an update forced from here, would wait on the shell.
  RedrawWindow(GetDesktopWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE);
  RegisterHotKeyFromOptions();
  startedUp_ = true;
}

namespace {

// One step of the end: whatever it throws, the steps after it (which give windows back) run.
template <typename Step>
void EndStep(Step step) noexcept {
  try {
    step();
  } catch (...) {
  }
}

}  // namespace

void TForm1::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  for (OneShotTimer* t : {&Timer1, &Timer2, &Timer3, &AddTrTimer, &DelTrTimer, &FollowTimer}) t->Disable();
  Local.SetTextSink(nullptr);
  EndStep([this] { CloseButtonShare(); });
  // Every icon's delete is queued first: the tray thread waits for the shell's answers while
  // the hook is removed and the windows are shown.
  EndStep([this] {
    for (const auto& record : TrayWindows) DeleteNotifyIcon(hwnd(), TrayIconId(record->Handle));
  });
  EndStep([this] { Applets.RemoveAppletTrayIcons(); });
  EndStep([this] { RxTrayIcon1.Hide(); });
  EndStep([this] { hooks_.DeleteHook(); });
  EndStep([this] {
    RightClick.Stop();
    windowEvents_.Stop();
    ButtonWindowsShown.Clear();
  });
  std::vector<HWND> held;
  EndStep([this, &held] {
    held = HeldWindows();
    RestoreWindows(held);
  });
  // A window whose program hangs in the middle of a fade is shown without waiting for it.
  EndStep([&held] {
    if (FlushWindowJobs(kWindowJobsAtExitMs)) return;
    for (HWND w : held)
      if (IsWindow(w) && !IsWindowVisible(w)) ShowWindowAsync(w, SW_SHOWNORMAL);
  });
  EndStep([this] { BUpUser.SaveToFile(UserPictureToWrite(kUserUpBitmapFile)); });
  EndStep([this] { BDownUser.SaveToFile(UserPictureToWrite(kUserDownBitmapFile)); });
  TrayWindows.clear();
  MenuWindows.clear();
  for (FloatingWindowRecord& record : FloatingWindows)
    if (record.Form) EndStep([this, &record] { FreeFloatingWindow(record); });
  // Every window is back: the next start has nothing to recover.
  EndStep([this] { Journal.Clear(); });
  // The icons go with the program, unless the shell does not answer in time.
  EndStep([] { FlushNotifyIcons(kTrayFlushAtExitMs); });
}

std::vector<HWND> TForm1::HeldWindows() const {
  std::vector<HWND> held;
  std::set<HWND> seen;
  auto add = [&](HWND window) {
    if (seen.insert(window).second) held.push_back(window);
  };
  for (const auto& record : TrayWindows) add(record->Handle);
  for (const auto& record : MenuWindows) add(record->Handle);
  for (const FloatingWindowRecord& record : FloatingWindows)
    if (record.Form) add(record.Handle);
  return held;
}

void TForm1::RecoverJournal() {
  std::vector<HWND> hidden;
  for (const JournalEntry& e : Journal.Read()) {
    DWORD pid = 0;
    if (!IsWindow(e.Handle)) continue;
    GetWindowThreadProcessId(e.Handle, &pid);
    if (pid != e.ProcessId || IsWindowVisible(e.Handle)) continue;
    hidden.push_back(e.Handle);
  }
  RestoreWindows(hidden);
  Journal.Clear();
}

HWND TForm1::HeldWindow(LPARAM list, WPARAM index) const {
  if (list == kHeldInTray) return index < TrayWindows.size() ? TrayWindows[index]->Handle : nullptr;
  if (list == kHeldInMenu) return index < MenuWindows.size() ? MenuWindows[index]->Handle : nullptr;
  if (list == kInButtonTable) return index < static_cast<WPARAM>(ButtonWindowCount) ? ButtonWindows[index].Handle : nullptr;
  if (list == kStartedUp) return startedUp_ ? hwnd() : nullptr;
  return nullptr;
}

void TForm1::ApplyLanguageText(const std::string& key, const std::string& text) {
  if (form2_) form2_->ApplyLanguageText(key, text);
  if (key == "Version") {
    if (aForm_) aForm_->SetVersionText(text + " " + kVersionNumber);
  } else if (key == "AboutStr") {
    RxPopupMenu1.SetCaption(About2, Widen(text));
    if (aForm_) aForm_->SetCaption(text);
  } else if (key == "OptionsStr") {
    RxPopupMenu1.SetCaption(Options2, Widen(text));
  } else if (key == "ExitStr") {
    RxPopupMenu1.SetCaption(Exit2, Widen(text));
  }
}

LRESULT TForm1::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept {
  try {
    return WndProc(msg, wp, lp);
  } catch (const std::exception& e) {
    MessageBoxA(hwnd(), e.what(), "Corvel", MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBoxA(hwnd(), "Unexpected error", "Corvel", MB_OK | MB_ICONERROR);
  }
  return 0;
}

LRESULT TForm1::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  // Per-window tray icons, then the applets' icons; neither consumes the message.
  HandleTrayIconMessage(msg, lp);
  Applets.HandleAppletIconMessage(msg, wp, lp);
  LRESULT result = 0;
  if (RxPopupMenu1.HandleOwnerMessage(msg, wp, lp, result) || RxPopupMenu2.HandleOwnerMessage(msg, wp, lp, result))
    return result;
  if (HandleHookMessage(msg, wp, lp)) return 0;
  switch (msg) {
    case WM_TIMER:
      HandleTimer(wp);
      return 0;
    case WM_HOTKEY:
      HotKeyPressed();
      return 0;
    case WM_ENDSESSION:
      // The session may end the process as soon as this returns: give every window back now.
      FormDestroy();
      SessionEnded = true;
      TerminateApplication();
      return 0;
    case WM_CLOSE:
      TerminateApplication();
      return 0;
    default:
      break;
  }
  if (taskbarCreated_ && msg == taskbarCreated_) {
    ReAddTrayIcons();
    return 0;
  }
  if (heldWindowQuery_ && msg == heldWindowQuery_) return reinterpret_cast<LRESULT>(HeldWindow(lp, wp));
  return Default(msg, wp, lp);
}

void TForm1::HandleTimer(UINT_PTR id) {
  switch (id) {
    case kTimer1: Timer1Timer(); break;
    case kTimer2:
      // The start-up continuation always runs before the first pass.
      if (Timer1.Enabled()) Timer1Timer();
      Timer2Timer();
      break;
    case kTimer3: Timer3Timer(); break;
    case kAddTrTimer: AddTrTimerTimer(); break;
    case kDelTrTimer: DelTrTimerTimer(); break;
    case kFollowTimer: FollowTimerTimer(); break;
    default: break;
  }
}

}  // namespace corvel
