#include "core/minimize_restore.h"
#include "app/unit1.h"
#include "options/options_form.h"
#include "platform/messages.h"
#include "platform/menu_margin.h"
#include "resources/menu_images.h"
#include "sysinfo/about_form.h"
#include "platform/text.h"
#include "platform/window_jobs.h"

namespace corvel {

namespace {

constexpr BYTE kOpaque = 255;
constexpr int kFadeOutStep = 50;
constexpr int kFadeInStep = 80;
constexpr int kMarginTextAngle = 90;
constexpr COLORREF kMarginTop = RGB(0, 0, 0);
constexpr COLORREF kMarginBottom = RGB(0, 0, 255);
constexpr UINT kResponsiveTimeoutMs = 200;

// Style changes are sent to the window; skip the fade of one that does not answer.
bool Responsive(HWND window) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kResponsiveTimeoutMs, &result) != 0;
}

}  // namespace

std::vector<BYTE> FadeOutAlphas() {
  std::vector<BYTE> a{kOpaque};
  for (int n = 255; n >= 0; --n)
    if (n % kFadeOutStep == 0) a.push_back(static_cast<BYTE>(n));
  return a;
}

std::vector<BYTE> FadeInAlphas() {
  std::vector<BYTE> a{0, 0};
  for (int i = 0; i <= 255; ++i)
    if (i % kFadeInStep == 0) a.push_back(static_cast<BYTE>(i));
  a.push_back(kOpaque);
  return a;
}

void TForm1::AddTrTimerTimer() {
  AddTrTimer.Disable();
  const HWND window = CurrentWindow;
  if (!(Options.MinToTray || Options.MinToMenu || Options.MinToWindow)) return;
  // A window that is gone has nothing to minimize.
  if (!IsWindow(window)) return;
  HideWindow(window);
  if (Options.MinToTray) AddTrayIcon(window);
  if (Options.MinToMenu) AddMenuEntry(window);
  if (Options.MinToWindow) AddFloatingWindow(window);
}

void TForm1::DelTrTimerTimer() {
  DelTrTimer.Disable();
  const HWND window = CurrentWindow;
  RemoveTrayIcon(window);
  RemoveMenuEntry(window);
  RemoveFloatingWindow(window);
  // A window that ceased to exist while minimized only loses its representations.
  if (!IsWindow(window)) {
    Journal.Remove(window);
    CloseAfterRestore = false;
    return;
  }
  RestoreWindow(window);
  AddButtonWindow(window);
  RedrawButton(window);
  if (CloseAfterRestore) {
    // Asked, not waited for: a program that hangs or asks its user first must not stop this one.
    // After a fade-in still under way, once the window is shown.
    if (WindowJobsPending(window)) RunWindowJob(window, [window] { PostMessageA(window, WM_CLOSE, 0, 0); });
    else PostMessageA(window, WM_CLOSE, 0, 0);
    CloseAfterRestore = false;
  }
}

// The steps of a fade and of the showing or hiding around it, in the order the fades need: the
// old style and alpha 255 come back only once the window is hidden, and the fade-in runs once it
// is shown. Run on the window's own thread (a window of this program) or on a thread of the
// window's own (platform/window_jobs.h), never on the user-interface thread for another program.
namespace {

struct Steps {
  HWND window;
  LayeredCall layered;
  bool fade;
  bool toFront;
};

void Apply(HWND window, int command, bool sync) {
  if (!window) return;
  if (sync) ShowWindow(window, command);
  else ShowWindowAsync(window, command);
}

void HideSteps(const Steps& s, bool sync) {
  const bool fade = s.fade && Responsive(s.window);
  LONG oldStyle = 0;
  if (fade) {
    oldStyle = GetWindowLongA(s.window, GWL_EXSTYLE);
    SetWindowLongA(s.window, GWL_EXSTYLE, kLayeredStyle);
    for (BYTE alpha : FadeOutAlphas()) s.layered(s.window, 0, alpha, kLayeredAlphaFlag);
  }
  // With a fade the window must be hidden before its old style comes back: the steps wait.
  const bool wait = sync || fade;
  Apply(s.window, SW_SHOWMINIMIZED, wait);
  Apply(GetParent(s.window), SW_HIDE, wait);
  Apply(GetWindow(s.window, GW_OWNER), SW_HIDE, wait);
  Apply(s.window, SW_HIDE, wait);
  if (fade) {
    s.layered(s.window, 0, kOpaque, kLayeredAlphaFlag);
    SetWindowLongA(s.window, GWL_EXSTYLE, oldStyle);
  }
}

void ShowSteps(const Steps& s, bool sync) {
  const bool fade = s.fade && Responsive(s.window);
  const std::vector<BYTE> alphas = FadeInAlphas();
  LONG oldStyle = 0;
  if (fade) {
    oldStyle = GetWindowLongA(s.window, GWL_EXSTYLE);
    SetWindowLongA(s.window, GWL_EXSTYLE, kLayeredStyle);
    s.layered(s.window, 0, alphas.front(), kLayeredAlphaFlag);
  }
  const bool wait = sync || fade;
  const HWND owner = GetWindow(s.window, GW_OWNER);
  Apply(owner, SW_SHOW, wait);
  Apply(s.window, SW_SHOW, wait);
  Apply(owner, SW_RESTORE, wait);
  Apply(s.window, SW_RESTORE, wait);
  if (s.toFront) SetForegroundWindow(s.window);
  if (fade) {
    for (size_t i = 1; i < alphas.size(); ++i) s.layered(s.window, 0, alphas[i], kLayeredAlphaFlag);
    SetWindowLongA(s.window, GWL_EXSTYLE, oldStyle);
  }
}

bool OfThisThread(HWND window) { return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId(); }

// Here where the window is this thread's, or where nothing waits on its program (no fade, no
// step of it still under way); on the window's own thread otherwise.
void RunSteps(const Steps& s, void (*steps)(const Steps&, bool)) {
  if (OfThisThread(s.window)) {
    steps(s, true);
  } else if (!s.fade && !WindowJobsPending(s.window)) {
    steps(s, false);
  } else {
    RunWindowJob(s.window, [s, steps] { steps(s, true); });
  }
}

}  // namespace

void TForm1::HideWindow(HWND window) {
  Journal.Add(window);
  // An owned window stays shown when its owner is hidden.
  if (UseButtonWindows) ButtonWindowsShown.Hide(window);
  RunSteps(Steps{window, SetLayeredAttributes.Call(), Options.SlowD, false}, HideSteps);
  // A hide that does not happen gives the window its button back.
  FollowWindow(window, false);
}

void TForm1::RestoreWindow(HWND window, bool toFront) {
  RunSteps(Steps{window, SetLayeredAttributes.Call(), Options.SlowA, toFront}, ShowSteps);
  FollowWindow(window, true);
  // At shutdown the journal is emptied once, after every window is back.
  if (!destroyed_) Journal.Remove(window);
}

// Each window brought to the front in turn would leave the same one in front, after its
// program had been activated and repainted once for every window before it.
void TForm1::RestoreWindows(const std::vector<HWND>& windows) {
  for (HWND window : windows) RestoreWindow(window, false);
  if (!windows.empty()) SetForegroundWindow(windows.back());
}

// ---- The tray menu

void TForm1::BuildTrayMenu() {
  AddTrayMenuImages(ImageList1);
  auto item = [](const char* caption, MenuImage image, std::function<void()> click) {
    return PopupMenu::Command(Widen(caption), static_cast<int>(image), std::move(click));
  };
  const PopupMenu::Item separator = PopupMenu::Separator();
  About2 = RxPopupMenu1.Append(item("About...", MenuImage::About, [this] { About2Click(); }));
  N4 = RxPopupMenu1.Append(separator);
  N6 = RxPopupMenu1.Append(separator);
  Options2 = RxPopupMenu1.Append(item("Options", MenuImage::Options, [this] { Options2Click(); }));
  Exit2 = RxPopupMenu1.Append(item("Exit", MenuImage::Exit, [this] { Exit2Click(); }));
  RxPopupMenu1.LeftMargin = TrayMenuMarginWidth();
  RxPopupMenu1.OnDrawMargin = [this](HDC dc, const RECT& strip) { PopupMenuDrawMargin(dc, strip); };
  RxPopupMenu1.OnPopup = [this] { RxPopupMenu1Popup(); };
}

int TForm1::TrayMenuMarginWidth() { return (7 * PopupMenu::MenuTextHeight()) / 4; }

const char* TForm1::TrayMenuMarginText(size_t menuWindows) {
  if (menuWindows >= 3) return "Corvel  2.4";
  if (menuWindows >= 1) return "QX Corvel";
  return "Corvel";
}

void TForm1::PopupMenuDrawMargin(HDC dc, const RECT& strip) {
  const int h = PopupMenu::MenuTextHeight();
  RxPopupMenu1.LeftMargin = TrayMenuMarginWidth();
  FontSpec marginFont;
  marginFont.name = "Arial";
  marginFont.bold = true;
  marginFont.height = FontHeightForPoints((7 * h) / 8);
  FontHandle font = CreateRotatedFont(marginFont, kMarginTextAngle);
  PaintMenuMargin(dc, strip, MarginStyle{kMarginTop, kMarginBottom, font.get(), 0}, TrayMenuMarginText(MenuWindows.size()));
}

void TForm1::RxPopupMenu1Popup() { ProcessPendingMessages(); }

void TForm1::PopupTrayMenu(int x, int y) { RxPopupMenu1.Popup(hwnd(), x, y); }

void TForm1::About2Click() {
  if (aForm_) aForm_->ShowModalOnce();
}

void TForm1::Options2Click() {
  if (form2_) form2_->ShowModalOnce();
}

void TForm1::Exit2Click() { TerminateApplication(); }

void TForm1::RxTrayIcon1Click(TRxTrayIcon::Button, int x, int y) { RxPopupMenu2.Popup(hwnd(), x, y); }

}  // namespace corvel
