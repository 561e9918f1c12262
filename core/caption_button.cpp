#include "core/caption_button.h"
#include <tlhelp32.h>
#include <algorithm>
#include <cstring>
#include "app/unit1.h"
#include "settings/options.h"
#include "platform/button_share.h"
#include "platform/effects.h"
#include "platform/handle_codec.h"
#include "platform/messages.h"
#include "resources/button_images.h"
#include "sysinfo/os_info.h"

namespace corvel {

// ---- Geometry, styles and hit tests

namespace {
constexpr int kEmptyRight = -100;
}  // namespace

RECT EmptyButtonRect(int buttonStyle) {
  RECT r{0, 0, buttonStyle == kStyleNone ? kEmptyRight : 0, 0};
  return r;
}

bool StyleHasImages(int buttonStyle) {
  return buttonStyle == kStyleClassic || buttonStyle == kStyleClassic98 || buttonStyle == kStyleXP ||
         buttonStyle == kStyleUser || buttonStyle == kStyleFlat;
}

int ButtonStyleFor(int symbolType, int osCode) {
  switch (symbolType) {
    case kSymbolClassic: return kStyleClassic;
    case kSymbolXP: return kStyleXP;
    case kSymbolSystem: return IsVistaOrLater(osCode) ? kStyleFlat : osCode;
    case kSymbolUserBitmaps: return kStyleUser;
    case kSymbolHotKeyOnly:
    case kSymbolRightClickMinimize: return kStyleNone;
    default: return 0;
  }
}

const char* FileNamePart(const char* path) {
  const char* name = path;
  for (const char* p = path; *p; ++p)
    if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
  return name;
}

COLORREF CaptionColourAtButton() {
  BOOL gradient = FALSE;
  SystemParametersInfoA(SPI_GETGRADIENTCAPTIONS, 0, &gradient, 0);
  return GetSysColor(gradient ? COLOR_GRADIENTACTIVECAPTION : COLOR_ACTIVECAPTION);
}

// ---- The main window's side

void TForm1::ApplySymbolType() { SetButtonStyle(ButtonStyleFor(Options.SymbolType, GetOsCode())); }

void TForm1::SetButtonStyle(int style) {
  ButtonStyle = style;
  if (ButtonStyle == kStyleFlat) {
    const RECT r = ProgramButtonRect(0, SystemFrameMetrics());
    DrawFlatButtonImages(BUpFlat, BDownFlat, r.right - r.left, r.bottom - r.top, CaptionColourAtButton());
  }
  // Tells the hook library whether a press at the button's place is the button's.
  if (StyleHasImages(ButtonStyle)) SetPropA(hwnd(), kButtonShownProperty, hwnd());
  else RemovePropA(hwnd(), kButtonShownProperty);
  PublishButtonPictures();
  if (startedUp_ && UseButtonWindows) {
    UpdateRightClick();
    Timer2.Enable();  // every button window takes the new look, or goes
  }
}

bool ButtonWindowsFor(uint8_t captionButton, int osCode) {
  if (captionButton == kCaptionButtonWindows) return true;
  if (captionButton == kCaptionButtonDrawn) return false;
  // From Vista on the desktop window manager draws title bars: what is drawn into them never shows.
  return IsVistaOrLater(osCode);
}

void TForm1::InstallHook() {
  const bool filtered = Options.WinFilter == kFilterMainWindows || Options.WinFilter == kFilterListedPrograms ||
                        Options.WinFilter == kFilterAllWindows;
  UseButtonWindows = ButtonWindowsFor(Options.CaptionButton, OsCode) && WinEventHooks::Available();
  // Without its hook library the button still shows, from windows of Corvel's own.
  if (!UseButtonWindows && filtered && hooks_.Load && !hooks_.Load()) UseButtonWindows = WinEventHooks::Available();
  if (UseButtonWindows) {
    if (filtered) StartWindowEvents();
    UpdateRightClick();
    return;
  }
  if (Options.WinFilter == kFilterMainWindows || Options.WinFilter == kFilterListedPrograms) hooks_.SetHook();
  else if (Options.WinFilter == kFilterAllWindows) hooks_.SetHookAll();
}

// ---- The button's own windows

void TForm1::StartWindowEvents() {
  const auto handler = [this](DWORD event, HWND window) { WindowEvent(event, window); };
  windowEvents_.Add(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, handler);
  windowEvents_.Add(EVENT_SYSTEM_MINIMIZESTART, EVENT_SYSTEM_MINIMIZEEND, handler);
  windowEvents_.Add(EVENT_OBJECT_CREATE, EVENT_OBJECT_HIDE, handler);
  windowEvents_.Add(EVENT_OBJECT_LOCATIONCHANGE, EVENT_OBJECT_LOCATIONCHANGE, handler);
  windowEvents_.Add(kEventObjectCloaked, kEventObjectUncloaked, handler);
}

void TForm1::UpdateRightClick() {
  if (UseButtonWindows && Options.SymbolType == kSymbolRightClickMinimize) RightClick.Start(hwnd());
  else RightClick.Stop();
}

int TForm1::TableIndex(HWND window) const {
  for (int i = 0; i < ButtonWindowCount; ++i)
    if (ButtonWindows[i].Handle == window) return i;
  return -1;
}

// A window of the table: its button follows it at once; a move alone only moves the button.
// Any other window that appears with a caption brings a collection pass, as the hook library
// asks for one.
void TForm1::WindowEvent(DWORD event, HWND window) {
  if (destroyed_ || !UseButtonWindows) return;
  if (event == EVENT_OBJECT_DESTROY) {
    ButtonWindowsShown.Remove(window);
    return;
  }
  // Corvel's own changes come too (its button windows' moves among them): a window outside the
  // table costs a look-up.
  const int index = TableIndex(window);
  if (event == kEventObjectCloaked || event == kEventObjectUncloaked) {
    ButtonWindowsShown.SetCloaked(window, event == kEventObjectCloaked);
    if (index >= 0 && event == kEventObjectUncloaked) DrawButton(index, ButtonPressed == -1, false);
    return;
  }
  if (index < 0) {
    if ((event == EVENT_OBJECT_CREATE || event == EVENT_OBJECT_SHOW) &&
        (GetWindowLongA(window, GWL_STYLE) & (WS_CAPTION | WS_CHILD)) == WS_CAPTION)
      Timer2.Enable();
    return;
  }
  if (event == EVENT_SYSTEM_MINIMIZESTART || event == EVENT_OBJECT_HIDE) ButtonWindowsShown.Hide(window);
  else if (event != EVENT_OBJECT_LOCATIONCHANGE || !ButtonWindowsShown.Follow(window))
    DrawButton(index, ButtonPressed == -1, false);
  // The system may raise the window above its button after it said so (under Wine it does).
  if (event == EVENT_SYSTEM_FOREGROUND) FollowWindow(window, true);
}

void TForm1::FollowWindow(HWND window, bool shown) {
  // The windows given back at start-up come before the button's kind is known: they wait for
  // the end of the start-up, and their time starts then.
  if (destroyed_ || (startedUp_ && !UseButtonWindows)) return;
  const Followed change{window, shown, startedUp_ ? GetTickCount() + kFollowLimitMs : 0, RECT{}};
  auto found = std::find_if(followed_.begin(), followed_.end(), [window](const Followed& c) { return c.window == window; });
  if (found != followed_.end()) *found = change;
  else followed_.push_back(change);
  FollowTimer.EnableWithin(kFollowInterval);
}

// A change is done once the window shows or hides as asked and, when shown, is in the table
// (a window Corvel gives back at start-up waits for the first pass) and stood in one place at two
// looks in a row; then its button is placed. Until kFollowWatchMs later a change of place or
// state seen at a look starts the wait anew.
void TForm1::FollowTimerTimer() {
  FollowTimer.Disable();
  if (!startedUp_) {
    FollowTimer.EnableWithin(kFollowInterval);
    return;
  }
  if (!UseButtonWindows) {
    followed_.clear();
    return;
  }
  const DWORD now = GetTickCount();
  DWORD wait = kFollowWatchMs;
  for (auto i = followed_.begin(); i != followed_.end();) {
    if (!i->until) i->until = now + kFollowLimitMs;
    if (i->placed && static_cast<LONG>(now - i->nextLook) < 0) {
      wait = std::min<DWORD>(wait, i->nextLook - now);
      ++i;
      continue;
    }
    const bool keep = FollowLook(*i, now);
    if (keep) wait = std::min<DWORD>(wait, i->placed ? i->nextLook - now : kFollowInterval);
    i = keep ? std::next(i) : followed_.erase(i);
  }
  if (!followed_.empty()) FollowTimer.EnableWithin(std::max<DWORD>(wait, kFollowInterval));
}

// One look at a followed window; false once it needs no more.
bool TForm1::FollowLook(Followed& f, DWORD now) {
  if (!IsWindow(f.window)) return false;
  const bool shows = IsWindowVisible(f.window) && !IsIconic(f.window);
  const int index = TableIndex(f.window);
  RECT place{};
  if (shows) GetWindowRect(f.window, &place);
  const bool settled = !shows || EqualRect(&place, &f.seen);
  f.seen = place;
  if (f.placed && shows != f.shown) {
    // It went the other way since: its button goes with what it is now.
    if (index >= 0) DrawButton(index, ButtonPressed == -1, false);
    return false;
  }
  if (f.placed && settled) {
    if (static_cast<LONG>(now - f.watchEnd) >= 0) return false;
    f.watchStep *= 2;
    f.nextLook = now + f.watchStep;
    return true;
  }
  f.placed = false;  // a move after the button was placed: the program went on with the change
  const bool late = static_cast<LONG>(now - f.until) >= 0;
  const bool done = late || (shows == f.shown && settled && (index >= 0 || !shows));
  if (!done) return true;
  if (index >= 0) DrawButton(index, ButtonPressed == -1, false);
  if (late) return false;
  f.placed = true;
  f.watchStep = kFollowWatchFirstGap;
  f.nextLook = now + f.watchStep;
  f.watchEnd = now + kFollowWatchMs;
  return true;
}

void TForm1::RegisterHotKeyFromOptions() {
  BOOL held = FALSE;
  if (Options.HotKey == kHotKeyCtrlTab) held = CurrentEffects().RegisterHotKey(hwnd(), kHotKeyCtrlTab, MOD_CONTROL, VK_TAB);
  else if (Options.HotKey == kHotKeyCtrlSpace)
    held = CurrentEffects().RegisterHotKey(hwnd(), kHotKeyCtrlSpace, MOD_CONTROL, VK_SPACE);
  if (held) HeldHotKey = Options.HotKey;
}

void TForm1::ReleaseHotKey() {
  if (HeldHotKey == 0) return;
  CurrentEffects().UnregisterHotKey(hwnd(), HeldHotKey);
  HeldHotKey = 0;
}

void TForm1::Timer2Timer() {
  Timer2.Disable();
  // Passes never nest: a request that arrives while one runs is served by one more pass after it.
  if (passRunning_) {
    rescanAfterPass_ = true;
    return;
  }
  passRunning_ = true;
  rescanAfterPass_ = false;
  const DWORD started = GetTickCount();
  RunCollectionPass();
  passRunning_ = false;
  // Requests that came meanwhile get one more pass after a rest as long as this one took: windows
  // that appear all the time must not keep this thread, and the programs it draws into, busy.
  const bool again = rescanAfterPass_ || Timer2.Enabled();
  Timer2.Disable();
  const DWORD rest = std::min<DWORD>(std::max<DWORD>(GetTickCount() - started, kOneShotInterval), kPassRestLimitMs);
  if (again && !destroyed_) Timer2.EnableWithin(rest);
}

// The new table is collected beside the live one, which keeps answering presses, releases and
// redraws until the walk is done; then it replaces the live table in one step.
void TForm1::RunCollectionPass() {
  nextPass_.clear();
  if (Options.WinFilter == kFilterMainWindows || Options.WinFilter == kFilterListedPrograms) CollectMainWindows();
  else if (Options.WinFilter == kFilterAllWindows) CollectAllWindows();
  if (destroyed_) return;
  PublishPass();
  const int count = ButtonWindowCount;
  for (int i = 0; i < count && !destroyed_; ++i) {
    ProcessPendingMessages();
    // A message handled in between may have emptied the table, or pressed the button: a held
    // button stays drawn pressed.
    if (i < ButtonWindowCount) DrawButton(i, ButtonPressed == -1, true);
  }
}

void TForm1::PublishPass() {
  std::array<ButtonWindowEntry, kButtonWindowsSize> next{};
  for (size_t i = 0; i < nextPass_.size(); ++i) {
    next[i].Handle = nextPass_[i];
    // Until it is drawn again, a window keeps the button it has on the screen.
    for (int j = 0; j < ButtonWindowCount; ++j)
      if (ButtonWindows[j].Handle == nextPass_[i]) {
        next[i].ButtonRect = ButtonWindows[j].ButtonRect;
        break;
      }
  }
  ButtonWindows = next;
  ButtonWindowCount = static_cast<int>(nextPass_.size());
  nextPass_.clear();
  PublishButtonWindows();
}

void TForm1::CollectMainWindows() { CollectWindows(kMainWindowStyleMask); }
void TForm1::CollectAllWindows() { CollectWindows(kAnyWindowStyleMask); }

namespace {

BOOL CALLBACK AppendWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
  return TRUE;
}

}  // namespace

void TForm1::CollectWindows(LONG styleMask) {
  const HWND taskBar = FindWindowA("Shell_TrayWnd", nullptr);
  const HWND progman = FindWindowA("Progman", nullptr);
  const HWND playlist = FindWindowA("Winamp PE", nullptr);
  const HWND desktop = GetDesktopWindow();
  // The top-level windows in Z order, taken whole before any message is let in: a window that
  // goes or moves in the Z order meanwhile can neither end the walk early nor come twice.
  std::vector<HWND> windows;
  EnumWindows(AppendWindow, reinterpret_cast<LPARAM>(&windows));
  for (HWND w : windows) {
    if (destroyed_) return;
    const LONG style = IsWindow(w) ? GetWindowLongA(w, GWL_STYLE) : 0;
    if ((style & styleMask) == styleMask && w != desktop && w != taskBar && w != progman && w != playlist)
      CollectWindow(w);
    ProcessPendingMessages();
  }
}

// Windows beyond the table are not tracked.
void TForm1::CollectWindow(HWND window) {
  if (nextPass_.size() < kButtonWindowsSize) nextPass_.push_back(window);
}

void TForm1::AddButtonWindow(HWND window) {
  // A window added while a pass walks (a restored one) belongs to the table the pass makes.
  if (passRunning_ && std::find(nextPass_.begin(), nextPass_.end(), window) == nextPass_.end()) CollectWindow(window);
  if (ButtonWindowCount >= kButtonWindowsSize) return;
  ButtonWindows[ButtonWindowCount].Handle = window;
  ButtonWindows[ButtonWindowCount].ButtonRect = RECT{0, 0, 0, 0};
  ++ButtonWindowCount;
  PublishButtonWindows();
}

int TForm1::FindButtonWindow(HWND window) {
  int found = 0;
  for (int i = 0; i < ButtonWindowCount && !found; ++i)
    if (ButtonWindows[i].Handle == window) found = i + 1;
  // A window the running pass has already collected is in the table it is making (the first
  // pass, say, while the live table is still empty).
  if (!found && passRunning_ && ButtonWindowCount < kButtonWindowsSize &&
      std::find(nextPass_.begin(), nextPass_.end(), window) != nextPass_.end()) {
    ButtonWindows[ButtonWindowCount] = ButtonWindowEntry{window, RECT{0, 0, 0, 0}};
    found = ++ButtonWindowCount;
  }
  // The program test walks every process: only for a window of the table.
  if (found && Options.WinFilter == kFilterListedPrograms && !IsListedProgramWindow(window)) return 0;
  return found;
}

bool TForm1::IsListedProgramWindow(HWND window) const {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (!pid) return false;
  const std::vector<DWORD> listed = ListedProcessIds();
  return std::find(listed.begin(), listed.end(), pid) != listed.end();
}

std::vector<DWORD> TForm1::ListedProcessIds() const {
  std::vector<DWORD> ids;
  FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return ids;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
    // Names are compared whole, however long.
    for (const std::string& app : Options.Applications)
      if (std::strcmp(FileNamePart(app.c_str()), entry.szExeFile) == 0) {
        ids.push_back(entry.th32ProcessID);
        break;
      }
  }
  return ids;
}

void TForm1::DrawButtonUp(int index) { DrawButton(index, false, true); }
void TForm1::DrawButtonDown(int index) { DrawButton(index, true, true); }

const Picture* TForm1::ButtonPicture(bool pressed) const {
  const Picture* image = nullptr;
  if (ButtonStyle == kStyleClassic || ButtonStyle == kStyleClassic98) image = pressed ? &BDown : &BUp;
  else if (ButtonStyle == kStyleXP) image = pressed ? &BDownXP : &BUpXP;
  else if (ButtonStyle == kStyleUser) image = pressed ? &BDownUser : &BUpUser;
  else if (ButtonStyle == kStyleFlat) image = pressed ? &BDownFlat : &BUpFlat;
  // Without a user bitmap the button keeps the classic look rather than turning invisible.
  if (image && image->Empty()) image = pressed ? &BDown : &BUp;
  return image;
}

// `askOwner`: the window's own thread is asked to draw the button once more after what it has
// painted so far, unless it has just painted and drawn it (a hook message).
void TForm1::DrawButton(int index, bool pressed, bool askOwner) {
  if (index < 0 || index >= ButtonWindowCount) return;
  ButtonWindowEntry& entry = ButtonWindows[index];
  // A window that has gone keeps its entry until the next pass but is not drawn.
  RECT wr{};
  if (!GetWindowRect(entry.Handle, &wr)) return;
  RECT button = ProgramButtonRect(wr.right - wr.left, SystemFrameMetrics());
  const Picture* image = ButtonPicture(pressed);
  if (!image) button = EmptyButtonRect(ButtonStyle);
  if (UseButtonWindows) {
    const bool shown = std::find(shownButtons_.begin(), shownButtons_.end(), entry.Handle) != shownButtons_.end();
    const RECT place = ButtonWindowsShown.Update(entry.Handle, shown ? image : nullptr);
    if (image) button = IsRectEmpty(&place) ? RECT{0, 0, 0, 0}
                                            : RECT{place.left - wr.left, place.top - wr.top, place.right - wr.left,
                                                   place.bottom - wr.top};
    entry.ButtonRect = button;
    return;
  }
  if (image) {
    WindowDc dc(entry.Handle, WindowDc::Whole);
    image->StretchDraw(dc.get(), button);
    if (askOwner && ownerDraws_.Ask(entry.Handle, GetTickCount()))
      SendNotifyMessageA(entry.Handle, drawButtonMessage_, 0, 0);
  }
  entry.ButtonRect = button;
}

void TForm1::RedrawButton(HWND window, bool askOwner) {
  const int i = FindButtonWindow(window);
  if (i == 0) return;
  if (ButtonPressed == -1) DrawButton(i - 1, true, askOwner);
  else if (ButtonPressed == 0) DrawButton(i - 1, false, askOwner);
}

// ---- What the hook library draws from

void TForm1::OpenButtonShare() {
  if (!share_.Create()) return;
  ButtonShare& share = *share_.get();
  // Hooked programs keep the share of a killed run open, sequence and all.
  RepairShareSequence(share);
  BeginShareWrite(share);
  share.count = 0;
  share.pressed = 0;
  share.width = share.height = 0;
  EndShareWrite(share);
}

void TForm1::PublishButtonWindows() {
  // The listed programs are looked up once for the whole table.
  const bool filtered = Options.WinFilter == kFilterListedPrograms;
  const std::vector<DWORD> listed = filtered ? ListedProcessIds() : std::vector<DWORD>();
  shownButtons_.clear();
  for (int i = 0; i < ButtonWindowCount; ++i) {
    DWORD pid = 0;
    if (filtered && (!GetWindowThreadProcessId(ButtonWindows[i].Handle, &pid) ||
                     std::find(listed.begin(), listed.end(), pid) == listed.end()))
      continue;
    shownButtons_.push_back(ButtonWindows[i].Handle);
  }
  if (UseButtonWindows) ButtonWindowsShown.KeepOnly(shownButtons_);
  ButtonShare* share = share_.get();
  if (!share) return;
  BeginShareWrite(*share);
  LONG n = 0;
  for (; n < kShareWindows && n < static_cast<LONG>(shownButtons_.size()); ++n) share->windows[n].Store(shownButtons_[n]);
  share->count = n;
  EndShareWrite(*share);
}

void TForm1::PublishButtonPressed() {
  ButtonShare* share = share_.get();
  if (!share) return;
  BeginShareWrite(*share);
  share->pressed = ButtonPressed == -1 ? 1 : 0;
  EndShareWrite(*share);
}

void TForm1::PublishButtonPictures() {
  ButtonShare* share = share_.get();
  if (!share) return;
  const RECT r = ProgramButtonRect(0, SystemFrameMetrics());
  const int w = r.right - r.left, h = r.bottom - r.top;
  const Picture* up = ButtonPicture(false);
  const Picture* down = ButtonPicture(true);
  // No picture, or one too large to share: the main window alone draws.
  const bool shared = up && down && w > 0 && h > 0 && w <= kShareMaxSide && h <= kShareMaxSide;
  BeginShareWrite(*share);
  share->width = share->height = 0;
  if (shared && RenderPixels(*up, w, h, share->up) && RenderPixels(*down, w, h, share->down)) {
    share->width = w;
    share->height = h;
  }
  EndShareWrite(*share);
}

void TForm1::CloseButtonShare() {
  ButtonShare* share = share_.get();
  if (!share) return;
  BeginShareWrite(*share);
  share->count = 0;
  share->width = share->height = 0;
  EndShareWrite(*share);
}

void TForm1::Timer3Timer() {
  Timer3.Disable();
  std::vector<HWND> windows;
  windows.swap(redrawAgain_);
  for (HWND w : windows) RedrawButton(w);
}

bool TForm1::CursorOnButton(int index) const {
  const ButtonWindowEntry& entry = ButtonWindows[index];
  POINT cursor{};
  GetCursorPos(&cursor);
  RECT wr{};
  // Every window of the table shows the button while the style has pictures, whether this
  // process has drawn it yet or only the owner (from the shared table): the hook library has
  // swallowed the press on it either way.
  if (!StyleHasImages(ButtonStyle) || !GetWindowRect(entry.Handle, &wr)) return false;
  if (UseButtonWindows) return ButtonWindowsShown.Hits(entry.Handle, cursor);
  // Where the button is now: the owner's thread draws it after a change of size or frame
  // metrics, perhaps before this table has heard of the change.
  const RECT button = ProgramButtonRect(wr.right - wr.left, SystemFrameMetrics());
  return HitsButtonStrict(button, POINT{cursor.x - wr.left, cursor.y - wr.top});
}

bool TForm1::EventOnButton(int index, WPARAM where) const {
  if (where == kPointUnknown) return CursorOnButton(index);
  return where == kPointOnButton && StyleHasImages(ButtonStyle);
}

void TForm1::ButtonDown(HWND window, WPARAM where) {
  const int i = FindButtonWindow(window);
  if (i == 0 || !IsWindow(window)) return;
  SetForegroundWindow(window);
  if (EventOnButton(i - 1, where)) {
    ButtonPressed = -1;
    PublishButtonPressed();
    DrawButtonDown(i - 1);
  }
}

void TForm1::ButtonUp(HWND window, WPARAM where) {
  const int i = FindButtonWindow(window);
  if (i == 0 || !IsWindow(window) || !EventOnButton(i - 1, where)) return;
  ButtonPressed = 0;
  PublishButtonPressed();
  DrawButtonUp(i - 1);
  CurrentWindow = window;
  AddTrTimer.Enable();
}

void TForm1::MinButton(HWND window) {
  if (Options.SymbolType != kSymbolRightClickMinimize) return;
  // The low-level hook has asked the window itself where its minimize button is.
  if (UseButtonWindows) {
    if ((GetWindowLongA(window, GWL_STYLE) & kMainWindowStyleMask) == kMainWindowStyleMask) {
      CurrentWindow = window;
      AddTrTimer.Enable();
    }
    return;
  }
  RECT wr{};
  if (!GetWindowRect(window, &wr)) return;
  const RECT button = MinimizeButtonRect(wr.right - wr.left, SystemFrameMetrics());
  POINT cursor{};
  GetCursorPos(&cursor);
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  if (HitsButtonInclusive(button, POINT{cursor.x - wr.left, cursor.y - wr.top}) &&
      (style & kMainWindowStyleMask) == kMainWindowStyleMask) {
    CurrentWindow = window;
    AddTrTimer.Enable();
  }
}

void TForm1::HotKeyPressed() {
  CurrentWindow = GetForegroundWindow();
  if (FindButtonWindow(CurrentWindow) != 0) {
    ButtonPressed = 0;
    PublishButtonPressed();
    AddTrTimer.Enable();
  }
}

bool TForm1::HandleHookMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg < kFirstHookMessage || msg > kLastHookMessage) return false;
  const HWND window = ParamToWindow(lp);
  switch (msg) {
    case HM_POPUPMENU:
      if (lp == WM_RBUTTONUP) {
        POINT p{};
        GetCursorPos(&p);
        PopupTrayMenu(p.x, p.y);
      }
      return true;
    case HM_REDRAW:
    case HM_REFRESH:
      RedrawButton(window, false);
      return true;
    case HM_REDRAWTWICE:
      if (FindButtonWindow(window) != 0) {
        // Every window that asked before the timer runs gets its second redraw.
        if (std::find(redrawAgain_.begin(), redrawAgain_.end(), window) == redrawAgain_.end())
          redrawAgain_.push_back(window);
        Timer3.Enable();
        RedrawButton(window, false);
      }
      return true;
    case HM_ADDWINDOW: AddButtonWindow(window); return true;
    case HM_OWNERDREW: ownerDraws_.Answered(window); return true;
    case HM_CLEARWINDOWS:
      ButtonWindowCount = 0;
      nextPass_.clear();
      PublishButtonWindows();
      return true;
    case HM_RESCAN: Timer2.Enable(); return true;
    case HM_BUTTONDOWN: ButtonDown(window, wp); return true;
    case HM_BUTTONUP: ButtonUp(window, wp); return true;
    case HM_MINBUTTON: MinButton(window); return true;
    default: return true;  // HM_IDLE and the numbers without a handler
  }
}

}  // namespace corvel
