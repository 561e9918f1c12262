#include "core/minimize_restore.h"
#include "floating/blend_win.h"
#include "options/options_form.h"
#include "sysinfo/about_form.h"
#include "platform/menu_margin.h"
#include "platform/rotated_font.h"
#include "sysinfo/os_info.h"
#include "tests/unit/main_form_fixture.h"

namespace corvel {
namespace {

using test::MainFormTest;
using test::TestWindow;

std::vector<int> AlphasOf(const test::RecordingEffects& r, HWND w) {
  std::vector<int> a;
  for (const auto& s : r.alphas)
    if (s.hwnd == w) a.push_back(s.alpha);
  return a;
}

TEST(Fades, AlphaSequences) {
  EXPECT_EQ(FadeOutAlphas(), (std::vector<BYTE>{255, 250, 200, 150, 100, 50, 0}));
  EXPECT_EQ(FadeInAlphas(), (std::vector<BYTE>{0, 0, 0, 80, 160, 240, 255}));
}

TEST_F(MainFormTest, MinimizeHidesAndMakesEveryRepresentationRestoreRemovesThem) {
  TestWindow w("to the tray");
  Start();
  form->CurrentWindow = w.hwnd();
  form->AddTrTimer.Enable();
  WaitTimers();
  EXPECT_FALSE(IsWindowVisible(w.hwnd()));
  ASSERT_EQ(form->TrayWindows.size(), 1u);
  ASSERT_EQ(form->MenuWindows.size(), 1u);
  EXPECT_NE(LiveIcon(w.hwnd()), nullptr);
  EXPECT_EQ(form->Journal.Entries().size(), 1u);
  form->ButtonWindowCount = 0;
  form->CurrentWindow = w.hwnd();
  form->DelTrTimer.Enable();
  WaitTimers();
  EXPECT_TRUE(test::PumpUntil([&] { return IsWindowVisible(w.hwnd()); }));
  EXPECT_FALSE(IsIconic(w.hwnd()));
  EXPECT_TRUE(form->TrayWindows.empty());
  EXPECT_TRUE(form->MenuWindows.empty());
  EXPECT_EQ(LiveIcon(w.hwnd()), nullptr);
  EXPECT_EQ(form->FindButtonWindow(w.hwnd()), 1) << "back in the table";
  EXPECT_TRUE(form->Journal.Entries().empty());
}

TEST_F(MainFormTest, WithNoRepresentationChosenNothingHappens) {
  TestWindow w("stays");
  Start("[MinOptions]\r\nMinToTray=0\r\nMinToMenu=0\r\nMinToWindow=0\r\n");
  form->CurrentWindow = w.hwnd();
  form->AddTrTimerTimer();
  EXPECT_TRUE(IsWindowVisible(w.hwnd()));
  EXPECT_TRUE(form->TrayWindows.empty() && form->MenuWindows.empty() && form->FloatingWindows.empty());
  // The floating window alone is enough: it brings the window back.
  form->Options.MinToWindow = true;
  form->AddTrTimerTimer();
  EXPECT_FALSE(IsWindowVisible(w.hwnd()));
  EXPECT_TRUE(form->TrayWindows.empty() && form->MenuWindows.empty());
  ASSERT_EQ(form->FloatingWindows.size(), 1u);
  ASSERT_TRUE(form->FloatingWindows[0].Form);
  form->FloatingWindows[0].Form->RxPopupMenu1.Click(form->FloatingWindows[0].Form->Restore1);
  WaitTimers();
  EXPECT_TRUE(test::PumpUntil([&] { return IsWindowVisible(w.hwnd()); }));
  EXPECT_FALSE(form->FloatingWindows[0].Form);
}

TEST_F(MainFormTest, FadesStepTheAlphaAndPutTheStyleBack) {
  TestWindow w("faded");
  const LONG oldEx = GetWindowLongA(w.hwnd(), GWL_EXSTYLE);
  Start("[Options]\r\nSlowA=1\r\nSlowD=1\r\n");
  form->CurrentWindow = w.hwnd();
  form->AddTrTimerTimer();
  EXPECT_FALSE(IsWindowVisible(w.hwnd()));
  EXPECT_EQ(GetWindowLongA(w.hwnd(), GWL_EXSTYLE), oldEx);
  const bool resolved = form->SetLayeredAttributes.Resolved();
  if (resolved) {
    EXPECT_EQ(AlphasOf(effects.recorder, w.hwnd()), (std::vector<int>{255, 250, 200, 150, 100, 50, 0, 255}));
    for (const auto& a : effects.recorder.alphas) {
      if (a.hwnd != w.hwnd()) continue;  // the floating window's own
      // Exactly layered while fading; the system keeps its own edge bit of captioned windows.
      EXPECT_EQ(a.exStyle & ~WS_EX_WINDOWEDGE, WS_EX_LAYERED);
      EXPECT_EQ(a.flags, static_cast<DWORD>(LWA_ALPHA));
    }
  } else {
    EXPECT_TRUE(effects.recorder.alphas.empty());
  }
  effects.recorder.alphas.clear();
  form->CurrentWindow = w.hwnd();
  form->DelTrTimerTimer();
  EXPECT_TRUE(test::PumpUntil([&] { return IsWindowVisible(w.hwnd()); }));
  EXPECT_EQ(GetWindowLongA(w.hwnd(), GWL_EXSTYLE), oldEx);
  if (resolved) {
    EXPECT_EQ(AlphasOf(effects.recorder, w.hwnd()), (std::vector<int>{0, 0, 0, 80, 160, 240, 255}));
  } else {
    EXPECT_TRUE(effects.recorder.alphas.empty());
  }
}

// Another program's window fades on a thread of its own, in the order the fades need: its own
// style comes back only once it is hidden, and the fade-in begins once it is shown again.
// The program may hang just as its style is changed: Corvel does not wait for it.
TEST_F(MainFormTest, FadesOfAnotherProgramsWindowKeepTheirOrderAndNeverWaitOnIt) {
  constexpr DWORD kHangMs = 1500;
  test::ThreadWindow w("faded elsewhere", kHangMs);
  const LONG oldEx = GetWindowLongA(w.hwnd(), GWL_EXSTYLE);
  Start("[Options]\r\nSlowA=1\r\nSlowD=1\r\n");
  const DWORD before = GetTickCount();
  form->HideWindow(w.hwnd());
  EXPECT_LT(GetTickCount() - before, kHangMs / 2) << "the hiding waited on the hung program";
  ASSERT_TRUE(test::PumpUntil([&] { return w.StyleChanges().size() >= 2; }, 5000));
  auto changes = w.StyleChanges();
  EXPECT_TRUE(changes[0].exStyle & WS_EX_LAYERED);
  EXPECT_EQ(changes[1].exStyle, oldEx);
  EXPECT_FALSE(changes[1].visible) << "its own style came back before it was hidden";
  EXPECT_FALSE(IsWindowVisible(w.hwnd()));
  form->RestoreWindow(w.hwnd());
  ASSERT_TRUE(test::PumpUntil([&] { return w.StyleChanges().size() >= 4; }, 5000));
  changes = w.StyleChanges();
  EXPECT_TRUE(changes[2].exStyle & WS_EX_LAYERED);
  EXPECT_EQ(changes[3].exStyle, oldEx);
  EXPECT_TRUE(changes[3].visible) << "the fade-in ended before the window was shown";
  EXPECT_TRUE(test::PumpUntil([&] { return IsWindowVisible(w.hwnd()) != FALSE; }));
}

TEST_F(MainFormTest, AMaximizedWindowComesBackMaximizedAndInFront) {
  TestWindow w("maximized"), other("other");
  ShowWindow(w.hwnd(), SW_MAXIMIZE);
  Start();
  form->CurrentWindow = w.hwnd();
  form->AddTrTimerTimer();
  SetForegroundWindow(other.hwnd());
  form->CurrentWindow = w.hwnd();
  form->DelTrTimerTimer();
  EXPECT_TRUE(test::PumpUntil([&] { return IsWindowVisible(w.hwnd()) && GetForegroundWindow() == w.hwnd(); }));
  EXPECT_TRUE(IsZoomed(w.hwnd()));
  EXPECT_EQ(GetForegroundWindow(), w.hwnd());
}

TEST_F(MainFormTest, AWindowThatIsGoneOnlyLosesItsRepresentations) {
  auto w = std::make_unique<TestWindow>("will close");
  const HWND h = w->hwnd();
  Start();
  form->CurrentWindow = h;
  form->AddTrTimerTimer();
  w.reset();
  ASSERT_FALSE(IsWindow(h));
  const int count = form->ButtonWindowCount;
  form->CurrentWindow = h;
  form->DelTrTimerTimer();
  EXPECT_TRUE(form->TrayWindows.empty());
  EXPECT_TRUE(form->MenuWindows.empty());
  EXPECT_EQ(LiveIcon(h), nullptr);
  EXPECT_EQ(form->ButtonWindowCount, count) << "a dead window is not put back in the table";
  // Minimizing a dead window makes nothing.
  form->CurrentWindow = h;
  form->AddTrTimerTimer();
  EXPECT_TRUE(form->TrayWindows.empty());
}

TEST_F(MainFormTest, TheMarginWordFollowsTheNumberOfWindowsInTheMenu) {
  EXPECT_STREQ(TForm1::TrayMenuMarginText(0), "Corvel");
  EXPECT_STREQ(TForm1::TrayMenuMarginText(1), "QX Corvel");
  EXPECT_STREQ(TForm1::TrayMenuMarginText(2), "QX Corvel");
  EXPECT_STREQ(TForm1::TrayMenuMarginText(3), "Corvel  2.4");
  EXPECT_STREQ(TForm1::TrayMenuMarginText(50), "Corvel  2.4");
  Start();
  EXPECT_EQ(form->RxPopupMenu1.LeftMargin, 7 * PopupMenu::MenuTextHeight() / 4);
  // Painting the margin writes white text over the gradient, from black to blue.
  BitmapHandle bmp = CreateScreenBitmap(40, 200);
  MemoryDc dc = CreateScreenCompatibleDc();
  SelectGuard sel(dc.get(), bmp.get());
  const RECT strip{0, 0, form->RxPopupMenu1.LeftMargin, 200};
  form->PopupMenuDrawMargin(dc.get(), strip);
  EXPECT_EQ(GetPixel(dc.get(), 0, 0), RGB(0, 0, 0));
  const COLORREF bottom = GetPixel(dc.get(), 0, 199);
  EXPECT_EQ(GetRValue(bottom), 0);
  EXPECT_GT(GetBValue(bottom), 240);
  EXPECT_EQ(GetPixel(dc.get(), strip.right - 2, 100), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(GetPixel(dc.get(), strip.right - 1, 100), GetSysColor(COLOR_BTNHIGHLIGHT));
  int white = 0;
  for (int y = 100; y < 200; ++y)
    for (int x = 0; x < strip.right - 3; ++x) white += GetPixel(dc.get(), x, y) == RGB(255, 255, 255);
  EXPECT_GT(white, 10) << "the word is written near the bottom";
}

void CALLBACK CloseTheMenu(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  EndMenu();
}

// Both menus of the tray icon open with Corvel in the foreground, so that a click elsewhere
// closes them.
TEST_F(MainFormTest, TheMenusOfTheTrayIconMakeCorvelTheForegroundWindowFirst) {
  TestWindow other("in front");
  Start();
  for (PopupMenu* menu : {&form->RxPopupMenu1, &form->RxPopupMenu2}) {
    SetForegroundWindow(other.hwnd());
    ASSERT_TRUE(test::PumpUntil([&] { return GetForegroundWindow() == other.hwnd(); }));
    HWND seen = nullptr;
    const std::function<void()> before = menu->OnPopup;
    menu->OnPopup = [&] {
      seen = GetForegroundWindow();
      if (before) before();
    };
    SetTimer(nullptr, 0, 50, CloseTheMenu);
    if (menu == &form->RxPopupMenu1) form->PopupTrayMenu(100, 100);
    else form->RxTrayIcon1Click(TRxTrayIcon::Button::Left, 100, 100);
    menu->OnPopup = before;
    EXPECT_EQ(seen, form->hwnd());
  }
}

TEST(MenuMargin, GradientBandsAndTheTurnedFont) {
  const auto bands = MarginGradientBands(RECT{0, 0, 22, 320}, RGB(0, 0, 0), RGB(0, 0, 255));
  ASSERT_EQ(bands.size(), 32u);
  EXPECT_EQ(bands.front().colour, RGB(0, 0, 0));
  EXPECT_EQ(bands.back().colour, RGB(0, 0, 255));
  EXPECT_EQ(bands.front().rect.right, 19);
  EXPECT_EQ(bands.back().rect.bottom, 320);
  EXPECT_EQ(MarginGradientBands(RECT{0, 0, 22, 10}, 0, 0xFF0000).size(), 10u);
  EXPECT_EQ(MarginGradientBands(RECT{0, 0, 22, 1}, 0, 0xFF0000).size(), 2u);
  FontSpec f;
  f.name = "Arial";
  f.height = -15;
  f.bold = true;
  f.pitch = FontPitch::Variable;
  const LOGFONTA lf = RotatedFontRecord(f, 90);
  EXPECT_EQ(lf.lfHeight, -15);
  EXPECT_EQ(lf.lfEscapement, 900);
  EXPECT_EQ(lf.lfOrientation, 0);
  EXPECT_EQ(lf.lfWeight, 700);
  EXPECT_EQ(lf.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(lf.lfPitchAndFamily, VARIABLE_PITCH);
  EXPECT_STREQ(lf.lfFaceName, "Arial");
  EXPECT_TRUE(CreateRotatedFont(f, 90));
}

TForm1* g_form;
TAForm* g_about;
int g_visibleAbout, g_nestedReturned;

TEST_F(MainFormTest, ALibraryRenamesOnlyTheThreeFixedItemsOfTheTrayMenu) {
  TestWindow w("Listed window");
  Start();
  form->CurrentWindow = w.hwnd();
  form->AddTrTimerTimer();
  ASSERT_EQ(form->MenuWindows.size(), 1u);
  const auto captions = [this] {
    std::vector<std::wstring> out;
    for (size_t i = 0; i < form->RxPopupMenu1.Count(); ++i) out.push_back(form->RxPopupMenu1.At(i).caption);
    return out;
  };
  std::vector<std::wstring> expected = captions();
  expected[form->RxPopupMenu1.IndexOf(form->About2)] = L"Info";
  expected[form->RxPopupMenu1.IndexOf(form->Options2)] = L"Optionen";
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string lib = std::string(dir) + "corvel-menu.lng";
  test::WriteFileBytes(lib, "[Localization library]\r\nAboutStr=Info\r\nOptionsStr=Optionen\r\n");
  form->Local.ApplyLanguageLibrary(lib);
  DeleteFileA(lib.c_str());
  // Without "ExitStr" the Exit item reads its default; the window's entry is untouched.
  EXPECT_EQ(captions(), expected);
  EXPECT_EQ(form->RxPopupMenu1.At(form->RxPopupMenu1.IndexOf(form->Exit2)).caption, L"Exit");
  EXPECT_EQ(GetMenuItemCount(form->RxPopupMenu1.Handle()), static_cast<int>(expected.size()));
}

// Runs inside the about box's modal loop.
void CALLBACK ChooseAboutAgain(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_form->About2Click();  // returns at once: already shown
  ++g_nestedReturned;
  for (HWND w = FindWindowA("TAForm", nullptr); w; w = FindWindowExA(nullptr, w, "TAForm", nullptr))
    g_visibleAbout += IsWindowVisible(w) ? 1 : 0;
  PostMessageA(g_about->hwnd(), WM_CLOSE, 0, 0);
}

TEST_F(MainFormTest, ExitEndsTheLoopAndTheDialogsOpenOnce) {
  Start();
  TAForm about(form->Local);
  TForm2 options(*form);
  ASSERT_TRUE(about.CreateForm(form->hwnd()));
  ASSERT_TRUE(options.CreateForm(form->hwnd()));
  form->SetForms(&options, &about, nullptr, nullptr);
  // While the about box is open, choosing it again opens nothing more; then it is closed.
  g_form = form.get();
  g_about = &about;
  g_visibleAbout = g_nestedReturned = 0;
  SetTimer(nullptr, 0, 50, ChooseAboutAgain);
  form->RxPopupMenu1.Click(form->About2);
  EXPECT_EQ(g_nestedReturned, 1);
  EXPECT_EQ(g_visibleAbout, 1);
  EXPECT_FALSE(about.Visible()) << "hidden when its modal loop ends";
  form->SetForms(nullptr, nullptr, nullptr, nullptr);

  form->RxPopupMenu1.Click(form->Exit2);
  MSG quit;
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// Runs inside the about box's modal loop: what its lines and caption read, then OK.
std::string g_aboutLines;
void CALLBACK ReadAboutAndClose(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_aboutLines = g_about->Label3.Text() + "|" + g_about->Label6.Text() + "|" + g_about->Label7.Text() + "|" +
                 WindowText(g_about->hwnd());
  SendMessageA(g_about->hwnd(), WM_COMMAND, IDOK, reinterpret_cast<LPARAM>(g_about->Button1.hwnd()));
}

TEST_F(MainFormTest, TheAboutBoxTakesALanguageLibraryAtItsNextOpening) {
  Start();
  TAForm about(form->Local);
  ASSERT_TRUE(about.CreateForm(form->hwnd()));
  form->SetForms(nullptr, &about, nullptr, nullptr);
  g_about = &about;
  auto open = [this] {
    g_aboutLines.clear();
    SetTimer(nullptr, 0, 20, ReadAboutAndClose);
    form->RxPopupMenu1.Click(form->About2);
    return g_aboutLines;
  };
  const std::string os = " " + GetOsName() + "|";
  const std::string memory = " " + std::to_string(GetTotalMemoryKb()) + " KB|";
  EXPECT_EQ(open(), "Version 2.4 beta|Operation system:" + os + "Memory available:" + memory + "About Corvel");
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string lib = std::string(dir) + "corvel-about.lng";
  test::WriteFileBytes(lib, "[Localization library]\r\nVersion=Fassung\r\nOS=Betriebssystem:\r\n"
                            "Mem=Arbeitsspeicher:\r\nAboutStr=Info\r\n");
  form->Local.ApplyLanguageLibrary(lib);
  EXPECT_EQ(open(), "Fassung 2.4|Betriebssystem:" + os + "Arbeitsspeicher:" + memory + "Info");
  // A library without those keys gives their defaults, not the built-in texts.
  DeleteFileA(lib.c_str());
  form->Local.ApplyLanguageLibrary(lib);
  EXPECT_EQ(open(), "Version 2.4|Operation system:" + os + "Memory available:" + memory + "About...");
  form->SetForms(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace
}  // namespace corvel
