#include "core/caption_button.h"
#include <tlhelp32.h>
#include <algorithm>
#include <cstring>
#include "app/unit1.h"
#include "settings/options.h"
#include "platform/effects.h"
#include "platform/handle_codec.h"
#include "platform/messages.h"
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
         buttonStyle == kStyleUser;
}

int ButtonStyleFor(int symbolType, int osCode) {
  switch (symbolType) {
    case kSymbolClassic: return kStyleClassic;
    case kSymbolXP: return kStyleXP;
    case kSymbolSystem: return osCode;
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

// ---- The main window's side

void TForm1::ApplySymbolType() {
  ButtonStyle = ButtonStyleFor(Options.SymbolType, GetOsCode());
  // Tells the hook library whether a press at the button's place is the button's.
  if (StyleHasImages(ButtonStyle)) SetPropA(hwnd(), kButtonShownProperty, hwnd());
  else RemovePropA(hwnd(), kButtonShownProperty);
}

void TForm1::InstallHook() {
  if (Options.WinFilter == kFilterMainWindows || Options.WinFilter == kFilterListedPrograms) hooks_.SetHook();
  else if (Options.WinFilter == kFilterAllWindows) hooks_.SetHookAll();
}

void TForm1::RegisterHotKeyFromOptions() {
  if (Options.HotKey == kHotKeyCtrlTab) CurrentEffects().RegisterHotKey(hwnd(), kHotKeyCtrlTab, MOD_CONTROL, VK_TAB);
  else if (Options.HotKey == kHotKeyCtrlSpace)
    CurrentEffects().RegisterHotKey(hwnd(), kHotKeyCtrlSpace, MOD_CONTROL, VK_SPACE);
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
  RunCollectionPass();
  passRunning_ = false;
  if (rescanAfterPass_ && !destroyed_) Timer2.Enable();
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
    // A message handled in between may have emptied the table.
    if (i < ButtonWindowCount) DrawButtonUp(i);
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
}

void TForm1::CollectMainWindows() { CollectWindows(kMainWindowStyleMask); }
void TForm1::CollectAllWindows() { CollectWindows(kAnyWindowStyleMask); }

void TForm1::CollectWindows(LONG styleMask) {
  const HWND taskBar = FindWindowA("Shell_TrayWnd", nullptr);
  const HWND progman = FindWindowA("Progman", nullptr);
  const HWND playlist = FindWindowA("Winamp PE", nullptr);
  const HWND desktop = GetDesktopWindow();
  for (HWND w = GetTopWindow(nullptr); w && !destroyed_; w = GetWindow(w, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongA(w, GWL_STYLE);
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
}

int TForm1::FindButtonWindow(HWND window) {
  int found = 0;
  for (int i = 0; i < ButtonWindowCount && !found; ++i)
    if (ButtonWindows[i].Handle == window) found = i + 1;
  // The program test walks every process: only for a window of the table.
  if (found && Options.WinFilter == kFilterListedPrograms && !IsListedProgramWindow(window)) return 0;
  return found;
}

bool TForm1::IsListedProgramWindow(HWND window) const {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (!pid) return false;
  KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return false;
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
    if (entry.th32ProcessID != pid) continue;
    // Names are compared whole, however long.
    for (const std::string& app : Options.Applications)
      if (std::strcmp(FileNamePart(app.c_str()), entry.szExeFile) == 0) return true;
  }
  return false;
}

void TForm1::DrawButtonUp(int index) { DrawButton(index, false); }
void TForm1::DrawButtonDown(int index) { DrawButton(index, true); }

void TForm1::DrawButton(int index, bool pressed) {
  if (index < 0 || index >= ButtonWindowCount) return;
  ButtonWindowEntry& entry = ButtonWindows[index];
  // A window that has gone keeps its entry until the next pass but is not drawn.
  if (!IsWindow(entry.Handle)) return;
  RECT wr{};
  GetWindowRect(entry.Handle, &wr);
  RECT button = ProgramButtonRect(wr.right - wr.left, SystemFrameMetrics());
  const Picture* image = nullptr;
  if (ButtonStyle == kStyleClassic || ButtonStyle == kStyleClassic98) image = pressed ? &BDown : &BUp;
  else if (ButtonStyle == kStyleXP) image = pressed ? &BDownXP : &BUpXP;
  else if (ButtonStyle == kStyleUser) image = pressed ? &BDownUser : &BUpUser;
  else button = EmptyButtonRect(ButtonStyle);
  // Without a user bitmap the button keeps the classic look rather than turning invisible.
  if (image && image->Empty()) image = pressed ? &BDown : &BUp;
  if (image) {
    WindowDc dc(entry.Handle, WindowDc::Whole);
    image->StretchDraw(dc.get(), button);
  }
  entry.ButtonRect = button;
}

void TForm1::RedrawButton(HWND window) {
  const int i = FindButtonWindow(window);
  if (i == 0) return;
  if (ButtonPressed == -1) DrawButtonDown(i - 1);
  else if (ButtonPressed == 0) DrawButtonUp(i - 1);
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
  if (!GetWindowRect(entry.Handle, &wr)) return false;
  return HitsButtonStrict(entry.ButtonRect, POINT{cursor.x - wr.left, cursor.y - wr.top});
}

void TForm1::ButtonDown(HWND window) {
  const int i = FindButtonWindow(window);
  if (i == 0 || !IsWindow(window)) return;
  SetForegroundWindow(window);
  if (CursorOnButton(i - 1)) {
    ButtonPressed = -1;
    DrawButtonDown(i - 1);
  }
}

void TForm1::ButtonUp(HWND window) {
  const int i = FindButtonWindow(window);
  if (i == 0 || !IsWindow(window) || !CursorOnButton(i - 1)) return;
  ButtonPressed = 0;
  DrawButtonUp(i - 1);
  CurrentWindow = window;
  AddTrTimer.Enable();
}

void TForm1::MinButton(HWND window) {
  if (Options.SymbolType != kSymbolRightClickMinimize) return;
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
    AddTrTimer.Enable();
  }
}

bool TForm1::HandleHookMessage(UINT msg, LPARAM lp) {
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
      RedrawButton(window);
      return true;
    case HM_REDRAWTWICE:
      if (FindButtonWindow(window) != 0) {
        // Every window that asked before the timer runs gets its second redraw.
        if (std::find(redrawAgain_.begin(), redrawAgain_.end(), window) == redrawAgain_.end())
          redrawAgain_.push_back(window);
        Timer3.Enable();
        RedrawButton(window);
      }
      return true;
    case HM_ADDWINDOW: AddButtonWindow(window); return true;
    case HM_CLEARWINDOWS:
      ButtonWindowCount = 0;
      nextPass_.clear();
      return true;
    case HM_RESCAN: Timer2.Enable(); return true;
    case HM_BUTTONDOWN: ButtonDown(window); return true;
    case HM_BUTTONUP: ButtonUp(window); return true;
    case HM_MINBUTTON: MinButton(window); return true;
    default: return true;  // HM_IDLE and the numbers without a handler
  }
}

}  // namespace corvel
