#include "core/managed_windows.h"
#include "floating/blend_win.h"
#include "floating/set_blend_form.h"
#include "platform/text.h"
#include "platform/tray_icon.h"
#include "sysinfo/os_info.h"
#include "tests/unit/main_form_fixture.h"

namespace corvel {
namespace {

using test::MainFormTest;
using test::TestWindow;

UINT Id(HWND w) { return static_cast<UINT>(reinterpret_cast<UINT_PTR>(w)); }

COLORREF IconPixel(HICON icon, int x, int y) {
  ICONINFO info{};
  GetIconInfo(icon, &info);
  MemoryDc dc = CreateScreenCompatibleDc();
  COLORREF c;
  {
    SelectGuard sel(dc.get(), info.hbmColor);
    c = GetPixel(dc.get(), x, y);
  }
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return c;
}

TEST_F(MainFormTest, TrayIconIsTheCaptionIconInsideTheBorderColour) {
  // A window without any icon: a plain button-face square in the border.
  TestWindow w("no icon", 100, 100, 300, 200, WS_OVERLAPPED | WS_CAPTION | WS_MINIMIZEBOX);
  Start();
  form->Options.IconBrColor = RGB(0, 200, 0);
  IconHandle icon = form->MakeTrayIcon(w.hwnd());
  ASSERT_TRUE(icon);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon.get(), &info));
  BITMAP bm{};
  GetObjectA(info.hbmColor, sizeof bm, &bm);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  EXPECT_TRUE(info.fIcon);
  // From Vista on the tray's small-icon size, before it a caption button's less its edge.
  const bool small = IsVistaOrLater(form->OsCode);
  EXPECT_EQ(bm.bmWidth, small ? GetSystemMetrics(SM_CXSMICON) : GetSystemMetrics(SM_CXSIZE) - 2);
  EXPECT_EQ(bm.bmHeight, small ? GetSystemMetrics(SM_CYSMICON) : GetSystemMetrics(SM_CYSIZE) - 2);
  EXPECT_EQ(IconPixel(icon.get(), 0, 0), RGB(0, 200, 0));
  EXPECT_EQ(IconPixel(icon.get(), bm.bmWidth / 2, 0), RGB(0, 200, 0));
  EXPECT_EQ(IconPixel(icon.get(), 0, bm.bmHeight / 2), RGB(0, 200, 0));
  EXPECT_EQ(IconPixel(icon.get(), bm.bmWidth - 4, bm.bmHeight - 4), GetSysColor(COLOR_BTNFACE));

  BitmapHandle image = form->MakeMenuImage(w.hwnd());
  GetObjectA(image.get(), sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXICON) + 1);
  EXPECT_EQ(bm.bmHeight, GetSystemMetrics(SM_CYICON) + 1);
}

TEST_F(MainFormTest, EachTrayIconHasItsOwnCallbackClearOfTheOtherMessages) {
  Start();
  std::vector<std::unique_ptr<TestWindow>> windows;
  std::vector<UINT> seen;
  for (int i = 0; i < 20; ++i) {
    windows.push_back(std::make_unique<TestWindow>("window " + std::to_string(i)));
    form->AddTrayIcon(windows.back()->hwnd());
  }
  // Free one in the middle and take it again.
  form->RemoveTrayIcon(windows[5]->hwnd());
  form->AddTrayIcon(windows[5]->hwnd());
  for (const auto& r : form->TrayWindows) {
    EXPECT_TRUE(r->CallbackMessage < kFirstHookMessage || r->CallbackMessage > kLastHookMessage);
    EXPECT_NE(r->CallbackMessage, static_cast<UINT>(WM_HOTKEY));
    EXPECT_NE(r->CallbackMessage, static_cast<UINT>(WM_ENDSESSION));
    EXPECT_NE(r->CallbackMessage, kProgramTrayCallback);
    EXPECT_GE(r->CallbackMessage, static_cast<UINT>(WM_APP));
    for (UINT s : seen) EXPECT_NE(s, r->CallbackMessage);
    seen.push_back(r->CallbackMessage);
  }
  EXPECT_EQ(seen.size(), 20u);
}

TEST_F(MainFormTest, TrayIconRecordGoesToTheShellAndComesOut) {
  const std::string title(80, 'T');
  TestWindow w(title + "!");
  Start();
  form->AddTrayIcon(w.hwnd());
  const test::TestTray::Call* icon = LiveIcon(w.hwnd());
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->flags, 7u);
  EXPECT_EQ(icon->callback, form->TrayWindows[0]->CallbackMessage);
  EXPECT_EQ(icon->tip, title.substr(0, 63));
  EXPECT_EQ(icon->iconWidth, GetSystemMetrics(SM_CXSIZE) - 2);
  form->AddTrayIcon(w.hwnd());
  EXPECT_EQ(form->TrayWindows.size(), 1u) << "one icon per window";
  form->RemoveTrayIcon(w.hwnd());
  EXPECT_EQ(LiveIcon(w.hwnd()), nullptr);
  EXPECT_TRUE(form->TrayWindows.empty());
  // Removing what is not there still asks the shell, and nothing breaks.
  const size_t calls = tray->Calls().size();
  form->RemoveTrayIcon(w.hwnd());
  EXPECT_EQ(tray->Calls().size(), calls + 1);
  EXPECT_EQ(tray->Calls().back().code, static_cast<DWORD>(NIM_DELETE));
}

TEST_F(MainFormTest, OnlyTheLeftReleaseOnAWindowIconRestores) {
  TestWindow w("clicked");
  Start();
  form->AddTrayIcon(w.hwnd());
  const UINT callback = form->TrayWindows[0]->CallbackMessage;
  for (LPARAM event : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP, WM_MBUTTONUP}) {
    SendMessageA(form->hwnd(), callback, Id(w.hwnd()), event);
    EXPECT_FALSE(form->DelTrTimer.Enabled()) << event;
  }
  SendMessageA(form->hwnd(), callback + 1, Id(w.hwnd()), WM_LBUTTONUP);
  EXPECT_FALSE(form->DelTrTimer.Enabled());
  SendMessageA(form->hwnd(), callback, Id(w.hwnd()), WM_LBUTTONUP);
  EXPECT_TRUE(form->DelTrTimer.Enabled());
  EXPECT_EQ(form->CurrentWindow, w.hwnd());
}

TEST_F(MainFormTest, AReleaseWithoutAPressOnTheIconRestoresNothing) {
  // What reaches the icon that slides under the pointer when a double click restored its
  // neighbour: the double-click message and the last release.
  TestWindow w("neighbour");
  Start();
  form->AddTrayIcon(w.hwnd());
  const UINT callback = form->TrayWindows[0]->CallbackMessage;
  SendMessageA(form->hwnd(), callback, Id(w.hwnd()), WM_LBUTTONDBLCLK);
  SendMessageA(form->hwnd(), callback, Id(w.hwnd()), WM_LBUTTONUP);
  EXPECT_FALSE(form->DelTrTimer.Enabled());
  SendMessageA(form->hwnd(), callback, Id(w.hwnd()), WM_LBUTTONDOWN);
  SendMessageA(form->hwnd(), callback, Id(w.hwnd()), WM_LBUTTONUP);
  EXPECT_TRUE(form->DelTrTimer.Enabled());
}

std::vector<std::string> Captions(const PopupMenu& m) {
  std::vector<std::string> c;
  for (size_t i = 0; i < m.Count(); ++i) c.push_back(m.At(i).separator ? "-" : Narrow(m.At(i).caption));
  return c;
}

TEST_F(MainFormTest, MenuEntriesStandBetweenTheSeparatorsInTheOrderOfMinimizing) {
  TestWindow a("first"), b(std::string(130, 'b')), c("third");
  Start();
  EXPECT_EQ(Captions(form->RxPopupMenu1), (std::vector<std::string>{"About...", "-", "-", "Options", "Exit"}));
  EXPECT_EQ(GetMenuItemCount(form->RxPopupMenu1.Handle()), 5);
  form->AddMenuEntry(a.hwnd());
  form->AddMenuEntry(b.hwnd());
  form->AddMenuEntry(a.hwnd());  // already there: no change
  form->AddMenuEntry(c.hwnd());
  const std::vector<std::string> expected{"About...", "-", "first", std::string(100, 'b'), "third", "-", "Options", "Exit"};
  EXPECT_EQ(Captions(form->RxPopupMenu1), expected);
  // The real menu holds the same items, owner-drawn, with the records' commands.
  HMENU menu = form->RxPopupMenu1.Handle();
  ASSERT_EQ(GetMenuItemCount(menu), 8);
  for (int i = 0; i < 8; ++i) {
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE | MIIM_ID;
    GetMenuItemInfoA(menu, i, TRUE, &mii);
    EXPECT_TRUE(mii.fType & MFT_OWNERDRAW);
    EXPECT_EQ((mii.fType & MFT_SEPARATOR) != 0, expected[i] == "-");
    EXPECT_EQ(mii.wID, form->RxPopupMenu1.At(i).command);
  }
  EXPECT_EQ(form->MenuWindows[1]->Command, GetMenuItemID(menu, 3));
  // Restoring the first removes only its entry; images move with the entries.
  form->RemoveMenuEntry(a.hwnd());
  EXPECT_EQ(Captions(form->RxPopupMenu1),
            (std::vector<std::string>{"About...", "-", std::string(100, 'b'), "third", "-", "Options", "Exit"}));
  EXPECT_EQ(form->ImageList1.Count(), 5);
  for (const auto& r : form->MenuWindows)
    EXPECT_EQ(form->RxPopupMenu1.At(form->RxPopupMenu1.IndexOf(r->Command)).image, r->ImageIndex);
  // A click on an entry names its window for restoring.
  EXPECT_TRUE(form->RxPopupMenu1.Click(form->MenuWindows[1]->Command));
  EXPECT_EQ(form->CurrentWindow, c.hwnd());
  EXPECT_TRUE(form->DelTrTimer.Enabled());
}

TEST_F(MainFormTest, ManyMinimizesDoNotGrowTheImageList) {
  TestWindow w("again and again");
  Start();
  const int base = form->ImageList1.Count();
  EXPECT_EQ(base, 3);
  for (int i = 0; i < 200; ++i) {
    form->AddMenuEntry(w.hwnd());
    form->RemoveMenuEntry(w.hwnd());
  }
  EXPECT_EQ(form->ImageList1.Count(), base);
  EXPECT_EQ(form->RxPopupMenu1.Count(), 5u);
}

TEST_F(MainFormTest, ShellRestartBringsEveryIconBack) {
  TestWindow a("one"), b("two");
  Start();
  form->AddTrayIcon(a.hwnd());
  form->AddTrayIcon(b.hwnd());
  // The shell forgets everything, then announces itself.
  tray.reset();
  tray = std::make_unique<test::TestTray>();
  SendMessageA(form->hwnd(), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_NE(LiveIcon(a.hwnd()), nullptr);
  EXPECT_NE(LiveIcon(b.hwnd()), nullptr);
  bool own = false;
  for (const auto& c : tray->Live()) own = own || (c.hwnd == form->RxTrayIcon1.hwnd() && c.uid == 0);
  EXPECT_TRUE(own);
}

// ---- Floating windows

TBlendWin* FloatingOf(TForm1& form, HWND window) {
  for (const FloatingWindowRecord& r : form.FloatingWindows)
    if (r.Handle == window && r.Form) return r.Form.get();
  return nullptr;
}

RECT WindowRect(HWND h) {
  RECT r{};
  GetWindowRect(h, &r);
  return r;
}

TEST_F(MainFormTest, FloatingWindowLayeredWhereAlphaExistsAndFreedIntoAClearedSlot) {
  TestWindow a(std::string(300, 'a')), b("second");
  Start();
  form->AddFloatingWindow(a.hwnd());
  form->AddFloatingWindow(b.hwnd());
  ASSERT_EQ(form->FloatingWindows.size(), 2u);
  TBlendWin* fa = FloatingOf(*form, a.hwnd());
  ASSERT_NE(fa, nullptr);
  const HWND fh = fa->hwnd();
  EXPECT_EQ(fa->TargetWindow, a.hwnd());
  EXPECT_EQ(fa->Hint, std::wstring(254, L'a'));
  EXPECT_TRUE(IsWindowVisible(fh));
  EXPECT_EQ(GetWindow(fh, GW_OWNER), form->hwnd()) << "owned by the hidden main window: no task bar button";
  const LONG ex = GetWindowLongA(fh, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_TOPMOST);
  std::vector<int> alphas;
  for (const auto& s : effects.recorder.alphas)
    if (s.hwnd == fh) alphas.push_back(s.alpha);
  if (form->SetLayeredAttributes.Resolved()) {
    EXPECT_EQ(ex & ~WS_EX_TOPMOST, WS_EX_LAYERED);
    EXPECT_EQ(alphas, std::vector<int>{100});
  } else {
    // A layered window without attributes would not show on later systems.
    EXPECT_EQ(ex & ~WS_EX_TOPMOST, 0);
    EXPECT_TRUE(alphas.empty());
  }
  // No icon in the class or the program file: the caption picture, 32 x 32, at the centre.
  const RECT r = WindowRect(fh);
  EXPECT_EQ(r.right - r.left, kPictureWindowSize);
  EXPECT_EQ(r.left, GetSystemMetrics(SM_CXSCREEN) / 2);
  EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN) / 2);
  SetWindowPos(fh, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  form->RemoveFloatingWindow(a.hwnd());
  EXPECT_FALSE(IsWindow(fh));
  ASSERT_EQ(form->FloatingWindows.size(), 2u) << "the array only grows";
  EXPECT_FALSE(form->FloatingWindows[0].Form);
  EXPECT_EQ(form->FloatingWindows[0].Handle, nullptr);
  EXPECT_NE(FloatingOf(*form, b.hwnd()), nullptr);
  const std::string ini = test::ReadFileText(test::SettingsPath());
  EXPECT_NE(ini.find("[Position of windows]"), std::string::npos) << ini;
  EXPECT_NE(ini.find(std::string(30, 'a') + "_Left=40"), std::string::npos) << ini;
  EXPECT_NE(ini.find(std::string(30, 'a') + "_Top=50"), std::string::npos) << ini;
  form->AddFloatingWindow(a.hwnd());
  EXPECT_EQ(form->FloatingWindows.size(), 3u) << "cleared slots are not reused";
  EXPECT_EQ(WindowRect(FloatingOf(*form, a.hwnd())->hwnd()).left, 40) << "back where it was";
}

TEST_F(MainFormTest, FloatingWindowKeysTakeThirtyCharactersAndNoLineBreaks) {
  // A title that would write a section of its own if it went into the file as it stands.
  TestWindow w("evil\r\n[MinOptions]\r\nMinToTray=0");
  Start();
  form->AddFloatingWindow(w.hwnd());
  TBlendWin* f = FloatingOf(*form, w.hwnd());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->PositionKey(), std::string("evil  [MinOptions]  MinToTray=").substr(0, 30));
  SetWindowTextA(w.hwnd(), "renamed");
  form->RemoveFloatingWindow(w.hwnd());
  const std::string ini = test::ReadFileText(test::SettingsPath());
  EXPECT_EQ(ini.find("\n[MinOptions]"), std::string::npos) << ini;
  EXPECT_EQ(ini.find("renamed"), std::string::npos) << "the title is read once: " << ini;
  EXPECT_EQ(GetPrivateProfileIntA("MinOptions", "MinToTray", 7, "Corvl.ini"), 7u);
}

// Titles outside the code page keep every character in the tip, the menu entry, the floating
// window's tooltip and the journal; their floating positions stay apart.
TEST_F(MainFormTest, UnicodeTitlesKeepEveryCharacterAndPlacesOfTheirOwn) {
  if (!UnicodeSystem()) GTEST_SKIP() << "Windows 95 to Me have the code page only";
  const std::wstring title = L"\u041f\u0440\u0438\u043c\u0435\u0440 \u2014 \u65e5\u672c\u8a9e \u2713";
  const std::wstring twin = L"\u041f\u0440\u0438\u0432\u0435\u0442 \u2014 \u65e5\u672c\u8a9e \u2713";
  TestWindow w(title), other(twin);
  Start();
  form->AddTrayIcon(w.hwnd());
  form->AddMenuEntry(w.hwnd());
  form->AddFloatingWindow(w.hwnd());
  form->Journal.Add(w.hwnd());
  ASSERT_TRUE(test::PumpUntil([&] { return LiveIcon(w.hwnd()) != nullptr; }));
  EXPECT_EQ(LiveIcon(w.hwnd())->wideTip, title);
  EXPECT_EQ(form->RxPopupMenu1.At(form->RxPopupMenu1.IndexOf(form->MenuWindows[0]->Command)).caption, title);
  TBlendWin* f = FloatingOf(*form, w.hwnd());
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Hint, title);
  EXPECT_EQ(FromUtf8(form->Journal.Entries().back().Title), title);

  // Keys: plain titles as before; the others written out where the code page has no place.
  EXPECT_EQ(PositionKeyFor(L"Plain title"), "Plain title");
  EXPECT_EQ(PositionKeyFor(L"Plain title"), LegacyPositionKeyFor(L"Plain title"));
  EXPECT_NE(PositionKeyFor(title), PositionKeyFor(twin));
  EXPECT_EQ(PositionKeyFor(title).find('?'), std::string::npos) << PositionKeyFor(title);
  // A tip is cut before a surrogate pair that would not fit whole.
  const std::wstring tipCut = MakeNotifyIconDataW(nullptr, 1, 1, nullptr, std::wstring(62, L'a') + L"\U0001F600").szTip;
  EXPECT_EQ(tipCut, std::wstring(62, L'a'));

  // A place kept across a restore and a second minimize; the twin title has its own.
  SetWindowPos(f->hwnd(), nullptr, 100, 120, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  form->RemoveFloatingWindow(w.hwnd());
  form->AddFloatingWindow(w.hwnd());
  EXPECT_EQ(WindowRect(FloatingOf(*form, w.hwnd())->hwnd()).left, 100);
  EXPECT_EQ(WindowRect(FloatingOf(*form, w.hwnd())->hwnd()).top, 120);
  form->AddFloatingWindow(other.hwnd());
  EXPECT_EQ(WindowRect(FloatingOf(*form, other.hwnd())->hwnd()).left, GetSystemMetrics(SM_CXSCREEN) / 2);
}

TEST_F(MainFormTest, FloatingWindowWithTheClassIconIs36PixelsAndKeepsTheIcon) {
  TestWindow w("with icon");
  const HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
  const LONG_PTR old = SetClassLongPtrA(w.hwnd(), GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
  Start();
  form->AddFloatingWindow(w.hwnd());
  TBlendWin* f = FloatingOf(*form, w.hwnd());
  SetClassLongPtrA(w.hwnd(), GCLP_HICON, old);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->WindowIcon, icon);
  EXPECT_EQ(WindowRect(f->hwnd()).right - WindowRect(f->hwnd()).left, kIconWindowSize);
  form->RemoveFloatingWindow(w.hwnd());
  ICONINFO info{};
  EXPECT_TRUE(GetIconInfo(icon, &info)) << "the target's icon is not destroyed";
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  EXPECT_STRCASEEQ(GetWindowExePath(w.hwnd()).c_str(), self);
}

TForm1* g_floatingForm;
HWND g_floatingTarget;
bool g_removedInside;

// Runs inside the floating window's menu loop: the window is taken away under its own handler.
void CALLBACK RemoveWhileTheMenuIsOpen(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_floatingForm->RemoveFloatingWindow(g_floatingTarget);
  g_removedInside = true;
  EndMenu();
}

TEST_F(MainFormTest, AFloatingWindowRemovedWhileItsMenuIsOpenIsFreedAfterwards) {
  TestWindow w("busy");
  Start();
  form->AddFloatingWindow(w.hwnd());
  const HWND h = FloatingOf(*form, w.hwnd())->hwnd();
  g_floatingForm = form.get();
  g_floatingTarget = w.hwnd();
  g_removedInside = false;
  SetTimer(nullptr, 0, 100, RemoveWhileTheMenuIsOpen);
  PostMessageA(h, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(h), MAKELPARAM(300, 300));
  ASSERT_TRUE(test::PumpUntil([] { return g_removedInside; }, 3000));
  EXPECT_TRUE(test::PumpUntil([h] { return !IsWindow(h); }));
  EXPECT_EQ(FloatingOf(*form, w.hwnd()), nullptr);
  // The next floating window frees the one that was still busy.
  form->AddFloatingWindow(w.hwnd());
  EXPECT_NE(FloatingOf(*form, w.hwnd()), nullptr);
}

// Runs inside the transparency dialog's loop: the floating window it edits goes.
void CALLBACK RemoveWhileTheDialogEditsIt(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_floatingForm->RemoveFloatingWindow(g_floatingTarget);
  g_removedInside = true;
}

TEST_F(MainFormTest, AFloatingWindowThatGoesWhileTheDialogEditsItClosesTheDialog) {
  TestWindow w("edited");
  Start();
  TSetBlendForm dialog(*form);
  ASSERT_TRUE(dialog.CreateForm(form->hwnd()));
  form->SetForms(nullptr, nullptr, &dialog, nullptr);
  form->AddFloatingWindow(w.hwnd());
  TBlendWin* f = FloatingOf(*form, w.hwnd());
  g_floatingForm = form.get();
  g_floatingTarget = w.hwnd();
  g_removedInside = false;
  SetTimer(nullptr, 0, 50, RemoveWhileTheDialogEditsIt);
  f->RxPopupMenu1.Click(f->Transparency1);  // returns when the dialog closes
  EXPECT_TRUE(g_removedInside);
  EXPECT_FALSE(dialog.Visible());
  EXPECT_EQ(dialog.FloatingWindow, nullptr);
  EXPECT_EQ(dialog.FloatingWindowHandle, nullptr);
  // A change with no window to edit does nothing.
  const size_t alphas = effects.recorder.alphas.size();
  dialog.ColorComboBox1.SetItemIndex(9);
  dialog.ColorComboBox1Change();
  dialog.RxSpinEdit1Change();
  EXPECT_EQ(effects.recorder.alphas.size(), alphas);
  EXPECT_EQ(FloatingOf(*form, w.hwnd()), nullptr);
  form->SetForms(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace
}  // namespace corvel
