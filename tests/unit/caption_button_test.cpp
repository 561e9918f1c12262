#include "core/caption_button.h"
#include "platform/button_share.h"
#include "platform/caption_bounds.h"
#include "platform/win_event_hook.h"
#include <algorithm>
#include "resources/button_images.h"
#include "sysinfo/os_info.h"
#include "tests/unit/main_form_fixture.h"

namespace corvel {
namespace {

using test::MainFormTest;
using test::TestWindow;

TEST(CaptionGeometry, ButtonSitsLeftOfMinimizeAndHitTestsDiffer) {
  const FrameMetrics m{25, 25, 4, 4};
  const RECT b = ProgramButtonRect(800, m);
  EXPECT_EQ(b.left, 696);
  EXPECT_EQ(b.top, 6);
  EXPECT_EQ(b.right, 719);
  EXPECT_EQ(b.bottom, 27);
  const RECT min = MinimizeButtonRect(800, m);
  EXPECT_EQ(min.left, 721);
  EXPECT_EQ(min.right, 744);
  EXPECT_FALSE(HitsButtonStrict(b, POINT{696, 10}));
  EXPECT_TRUE(HitsButtonStrict(b, POINT{697, 10}));
  EXPECT_FALSE(HitsButtonStrict(b, POINT{718, 27}));
  EXPECT_TRUE(HitsButtonInclusive(min, POINT{721, 6}));
  EXPECT_TRUE(HitsButtonInclusive(min, POINT{744, 27}));
  EXPECT_FALSE(HitsButtonInclusive(min, POINT{745, 27}));
  // Empty rectangles never pass.
  for (int style : {100, 7}) {
    const RECT e = EmptyButtonRect(style);
    EXPECT_EQ(e.right, style == 100 ? -100 : 0);
    for (int x = -101; x <= 1; ++x) EXPECT_FALSE(HitsButtonStrict(e, POINT{x, 0}));
  }
}

TEST(CaptionGeometry, SymbolTypeGivesTheStyle) {
  EXPECT_EQ(ButtonStyleFor(0, 70), 80);
  EXPECT_EQ(ButtonStyleFor(1, 70), 90);
  EXPECT_EQ(ButtonStyleFor(2, 90), 90);
  EXPECT_EQ(ButtonStyleFor(2, 30), 30);
  EXPECT_EQ(ButtonStyleFor(2, 70), 70);
  EXPECT_EQ(ButtonStyleFor(3, 70), 101);
  EXPECT_EQ(ButtonStyleFor(4, 70), 100);
  EXPECT_EQ(ButtonStyleFor(5, 70), 100);
  EXPECT_FALSE(StyleHasImages(ButtonStyleFor(6, 90)));
  // After XP, "System depend" is the flat look, whichever system it is.
  for (int os : {kOsVista, kOsWin7, kOsWin8, kOsWin81, kOsWin10, kOsWin11}) EXPECT_EQ(ButtonStyleFor(2, os), 102);
  EXPECT_EQ(ButtonStyleFor(2, 0), 0);
  for (int s : {30, 80, 90, 101, 102}) EXPECT_TRUE(StyleHasImages(s));
  for (int s : {0, 20, 70, 100}) EXPECT_FALSE(StyleHasImages(s));
  EXPECT_STREQ(FileNamePart("C:\\Program Files\\Tool\\app.exe"), "app.exe");
  EXPECT_STREQ(FileNamePart("D:app.exe"), "app.exe");
  EXPECT_STREQ(FileNamePart("app.exe"), "app.exe");
  EXPECT_STREQ(FileNamePart("C:\\dir\\"), "");
  // Drawn into title bars or shown by windows of its own: chosen, or by the system.
  EXPECT_FALSE(ButtonWindowsFor(kCaptionButtonAutomatic, kOsWinXP));
  EXPECT_FALSE(ButtonWindowsFor(kCaptionButtonAutomatic, 0));
  for (int os : {kOsVista, kOsWin10, kOsWin11}) EXPECT_TRUE(ButtonWindowsFor(kCaptionButtonAutomatic, os));
  EXPECT_TRUE(ButtonWindowsFor(kCaptionButtonWindows, kOsWin2000));
  EXPECT_FALSE(ButtonWindowsFor(kCaptionButtonDrawn, kOsWin11));
  // Left of the minimize button, where the drawn one goes.
  const RECT own = ButtonLeftOf(RECT{721, 6, 744, 27});
  EXPECT_TRUE(own.left == 696 && own.top == 6 && own.right == 719 && own.bottom == 27);
}

// The flat look is drawn at the size it is shown: two colours only (no blur at any scale), the
// caption's own colour with a glyph that stands out from it, a lighter or darker face when
// pressed, a stroke that grows with the scale, and the glyph in the middle.
TEST(ButtonImages, TheFlatLookIsDrawnToSizeInTwoColours) {
  const SIZE sizes[] = {{16, 14}, {34, 18}, {52, 27}, {68, 36}};
  for (const SIZE size : sizes) {
    for (const COLORREF caption : {RGB(255, 255, 255), RGB(0, 120, 215), RGB(32, 32, 32), RGB(10, 36, 106)}) {
      SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy << " caption " << std::hex << caption);
      Picture up, down;
      DrawFlatButtonImages(up, down, size.cx, size.cy, caption);
      ASSERT_EQ(up.Width(), size.cx);
      ASSERT_EQ(down.Height(), size.cy);
      std::vector<DWORD> upPx(static_cast<size_t>(size.cx) * size.cy), downPx(upPx.size());
      ASSERT_TRUE(RenderPixels(up, size.cx, size.cy, upPx.data()));
      ASSERT_TRUE(RenderPixels(down, size.cx, size.cy, downPx.data()));
      auto rgb = [](COLORREF c) { return static_cast<DWORD>((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c)); };
      const FlatButtonLook look = FlatButtonLookFor(caption);
      const bool dark = (GetRValue(caption) * 3 + GetGValue(caption) * 6 + GetBValue(caption)) / 10 < 128;
      EXPECT_EQ(look.glyph, dark ? RGB(255, 255, 255) : RGB(0, 0, 0));
      EXPECT_NE(look.pressedFace, caption);
      int glyph = 0, left = size.cx, right = -1, top = size.cy, bottom = -1;
      std::vector<int> inRows(static_cast<size_t>(size.cy), 0);
      for (int y = 0; y < size.cy; ++y) {
        int& inRow = inRows[static_cast<size_t>(y)];
        for (int x = 0; x < size.cx; ++x) {
          const DWORD u = upPx[static_cast<size_t>(y) * size.cx + x], d = downPx[static_cast<size_t>(y) * size.cx + x];
          ASSERT_TRUE(u == rgb(caption) || u == rgb(look.glyph)) << x << "," << y;
          ASSERT_EQ(d == rgb(look.glyph), u == rgb(look.glyph)) << x << "," << y;
          if (u != rgb(look.glyph)) {
            EXPECT_EQ(d, rgb(look.pressedFace));
            continue;
          }
          ++glyph, ++inRow;
          left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
        }
      }
      const int footRows = static_cast<int>(std::count(inRows.begin(), inRows.end(), right - left + 1));
      EXPECT_GT(glyph, 0);
      EXPECT_EQ(footRows, FlatGlyphStroke(size.cy)) << "the foot is one stroke high";
      EXPECT_LE(std::abs(left - (size.cx - 1 - right)), 1) << "centred across";
      EXPECT_LE(std::abs(top - (size.cy - 1 - bottom)), 1) << "centred down";
    }
  }
  EXPECT_EQ(FlatGlyphStroke(14), 1);
  EXPECT_EQ(FlatGlyphStroke(36), 2);
}

TEST(ButtonImages, DrawnToTheirPixelDescriptions) {
  using I = ButtonImage;
  EXPECT_EQ(ButtonImagePixel(I::Up, 5, 5), RGB(212, 208, 200));
  EXPECT_EQ(ButtonImagePixel(I::Up, 0, 5), RGB(255, 255, 255));
  EXPECT_EQ(ButtonImagePixel(I::Up, 5, 0), RGB(255, 255, 255));
  EXPECT_EQ(ButtonImagePixel(I::Up, 5, 13), RGB(64, 64, 64));
  EXPECT_EQ(ButtonImagePixel(I::Up, 15, 5), RGB(64, 64, 64));
  EXPECT_EQ(ButtonImagePixel(I::Up, 5, 12), RGB(128, 128, 128));
  EXPECT_EQ(ButtonImagePixel(I::Up, 14, 5), RGB(128, 128, 128));
  EXPECT_EQ(ButtonImagePixel(I::Down, 5, 0), RGB(64, 64, 64));
  EXPECT_EQ(ButtonImagePixel(I::Down, 5, 1), RGB(128, 128, 128));
  EXPECT_EQ(ButtonImagePixel(I::Down, 5, 13), RGB(255, 255, 255));
  EXPECT_EQ(ButtonImagePixel(I::UpXP, 1, 1), RGB(220, 229, 253));
  EXPECT_EQ(ButtonImagePixel(I::UpXP, 10, 10), RGB(59, 119, 245));
  EXPECT_EQ(ButtonImagePixel(I::UpXP, 18, 2), RGB(35, 92, 227));
  EXPECT_EQ(ButtonImagePixel(I::DownXP, 10, 10), RGB(0, 80, 181));
  EXPECT_EQ(ButtonImagePixel(I::DownXP, 18, 2), RGB(0, 69, 161));
  // The glyphs: a mirrored L, exactly where described.
  auto glyph = [](I image, COLORREF ink, int barX, int top, int footX, int bottom) {
    // Inside the frame, which may share the glyph's colour.
    const SIZE s = ButtonImageSize(image);
    for (int y = 1; y < s.cy - 1; ++y)
      for (int x = 1; x < s.cx - 1; ++x) {
        const bool in = (x >= barX && x <= barX + 1 && y >= top && y <= bottom) ||
                        (x >= footX && x <= barX + 1 && y >= bottom - 1 && y <= bottom);
        ASSERT_EQ(ButtonImagePixel(image, x, y) == ink, in) << x << "," << y;
      }
  };
  glyph(I::Up, RGB(0, 0, 0), 10, 5, 6, 10);
  glyph(I::Down, RGB(0, 0, 0), 11, 6, 7, 11);
  glyph(I::UpXP, RGB(255, 255, 255), 15, 8, 9, 15);
  glyph(I::DownXP, RGB(120, 162, 216), 15, 9, 9, 16);
}

// Moves the pointer and waits until the system reports it there.
void MoveCursor(int x, int y) {
  // Wine may drop a warp that follows another closely, and may take the motion of an earlier one
  // late: retry until the pointer is there and still there after a moment's messages (30 ms).
  auto there = [x, y] {
    POINT p{};
    GetCursorPos(&p);
    return p.x == x && p.y == y;
  };
  test::PumpUntil([&] {
    if (there()) {
      test::Pump(30);
      if (there()) return true;
    }
    SetCursorPos(x, y);
    test::Pump(10);
    return false;
  }, 2000);
  POINT p{};
  GetCursorPos(&p);
  ASSERT_TRUE(p.x == x && p.y == y) << "pointer at " << p.x << "," << p.y;
}

COLORREF PixelOf(const Picture& p, int x, int y) {
  MemoryDc dc = CreateScreenCompatibleDc();
  SelectGuard sel(dc.get(), p.Bitmap());
  return GetPixel(dc.get(), x, y);
}

TEST_F(MainFormTest, TheFormHoldsTheBuiltInPictures) {
  Start();
  EXPECT_EQ(form->BUp.Width(), 16);
  EXPECT_EQ(form->BUp.Height(), 14);
  EXPECT_EQ(form->BUpXP.Width(), 21);
  for (auto [p, img] : {std::pair{&form->BUp, ButtonImage::Up}, {&form->BDown, ButtonImage::Down},
                        {&form->BUpXP, ButtonImage::UpXP}, {&form->BDownXP, ButtonImage::DownXP}}) {
    const SIZE s = ButtonImageSize(img);
    for (int y = 0; y < s.cy; ++y)
      for (int x = 0; x < s.cx; ++x) ASSERT_EQ(PixelOf(*p, x, y), ButtonImagePixel(img, x, y)) << x << "," << y;
  }
}

TEST_F(MainFormTest, TheTableHoldsAtMost101WindowsAndFindsTheFirst) {
  Start("[Options]\r\nWinFilter=7\r\n");  // no collection of its own
  TestWindow w("a window");
  for (int i = 0; i < 150; ++i) Send(HM_ADDWINDOW, i == 3 || i == 120 ? w.hwnd() : reinterpret_cast<HWND>(0x1000 + i));
  EXPECT_EQ(form->ButtonWindowCount, 101);
  EXPECT_EQ(form->FindButtonWindow(w.hwnd()), 4);
  Send(HM_CLEARWINDOWS, nullptr);
  EXPECT_EQ(form->ButtonWindowCount, 0);
  EXPECT_EQ(form->FindButtonWindow(w.hwnd()), 0);
  Send(HM_RESCAN, nullptr);
  EXPECT_TRUE(form->Timer2.Enabled());
}

TEST_F(MainFormTest, TheCollectionPassTakesWindowsWithCaptionAndMinimizeBox) {
  TestWindow main("main window"), dialog("dialog-like", 100, 100, 200, 100, WS_CAPTION | WS_SYSMENU);
  TestWindow hidden("hidden main window");
  ShowWindow(hidden.hwnd(), SW_HIDE);
  Start();
  EXPECT_NE(form->FindButtonWindow(main.hwnd()), 0);
  EXPECT_NE(form->FindButtonWindow(hidden.hwnd()), 0);
  EXPECT_EQ(form->FindButtonWindow(dialog.hwnd()), 0);
  EXPECT_EQ(form->FindButtonWindow(GetDesktopWindow()), 0);
  form->Options.WinFilter = 1;
  form->Timer2Timer();
  EXPECT_NE(form->FindButtonWindow(dialog.hwnd()), 0);
  form->Options.WinFilter = 9;
  form->Timer2Timer();
  EXPECT_EQ(form->ButtonWindowCount, 0);
}

// The pass takes the list of windows before it lets any message in: a window that goes while it
// runs (here the first one, closed by a message waiting in the queue) ends nothing early.
TEST_F(MainFormTest, APassVisitsEveryWindowThoughOneGoesWhileItRuns) {
  TestWindow keepA("keep A"), keepB("keep B");
  Start();
  TestWindow victim("goes");
  SetWindowPos(victim.hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ASSERT_EQ(GetTopWindow(nullptr), victim.hwnd()) << "the walk must begin at the window that goes";
  PostMessageA(victim.hwnd(), WM_CLOSE, 0, 0);
  form->Timer2Timer();
  EXPECT_FALSE(IsWindow(victim.hwnd()));
  EXPECT_NE(form->FindButtonWindow(keepA.hwnd()), 0);
  EXPECT_NE(form->FindButtonWindow(keepB.hwnd()), 0);
}

// Pass after pass, a window that has not handled the last request to draw its button in its own
// thread gets no other: a slow program would find its queue full of them.
WNDPROC g_beforeCounting = nullptr;
UINT g_drawMessage = 0;
int g_drawRequests = 0;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == g_drawMessage) ++g_drawRequests;
  return CallWindowProcA(g_beforeCounting, hwnd, msg, wp, lp);
}

TEST_F(MainFormTest, AnOwnerGetsOneRequestToDrawAtATime) {
  TestWindow w("slow owner");
  g_drawMessage = RegisterWindowMessageA(kDrawButtonMessage);
  g_beforeCounting = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(w.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
  Start("[Visualization]\r\nSymbolType=0\r\n");
  g_drawRequests = 0;
  Send(HM_OWNERDREW, w.hwnd());
  for (int i = 0; i < 3; ++i) form->Timer2Timer();
  EXPECT_EQ(g_drawRequests, 1);
  Send(HM_OWNERDREW, w.hwnd());  // the hook library's answer
  form->Timer2Timer();
  EXPECT_EQ(g_drawRequests, 2);
  SetWindowLongPtrA(w.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_beforeCounting));
}

// What the hook reads in every program: whole writes only, the pixels where they stand in the
// share, and a sequence a killed writer left odd mended by the next start.
TEST_F(MainFormTest, TheShareIsReadWholeAndAKilledWritersSequenceIsMended) {
  TestWindow w("shared"), other("not shared");
  ButtonShareMapping held;
  ASSERT_TRUE(held.Create());
  BeginShareWrite(*held.get());  // a run killed in the middle of a write
  Start("[Visualization]\r\nSymbolType=0\r\n");
  const ButtonShare& share = *held.get();
  EXPECT_EQ(share.sequence & 1, 0) << "readers would wait for ever";
  ASSERT_TRUE(test::PumpUntil([&] { return ShareListsWindow(share, w.hwnd()); }));
  SharedPicture picture;
  ASSERT_TRUE(ReadSharedPicture(share, w.hwnd(), picture));
  EXPECT_EQ(picture.pixels, share.up);
  EXPECT_TRUE(SharedPictureStillValid(share, picture));
  BeginShareWrite(*held.get());
  EXPECT_FALSE(ShareListsWindow(share, w.hwnd())) << "read in the middle of a write";
  EXPECT_FALSE(SharedPictureStillValid(share, picture));
  EndShareWrite(*held.get());
  // Past the table, or outside the list of a filter, a window is not in the share.
  form->Options.WinFilter = kFilterListedPrograms;
  form->Timer2Timer();
  EXPECT_FALSE(ShareListsWindow(share, other.hwnd()));
}

TEST_F(MainFormTest, ListedProgramsAreComparedByExactFileName) {
  TestWindow w("listed");
  Start("[Options]\r\nWinFilter=2\r\n[Applications]\r\nCount=1\r\nAppNum_0=C:\\somewhere\\corvel_tests.exe\r\n");
  EXPECT_TRUE(form->IsListedProgramWindow(w.hwnd()));
  EXPECT_NE(form->FindButtonWindow(w.hwnd()), 0);
  form->Options.Applications = {"C:\\somewhere\\Corvel_tests.exe", std::string(300, 'x') + "corvel_tests.exe"};
  EXPECT_FALSE(form->IsListedProgramWindow(w.hwnd()));
  EXPECT_EQ(form->FindButtonWindow(w.hwnd()), 0);
  EXPECT_FALSE(form->IsListedProgramWindow(reinterpret_cast<HWND>(0x7FF0)));
}

// The button is drawn into the window's title bar, at the rectangle it remembers.
TEST_F(MainFormTest, DrawsTheButtonIntoTheTitleBarAndRemembersWhere) {
  TestWindow w("drawn on", 50, 50, 400, 200);
  Start("[Visualization]\r\nSymbolType=0\r\n");
  const int i = form->FindButtonWindow(w.hwnd());
  ASSERT_NE(i, 0);
  form->DrawButtonUp(i - 1);
  const RECT b = form->ButtonWindows[i - 1].ButtonRect;
  EXPECT_EQ(b.left, 400 - GetSystemMetrics(SM_CXFRAME) - 4 * GetSystemMetrics(SM_CXSIZE));
  EXPECT_EQ(b.right - b.left, GetSystemMetrics(SM_CXSIZE) - 2);
  EXPECT_EQ(b.bottom - b.top, GetSystemMetrics(SM_CYSIZE) - 4);
  // At 16 x 14 (title bars of 18 px) the picture itself; at other metrics each pixel is one that
  // a stretch of it can put there (the source pixel under it or a neighbour of that one).
  HDC dc = GetWindowDC(w.hwnd());
  const SIZE src = ButtonImageSize(ButtonImage::Up);
  const int bw = b.right - b.left, bh = b.bottom - b.top;
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x) {
      const COLORREF got = GetPixel(dc, b.left + x, b.top + y);
      const int sx = x * src.cx / bw, sy = y * src.cy / bh;
      bool nearby = false;
      for (int dy = -1; dy <= 1 && !nearby; ++dy)
        for (int dx = -1; dx <= 1 && !nearby; ++dx) {
          const int nx = sx + dx, ny = sy + dy;
          const bool exact = bw == src.cx && bh == src.cy;
          if ((exact && (dx || dy)) || nx < 0 || ny < 0 || nx >= src.cx || ny >= src.cy) continue;
          nearby = got == ButtonImagePixel(ButtonImage::Up, nx, ny);
        }
      EXPECT_TRUE(nearby) << x << "," << y << " of " << bw << "x" << bh;
    }
  ReleaseDC(w.hwnd(), dc);
  // The flat look is drawn at the button's own size.
  form->SetButtonStyle(kStyleFlat);
  EXPECT_EQ(form->BUpFlat.Width(), b.right - b.left);
  EXPECT_EQ(form->BDownFlat.Height(), b.bottom - b.top);
  form->DrawButtonUp(i - 1);
  dc = GetWindowDC(w.hwnd());
  const COLORREF face = GetPixel(dc, b.left + 1, b.top + 1);
  ReleaseDC(w.hwnd(), dc);
  EXPECT_EQ(face, CaptionColourAtButton());
  form->ButtonStyle = 100;
  form->DrawButtonUp(i - 1);
  EXPECT_EQ(form->ButtonWindows[i - 1].ButtonRect.right, -100);
  form->ButtonStyle = 70;
  form->DrawButtonUp(i - 1);
  EXPECT_EQ(form->ButtonWindows[i - 1].ButtonRect.right, 0);
  // An entry whose window is gone is left alone, and so is the table past its end.
  form->ButtonStyle = kStyleClassic;
  w.Destroy();
  form->DrawButtonUp(i - 1);
  EXPECT_EQ(form->ButtonWindows[i - 1].ButtonRect.right, 0);
  const int count = form->ButtonWindowCount;
  form->DrawButtonUp(500);
  EXPECT_EQ(form->ButtonWindowCount, count);
}

// The button as windows of its own: one over each window of the table that shows a title bar,
// none in a tool window, following what the windows announce, pressed and released as the drawn
// one; and no hook library at all.
TEST_F(MainFormTest, TheButtonsOwnWindowsFollowWhatTheirWindowsAnnounce) {
  TestWindow w("served", 80, 80, 400, 220), tool("tool window", 500, 80, 300, 200);
  SetWindowLongA(tool.hwnd(), GWL_EXSTYLE, WS_EX_TOOLWINDOW);
  Start("[Visualization]\r\nSymbolType=0\r\nCaptionButton=2\r\n");
  ASSERT_TRUE(form->UseButtonWindows);
  EXPECT_TRUE(test::HookCalls::calls.empty());
  const HWND b = form->ButtonWindowsShown.ButtonOf(w.hwnd());
  ASSERT_TRUE(b && IsWindowVisible(b));
  EXPECT_EQ(GetWindow(b, GW_OWNER), nullptr) << "an owner in another thread would share its input queue";
  const HWND t = form->ButtonWindowsShown.ButtonOf(tool.hwnd());
  EXPECT_TRUE(!t || !IsWindowVisible(t));
  auto placed = [&] {
    RECT br{}, wr{};
    GetWindowRect(b, &br);
    GetWindowRect(w.hwnd(), &wr);
    const RECT want = ProgramButtonRect(wr.right - wr.left, SystemFrameMetrics());
    return IsWindowVisible(b) && br.left - wr.left == want.left && br.top - wr.top == want.top &&
           br.right - wr.left == want.right && br.bottom - wr.top == want.bottom;
  };
  EXPECT_TRUE(placed());
  // Through the real subscription: events raised here reach the main window as any program's.
  auto announce = [&](DWORD event) { NotifyWinEvent(event, w.hwnd(), OBJID_WINDOW, CHILDID_SELF); };
  ShowWindow(w.hwnd(), SW_HIDE);
  announce(EVENT_OBJECT_HIDE);
  EXPECT_TRUE(test::PumpUntil([&] { return !IsWindowVisible(b); }));
  ShowWindow(w.hwnd(), SW_SHOWNOACTIVATE);
  announce(EVENT_OBJECT_SHOW);
  EXPECT_TRUE(test::PumpUntil(placed));
  SetWindowPos(w.hwnd(), nullptr, 150, 160, 300, 200, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_FALSE(placed()) << "moved before it was told";
  announce(EVENT_OBJECT_LOCATIONCHANGE);
  EXPECT_TRUE(test::PumpUntil(placed));
  // A press and a release on it: the pressed picture between, then the minimize.
  RECT br{};
  GetWindowRect(b, &br);
  MoveCursor((br.left + br.right) / 2, (br.top + br.bottom) / 2);
  SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_EQ(form->ButtonPressed, -1);
  SendMessageA(b, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(form->ButtonPressed, 0);
  EXPECT_EQ(form->CurrentWindow, w.hwnd());
  EXPECT_TRUE(form->AddTrTimer.Enabled());
  form->AddTrTimer.Disable();
  // A window that appears brings a pass; one that goes takes its button window along.
  TestWindow fresh("fresh");
  NotifyWinEvent(EVENT_OBJECT_SHOW, fresh.hwnd(), OBJID_WINDOW, CHILDID_SELF);
  EXPECT_TRUE(test::PumpUntil([&] { return form->ButtonWindowsShown.ButtonOf(fresh.hwnd()) != nullptr; }));
  const HWND gone = w.hwnd();
  w.Destroy();
  NotifyWinEvent(EVENT_OBJECT_DESTROY, gone, OBJID_WINDOW, CHILDID_SELF);
  EXPECT_TRUE(test::PumpUntil([&] { return form->ButtonWindowsShown.ButtonOf(gone) == nullptr; }));
  // An unknown choice is automatic.
  Start("[Visualization]\r\nCaptionButton=9\r\n");
  EXPECT_EQ(form->Options.CaptionButton, kCaptionButtonAutomatic);
}

// A window that answers where its minimize button is decides the place; one that says it shows
// none, or answers with nothing (as Wine does), gets the caption metrics' place.
struct SaidTitleBar {  // TITLEBARINFOEX
  DWORD cbSize;
  RECT rcTitleBar;
  DWORD rgstate[6];
  RECT rgrect[6];
};
RECT g_saidMinimize{};
DWORD g_saidState = 0;
WNDPROC g_plainProc = nullptr;
int g_asked = 0;  // how often a window was asked where its buttons are

LRESULT CALLBACK SayingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != 0x033F) return CallWindowProcA(g_plainProc, hwnd, msg, wp, lp);
  ++g_asked;
  auto* info = reinterpret_cast<SaidTitleBar*>(lp);
  info->rgstate[2] = g_saidState;
  info->rgrect[2] = g_saidMinimize;
  return 1;
}

TEST(CaptionBounds, TheWindowsOwnAnswerComesFirst) {
  TestWindow w("says", 100, 100, 400, 200);
  g_plainProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(w.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SayingProc)));
  RECT wr{}, r{};
  GetWindowRect(w.hwnd(), &wr);
  const RECT m = MinimizeButtonRect(wr.right - wr.left, SystemFrameMetrics());
  const RECT metrics{wr.left + m.left, wr.top + m.top, wr.left + m.right, wr.top + m.bottom};
  g_saidMinimize = RECT{420, 104, 446, 128};
  EXPECT_EQ(FindMinimizeButton(w.hwnd(), r, 100), CaptionSource::TitleBarInfo);
  EXPECT_TRUE(EqualRect(&r, &g_saidMinimize));
  g_saidState = 0x8000;  // STATE_SYSTEM_INVISIBLE
  EXPECT_EQ(FindMinimizeButton(w.hwnd(), r, 100), CaptionSource::Metrics);
  EXPECT_TRUE(EqualRect(&r, &metrics));
  g_saidState = 0;
  g_saidMinimize = RECT{};
  EXPECT_EQ(FindMinimizeButton(w.hwnd(), r, 100), CaptionSource::Metrics);
  SetWindowLongA(w.hwnd(), GWL_STYLE, GetWindowLongA(w.hwnd(), GWL_STYLE) & ~WS_MINIMIZEBOX);
  EXPECT_EQ(FindMinimizeButton(w.hwnd(), r, 100), CaptionSource::None);
  SetWindowLongPtrA(w.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_plainProc));
}

// Corvel gives back a window that announces nothing (another thread's, shown without waiting):
// its button follows what Corvel did. A move only moves a button; a resize asks the window
// again. A maximized window keeps its title bar over the whole monitor; a cloaked one shows none.
TEST_F(MainFormTest, ButtonWindowsFollowCorvelsOwnChangesAndAMoveAsksNothing) {
  test::ThreadWindow silent("silent");
  TestWindow w("says", 100, 100, 400, 200);
  g_plainProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(w.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&SayingProc)));
  Start("[Visualization]\r\nSymbolType=0\r\nCaptionButton=2\r\n[MinOptions]\r\nMinToTray=1\r\n");
  auto shown = [&](HWND target) {
    const HWND b = form->ButtonWindowsShown.ButtonOf(target);
    return b && IsWindowVisible(b);
  };
  ASSERT_TRUE(test::PumpUntil([&] { return shown(silent.hwnd()) && shown(w.hwnd()); }));
  form->CurrentWindow = silent.hwnd();
  form->AddTrTimer.Enable();
  EXPECT_TRUE(test::PumpUntil([&] { return !IsWindowVisible(silent.hwnd()) && !shown(silent.hwnd()); }));
  form->CurrentWindow = silent.hwnd();
  form->DelTrTimer.Enable();
  EXPECT_TRUE(test::PumpUntil([&] { return IsWindowVisible(silent.hwnd()) && shown(silent.hwnd()); }))
      << "no button after Corvel gave the window back";
  // A program held up in the middle of the restore puts its window back a moment later, and
  // says nothing.
  const HWND sb = form->ButtonWindowsShown.ButtonOf(silent.hwnd());
  RECT placed{}, sr{}, late{};
  GetWindowRect(sb, &placed);
  GetWindowRect(silent.hwnd(), &sr);
  SetWindowPos(silent.hwnd(), nullptr, sr.left + 40, sr.top + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(test::PumpUntil([&] {
    GetWindowRect(sb, &late);
    return late.left == placed.left + 40 && late.top == placed.top + 20;
  })) << "the button stayed where the window was when it was placed";

  auto announce = [&](DWORD event) { NotifyWinEvent(event, w.hwnd(), OBJID_WINDOW, CHILDID_SELF); };
  const HWND b = form->ButtonWindowsShown.ButtonOf(w.hwnd());
  RECT before{}, now{};
  GetWindowRect(b, &before);
  g_asked = 0;
  SetWindowPos(w.hwnd(), nullptr, 160, 130, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  announce(EVENT_OBJECT_LOCATIONCHANGE);
  EXPECT_TRUE(test::PumpUntil([&] {
    GetWindowRect(b, &now);
    return now.left == before.left + 60 && now.top == before.top + 30 && now.right - now.left == before.right - before.left;
  }));
  EXPECT_EQ(g_asked, 0) << "a move asked the window where its buttons are";
  SetWindowPos(w.hwnd(), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  announce(EVENT_OBJECT_LOCATIONCHANGE);
  EXPECT_TRUE(test::PumpUntil([&] { return g_asked > 0; })) << "a resize did not ask again";

  const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  SetWindowPos(w.hwnd(), nullptr, 0, 0, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(FullScreen(w.hwnd()));
  ShowWindow(w.hwnd(), SW_MAXIMIZE);
  SetWindowPos(w.hwnd(), nullptr, -4, -4, cx + 8, cy + 8, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(IsZoomed(w.hwnd()));
  EXPECT_FALSE(FullScreen(w.hwnd())) << "a maximized window with a title bar";
  ShowWindow(w.hwnd(), SW_RESTORE);
  SetWindowPos(w.hwnd(), nullptr, 100, 100, 400, 200, SWP_NOZORDER | SWP_NOACTIVATE);
  announce(EVENT_OBJECT_LOCATIONCHANGE);
  ASSERT_TRUE(test::PumpUntil([&] { return shown(w.hwnd()); }));

  announce(kEventObjectCloaked);
  EXPECT_TRUE(test::PumpUntil([&] { return !shown(w.hwnd()); }));
  form->ButtonWindowsShown.Update(w.hwnd(), &form->BUp);
  EXPECT_FALSE(shown(w.hwnd())) << "shown again while cloaked";
  announce(kEventObjectUncloaked);
  EXPECT_TRUE(test::PumpUntil([&] { return shown(w.hwnd()); }));
  // The system's own word, where it has one.
  form->ButtonWindowsShown.CloakQuery = [&](HWND target) { return target == w.hwnd(); };
  const RECT none = form->ButtonWindowsShown.Update(w.hwnd(), &form->BUp);
  EXPECT_TRUE(IsRectEmpty(&none));
  EXPECT_FALSE(shown(w.hwnd()));
  SetWindowLongPtrA(w.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_plainProc));
}

// Presses and releases are tested against the cursor, strictly inside the rectangle.
TEST_F(MainFormTest, PressAndReleaseOnTheButtonNameTheWindow) {
  TestWindow w("pressed", 60, 60, 400, 200);
  Start("[Visualization]\r\nSymbolType=0\r\n");
  const int i = form->FindButtonWindow(w.hwnd());
  ASSERT_NE(i, 0);
  form->DrawButtonUp(i - 1);
  RECT wr;
  GetWindowRect(w.hwnd(), &wr);
  const RECT b = form->ButtonWindows[i - 1].ButtonRect;
  const POINT on{wr.left + (b.left + b.right) / 2, wr.top + (b.top + b.bottom) / 2};
  const POINT edge{wr.left + b.left, wr.top + b.top + 3};
  const POINT off{wr.left + 30, wr.top + 10};

  MoveCursor(off.x, off.y);
  Send(HM_BUTTONDOWN, w.hwnd());
  EXPECT_EQ(form->ButtonPressed, 0);
  MoveCursor(on.x, on.y);
  Send(HM_BUTTONDOWN, w.hwnd());
  EXPECT_EQ(form->ButtonPressed, -1);
  // A release elsewhere leaves the button pressed and names nothing.
  MoveCursor(edge.x, edge.y);
  Send(HM_BUTTONUP, w.hwnd());
  EXPECT_EQ(form->ButtonPressed, -1);
  EXPECT_FALSE(form->AddTrTimer.Enabled());
  MoveCursor(on.x, on.y);
  Send(HM_BUTTONUP, w.hwnd());
  EXPECT_EQ(form->ButtonPressed, 0);
  EXPECT_EQ(form->CurrentWindow, w.hwnd());
  EXPECT_TRUE(form->AddTrTimer.Enabled());
  form->AddTrTimer.Disable();
  // A window not in the table is ignored.
  TestWindow other("not in the table");
  form->CurrentWindow = nullptr;
  Send(HM_BUTTONUP, other.hwnd());
  EXPECT_EQ(form->CurrentWindow, nullptr);
  // One that came into the table and was not drawn from here yet (its owner draws the button
  // from the shared table) takes the press as well.
  TestWindow fresh("fresh", 60, 300, 400, 200);
  Send(HM_ADDWINDOW, fresh.hwnd());
  GetWindowRect(fresh.hwnd(), &wr);
  const RECT fb = ProgramButtonRect(wr.right - wr.left, SystemFrameMetrics());
  MoveCursor(wr.left + (fb.left + fb.right) / 2, wr.top + (fb.top + fb.bottom) / 2);
  Send(HM_BUTTONDOWN, fresh.hwnd());
  EXPECT_EQ(form->ButtonPressed, -1);
  Send(HM_BUTTONUP, fresh.hwnd());
  EXPECT_EQ(form->CurrentWindow, fresh.hwnd());
  form->AddTrTimer.Disable();
  // Where the sender says the event was counts, not where the pointer has gone since.
  form->CurrentWindow = nullptr;
  MoveCursor(off.x, off.y);
  SendMessageA(form->hwnd(), HM_BUTTONDOWN, kPointOnButton, reinterpret_cast<LPARAM>(w.hwnd()));
  EXPECT_EQ(form->ButtonPressed, -1) << "a press the hook library saw on the button";
  MoveCursor(on.x, on.y);
  SendMessageA(form->hwnd(), HM_BUTTONUP, kPointOffButton, reinterpret_cast<LPARAM>(w.hwnd()));
  EXPECT_EQ(form->CurrentWindow, nullptr) << "a release it saw outside minimized";
  MoveCursor(off.x, off.y);
  SendMessageA(form->hwnd(), HM_BUTTONUP, kPointOnButton, reinterpret_cast<LPARAM>(w.hwnd()));
  EXPECT_EQ(form->CurrentWindow, w.hwnd());
  form->AddTrTimer.Disable();
}

// A press or a release that arrives while a pass rebuilds the table is not lost for a window the
// pass has not reached yet, and the pass does not paint a held button as released.
TEST_F(MainFormTest, APressAndAReleaseDuringAPassStillFindTheirWindow) {
  TestWindow target("collected last", 60, 60, 400, 200);
  TestWindow cover("above it", 500, 400, 300, 200);
  Start("[Visualization]\r\nSymbolType=0\r\n");
  const int i = form->FindButtonWindow(target.hwnd());
  ASSERT_NE(i, 0);
  RECT wr;
  GetWindowRect(target.hwnd(), &wr);
  const RECT b = form->ButtonWindows[i - 1].ButtonRect;
  MoveCursor(wr.left + (b.left + b.right) / 2, wr.top + (b.top + b.bottom) / 2);
  PostMessageA(form->hwnd(), HM_BUTTONDOWN, 0, reinterpret_cast<LPARAM>(target.hwnd()));
  form->Timer2Timer();
  EXPECT_EQ(form->ButtonPressed, -1);
  HDC dc = GetWindowDC(target.hwnd());
  const COLORREF edge = GetPixel(dc, form->ButtonWindows[i - 1].ButtonRect.left + 5, b.top);
  ReleaseDC(target.hwnd(), dc);
  EXPECT_EQ(edge, ButtonImagePixel(ButtonImage::Down, 5, 0)) << "the pass drew the held button released";
  PostMessageA(form->hwnd(), HM_BUTTONUP, 0, reinterpret_cast<LPARAM>(target.hwnd()));
  form->Timer2Timer();
  EXPECT_EQ(form->CurrentWindow, target.hwnd());
  // The minimize may already have run inside the pass.
  WaitTimers();
  EXPECT_FALSE(IsWindowVisible(target.hwnd()));
  EXPECT_NE(form->FindButtonWindow(target.hwnd()), 0);
  form->DelTrTimer.Enable();
  WaitTimers();
  // Emptied on purpose, the table does not fall back on the old one.
  Send(HM_CLEARWINDOWS, nullptr);
  EXPECT_EQ(form->FindButtonWindow(target.hwnd()), 0);
}

// A pass that lets messages in never runs another one inside it (a burst of rescans would
// stack passes without end); the rescan runs after it, and a window added meanwhile stays.
TEST_F(MainFormTest, APassNeverNestsAndKeepsWhatIsAddedMeanwhile) {
  TestWindow w("collected");
  Start();
  const HWND restored = reinterpret_cast<HWND>(0x7FF4);
  PostMessageA(form->hwnd(), WM_TIMER, kTimer2, 0);
  PostMessageA(form->hwnd(), HM_ADDWINDOW, 0, reinterpret_cast<LPARAM>(restored));
  form->Timer2Timer();
  EXPECT_TRUE(form->Timer2.Enabled()) << "the rescan that came during the pass was run inside it or lost";
  EXPECT_NE(form->FindButtonWindow(w.hwnd()), 0);
  EXPECT_NE(form->FindButtonWindow(restored), 0);
  form->Timer2.Disable();
}

TEST_F(MainFormTest, RightClickOnTheOwnMinimizeButtonOnlyWithSymbolType5) {
  TestWindow w("right-clicked", 70, 70, 400, 200);
  Start("[Visualization]\r\nSymbolType=5\r\n");
  RECT wr;
  GetWindowRect(w.hwnd(), &wr);
  const RECT m = MinimizeButtonRect(wr.right - wr.left, SystemFrameMetrics());
  MoveCursor(wr.left + m.left, wr.top + m.top);  // on the edge: inclusive
  Send(HM_MINBUTTON, w.hwnd());
  EXPECT_TRUE(form->AddTrTimer.Enabled());
  EXPECT_EQ(form->CurrentWindow, w.hwnd());
  form->AddTrTimer.Disable();
  MoveCursor(wr.left + m.left - 1, wr.top + m.top);
  Send(HM_MINBUTTON, w.hwnd());
  EXPECT_FALSE(form->AddTrTimer.Enabled());
  form->Options.SymbolType = 4;
  MoveCursor(wr.left + m.left + 2, wr.top + m.top + 2);
  Send(HM_MINBUTTON, w.hwnd());
  EXPECT_FALSE(form->AddTrTimer.Enabled());
}

TEST_F(MainFormTest, TheHotKeyNamesTheForegroundWindowOfTheTable) {
  TestWindow w("foreground");
  Start();
  SetForegroundWindow(w.hwnd());
  if (!test::PumpUntil([&] { return GetForegroundWindow() == w.hwnd(); }, 1000))
    GTEST_SKIP() << "the desktop gave no foreground";
  form->ButtonPressed = -1;
  SendMessageA(form->hwnd(), WM_HOTKEY, 1, 0);
  EXPECT_EQ(form->CurrentWindow, w.hwnd());
  EXPECT_EQ(form->ButtonPressed, 0);
  EXPECT_TRUE(form->AddTrTimer.Enabled());
  form->AddTrTimer.Disable();
  Send(HM_CLEARWINDOWS, nullptr);
  SendMessageA(form->hwnd(), WM_HOTKEY, 1, 0);
  EXPECT_EQ(form->CurrentWindow, w.hwnd()) << "overwritten all the same";
  EXPECT_FALSE(form->AddTrTimer.Enabled());
}

// Whether the released classic button is in the window's title bar now.
bool ShowsButton(HWND window) {
  RECT wr;
  GetWindowRect(window, &wr);
  const RECT b = ProgramButtonRect(wr.right - wr.left, SystemFrameMetrics());
  HDC dc = GetWindowDC(window);
  const bool shown = GetPixel(dc, b.left + 10, b.top + 6) == ButtonImagePixel(ButtonImage::Up, 10, 6) &&
                     GetPixel(dc, b.left + 3, b.top + 3) == ButtonImagePixel(ButtonImage::Up, 3, 3);
  ReleaseDC(window, dc);
  return shown;
}

// Every window that asks for a second redraw within the delay gets it, not only the last one.
TEST_F(MainFormTest, RedrawTwiceGivesEveryAskingWindowItsSecondDrawing) {
  TestWindow a("first", 40, 40, 300, 150), b("second", 400, 40, 300, 150);
  Start("[Visualization]\r\nSymbolType=0\r\n");
  Send(HM_REDRAWTWICE, a.hwnd());
  EXPECT_TRUE(form->Timer3.Enabled());
  Send(HM_REDRAWTWICE, b.hwnd());
  Send(HM_REDRAWTWICE, reinterpret_cast<HWND>(0x7FF4));  // not in the table: nothing kept
  // Unknown and idle numbers are harmless.
  for (UINT m : {0x402u, 0x406u, 0x40Cu, 0x411u}) Send(m, a.hwnd());
  // Both title bars are painted over, as their owners would after the first redraw.
  for (HWND w : {a.hwnd(), b.hwnd()}) RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  const bool exact = GetSystemMetrics(SM_CXSIZE) == 18 && GetSystemMetrics(SM_CYSIZE) == 18;
  if (exact) {
    EXPECT_FALSE(ShowsButton(a.hwnd()));
  }
  EXPECT_TRUE(test::PumpUntil([this] { return !form->Timer3.Enabled(); }, 3000));
  if (exact) {
    EXPECT_TRUE(ShowsButton(a.hwnd()));
    EXPECT_TRUE(ShowsButton(b.hwnd()));
  }
}

}  // namespace
}  // namespace corvel
