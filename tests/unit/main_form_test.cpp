#include "tests/unit/main_form_fixture.h"
#include <stdexcept>
#include "sysinfo/os_info.h"

namespace corvel {
namespace {

using test::HookCalls;
using test::MainFormTest;
using test::TestWindow;

TEST_F(MainFormTest, StartsHiddenWithItsClassCaptionAndDefaults) {
  Start();
  char cls[64] = {}, caption[64] = {};
  GetClassNameA(form->hwnd(), cls, sizeof cls);
  GetWindowTextA(form->hwnd(), caption, sizeof caption);
  EXPECT_STREQ(cls, "TForm1");
  EXPECT_STREQ(caption, "Dravik Tool Bar");
  EXPECT_FALSE(IsWindowVisible(form->hwnd()));
  EXPECT_EQ(FindWindowA("TForm1", "Dravik Tool Bar"), form->hwnd());
  // Every NT system from 2000 on has layered windows, whatever its OS code.
  const OsVersion v = QueryOsVersion();
  const bool layered = v.platformId == VER_PLATFORM_WIN32_NT && v.major >= 5;
  EXPECT_EQ(GetWindowLongA(form->hwnd(), GWL_EXSTYLE), layered ? 0x80000 : 0);
  EXPECT_EQ(form->SetLayeredAttributes.Resolved(), layered);

  // Start-up read the missing file: its defaults, not those of SetDefaults.
  EXPECT_EQ(form->Options.IconBrColor, 0x800000u);
  EXPECT_EQ(form->Options.HotKey, 0);
  EXPECT_TRUE(effects.recorder.hotKeys.empty());
  EXPECT_EQ(effects.recorder.priorities, std::vector<DWORD>{ABOVE_NORMAL_PRIORITY_CLASS});
  // Without a setting: the button's own windows from Vista on, the hook library before.
  EXPECT_EQ(form->UseButtonWindows, IsVistaOrLater(GetOsCode()));
  EXPECT_EQ(HookCalls::calls, form->UseButtonWindows ? std::vector<std::string>{} : std::vector<std::string>{"SetHook"});
  EXPECT_EQ(form->ButtonStyle, ButtonStyleFor(2, GetOsCode()));
  EXPECT_EQ(form->HelpFile, ProgramFolder() + "Help\\corvlhelp.hlp");
  EXPECT_EQ(form->HelpPage, ProgramFolder() + "Help\\corvlhelp.html");

  // The program's own icon, on a window of its own.
  bool own = false;
  for (const auto& c : tray->Live())
    if (c.hwnd == form->RxTrayIcon1.hwnd())
      own = c.uid == 0 && c.callback == 0xB054 && c.flags == 7 && c.tip == "Corvel 2.4";
  EXPECT_TRUE(own);
  EXPECT_NE(form->RxTrayIcon1.hwnd(), form->hwnd());

  form->FormDestroy();
  EXPECT_EQ(HookCalls::calls.back(), "DeleteHook");
  EXPECT_TRUE(tray->Live().empty());
  EXPECT_FALSE(test::FileExists(test::SettingsPath())) << "nothing writes the settings at start or exit";
}

TEST_F(MainFormTest, SettingsChooseHookHotKeyAndButtonStyle) {
  struct Case {
    const char* settings;
    std::vector<std::string> hooks;
    int hotKeyId;
    UINT key;
    int style;
  } cases[] = {
      {"[Options]\r\nWinFilter=1\r\nHotKey=1\r\n[Visualization]\r\nSymbolType=0\r\n", {"SetHookAll"}, 1, VK_TAB, 80},
      {"[Options]\r\nWinFilter=2\r\nHotKey=2\r\n[Visualization]\r\nSymbolType=1\r\n", {"SetHook"}, 2, VK_SPACE, 90},
      {"[Options]\r\nWinFilter=7\r\nHotKey=3\r\n[Visualization]\r\nSymbolType=3\r\n", {}, 0, 0, 101},
      {"[Options]\r\nWinFilter=263\r\n[Visualization]\r\nSymbolType=4\r\n", {}, 0, 0, 100},
      {"[Options]\r\nWinFilter=0\r\n[Visualization]\r\nSymbolType=5\r\n", {"SetHook"}, 0, 0, 100},
      {"[Visualization]\r\nSymbolType=9\r\n", {"SetHook"}, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.settings);
    effects.recorder.hotKeys.clear();
    Start(c.settings);
    EXPECT_EQ(HookCalls::calls, c.hooks);
    if (c.hotKeyId) {
      ASSERT_EQ(effects.recorder.hotKeys.size(), 1u);
      EXPECT_EQ(effects.recorder.hotKeys[0].id, c.hotKeyId);
      EXPECT_EQ(effects.recorder.hotKeys[0].modifiers, static_cast<UINT>(MOD_CONTROL));
      EXPECT_EQ(effects.recorder.hotKeys[0].key, c.key);
    } else {
      EXPECT_TRUE(effects.recorder.hotKeys.empty());
    }
    EXPECT_EQ(form->ButtonStyle, c.style);
    form->FormDestroy();
    form.reset();
  }
}

// Every window held in the tray or the menu is given back, after the hook is gone, and the
// user's button pictures are written back.
TEST_F(MainFormTest, ShutdownRemovesTheHookFirstThenGivesEveryWindowBack) {
  const std::string up = ProgramFolder() + "UpUser.bmp";
  const std::string down = ProgramFolder() + "DownUser.bmp";
  DeleteFileA(down.c_str());
  {
    // A picture to read at start and write back at the end.
    Picture p;
    BitmapHandle b = CreateScreenBitmap(7, 5);
    p.Assign(std::move(b));
    ASSERT_TRUE(p.SaveToFile(up));
  }
  Start();
  EXPECT_EQ(form->BUpUser.Width(), 7);
  EXPECT_TRUE(form->BDownUser.Empty());
  DeleteFileA(up.c_str());

  TestWindow a("held in tray and menu"), b("held in the menu only");
  form->Options.MinToTray = true;
  form->Options.MinToMenu = true;
  form->CurrentWindow = a.hwnd();
  form->AddTrTimerTimer();
  form->Options.MinToTray = false;
  form->CurrentWindow = b.hwnd();
  form->AddTrTimerTimer();
  ASSERT_FALSE(IsWindowVisible(a.hwnd()));
  ASSERT_FALSE(IsWindowVisible(b.hwnd()));

  static HWND watched[2];
  static bool hiddenAtDelete;
  watched[0] = a.hwnd();
  watched[1] = b.hwnd();
  hiddenAtDelete = false;
  HookCalls::onDelete = [] { hiddenAtDelete = !IsWindowVisible(watched[0]) && !IsWindowVisible(watched[1]); };
  SendMessageA(form->hwnd(), WM_ENDSESSION, TRUE, 0);
  EXPECT_TRUE(hiddenAtDelete) << "DeleteHook comes before any window is restored";
  EXPECT_TRUE(IsWindowVisible(a.hwnd()));
  EXPECT_TRUE(IsWindowVisible(b.hwnd()));
  EXPECT_TRUE(tray->Live().empty()) << "every icon of the program is gone";
  MSG quit;
  EXPECT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the message loop is asked to end";
  EXPECT_TRUE(test::FileExists(up));
  EXPECT_FALSE(test::FileExists(down)) << "an empty picture is written as nothing";
  Picture back;
  back.LoadFromFile(up);
  EXPECT_EQ(back.Width(), 7);
  EXPECT_EQ(back.Height(), 5);
  DeleteFileA(up.c_str());
  EXPECT_TRUE(form->Journal.Read().empty());
}

// A step of the end that fails keeps none of the later ones from giving the windows back.
TEST_F(MainFormTest, AFailingStepOfTheEndStillGivesEveryWindowBack) {
  Start();
  TestWindow a("held");
  form->Options.MinToTray = form->Options.MinToMenu = true;
  form->CurrentWindow = a.hwnd();
  form->AddTrTimerTimer();
  ASSERT_FALSE(IsWindowVisible(a.hwnd()));
  HookCalls::onDelete = [] { throw std::runtime_error("the hook library failed"); };
  EXPECT_NO_THROW(form->FormDestroy());
  EXPECT_TRUE(IsWindowVisible(a.hwnd()));
  EXPECT_TRUE(form->Journal.Read().empty()) << "the journal still names a window given back";
  EXPECT_TRUE(test::PumpUntil([this] { return tray->Live().empty(); }));
}

TEST_F(MainFormTest, BrokenUserPicturesStartWithEmptyOnes) {
  const std::string up = ProgramFolder() + "UpUser.bmp";
  const std::string down = ProgramFolder() + "DownUser.bmp";
  test::WriteFileBytes(up, std::string("BM\x10\x00", 4));
  test::WriteFileBytes(down, std::string(100000, '\x42'));
  Start();
  EXPECT_TRUE(form->BUpUser.Empty());
  EXPECT_TRUE(form->BDownUser.Empty());
  form->FormDestroy();
  // The broken files are left as they were, not replaced by broken pictures.
  EXPECT_EQ(test::ReadFileText(up), std::string("BM\x10\x00", 4));
  DeleteFileA(up.c_str());
  DeleteFileA(down.c_str());
}

TEST_F(MainFormTest, StartUpShowsAgainWhatACrashedRunLeftHidden) {
  TestWindow kept("left hidden by a crash"), shown("visible anyway");
  {
    HiddenJournal j;
    j.Clear();
    j.Add(kept.hwnd());
    j.Add(shown.hwnd());
    j.Add(reinterpret_cast<HWND>(0x7FFF0));  // gone
  }
  ShowWindow(kept.hwnd(), SW_HIDE);
  Start();
  EXPECT_TRUE(IsWindowVisible(kept.hwnd()));
  EXPECT_TRUE(IsWindowVisible(shown.hwnd()));
  EXPECT_TRUE(form->Journal.Read().empty());
}

}  // namespace
}  // namespace corvel
