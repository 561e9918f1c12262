// The Quick Run list in its page's list view and its menu; the Control Panel page's applet rows
// from real CPL files (Wine's and a test file that answers in each record form) and the applet
// icons on the tray.
#include "launch/applet_tray_icons.h"
#include "launch/quick_run_menu.h"
#include "options/change_name_form.h"
#include "options/control_panel_page.h"
#include "options/quick_run_page.h"
#include "tests/unit/main_form_fixture.h"

namespace corvel {
namespace {

using test::MainFormTest;

class PageHost : public ModalForm {
 public:
  PageHost() : ModalForm("CorvelPageHost", "Pages", 581, 313) { CreateForm(nullptr); }
};

std::string OwnFolder() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  return s.substr(0, s.find_last_of('\\'));
}

std::string OwnPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

std::string SystemFolder() {
  char dir[MAX_PATH] = {};
  GetSystemDirectoryA(dir, MAX_PATH);
  return dir;
}

class PagesTest : public MainFormTest {
 protected:
  void SetUp() override {
    MainFormTest::SetUp();
    Start();
    ASSERT_TRUE(changeName.CreateForm(form->hwnd()));
    ASSERT_TRUE(sheet.Create(host.hwnd(), 0, 0, 581, 313));
    ASSERT_TRUE(quickRun.Create(sheet.hwnd(), host.Events(), *form, changeName));
    ASSERT_TRUE(applets.Create(sheet.hwnd(), host.Events()));
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int i = 0; i < quickRun.ListView4.Count(); ++i) names.push_back(quickRun.ListView4.ItemText(i));
    return names;
  }
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    for (int i = 0; i < applets.ListView1.Count(); ++i) rows.push_back(applets.ListView1.ItemText(i));
    return rows;
  }
  // The test applet file under `names` in a folder of its own.
  std::string AppletFolderWith(std::initializer_list<const char*> names) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "corvel-applets";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const char* n : names) CopyFileA((OwnFolder() + "\\test_applet.cpl").c_str(), (folder + "\\" + n).c_str(), FALSE);
    return folder;
  }

  PageHost host;
  Panel sheet;
  TChangeNameForm changeName;
  TQuickRunPage quickRun;
  TControlPanelPage applets;
};

TEST_F(PagesTest, LoadKeepsExistingFilesInOrderWhateverTheCountAndSaveNumbersFromOne) {
  const std::string own = OwnPath();
  test::WriteSettingsText("[Quick Run]\r\nAppCount=2000000000\r\nAppName_1=First\r\nAppPath_1=" + own +
                          "\r\nAppName_3=Gone\r\nAppPath_3=C:\\no\\such.exe\r\nAppName_5=\r\nAppPath_5=" + own +
                          "\r\nAppName_07=Zero padded\r\nAppPath_07=" + own + "\r\nAppPath_9=" + own +
                          "\r\nAppName_9=Last\r\n");
  form->LoadQuickRunList();
  EXPECT_EQ(Names(), (std::vector<std::string>{"First", "", "Last"})) << "missing files skipped, empty names kept";
  EXPECT_EQ(quickRun.ListView4.ItemText(2, kQuickRunPathColumn), own);
  EXPECT_EQ(quickRun.ListView4.ItemImage(2), 2);
  form->LoadQuickRunList();
  EXPECT_EQ(form->AppIcons.Count(), 3) << "a reload does not pile up pictures";

  form->SaveQuickRunList();
  const std::string text = test::ReadFileText(test::SettingsPath());
  EXPECT_NE(text.find("AppCount=3"), std::string::npos);
  EXPECT_NE(text.find("AppName_2=\r\n"), std::string::npos);
  EXPECT_NE(text.find("AppName_3=Last"), std::string::npos);
  EXPECT_NE(text.find("AppPath_9="), std::string::npos) << "keys beyond the count stay";
  form->LoadQuickRunList();
  EXPECT_EQ(Names(), (std::vector<std::string>{"First", "", "Last"}));

  test::WriteSettingsText("[Quick Run]\r\nAppName_1=No count\r\nAppPath_1=" + own + "\r\n");
  form->LoadQuickRunList();
  EXPECT_EQ(quickRun.ListView4.Count(), 0);

  // More key names than one read of the section holds.
  std::string many = "[Quick Run]\r\nAppCount=200\r\n";
  for (int n = 200; n >= 1; --n)
    many += "AppName_" + std::to_string(n) + "=p" + std::to_string(n) + "\r\nAppPath_" + std::to_string(n) + "=" + own + "\r\n";
  test::WriteSettingsText(many);
  form->LoadQuickRunList();
  ASSERT_EQ(quickRun.ListView4.Count(), 200);
  EXPECT_EQ(quickRun.ListView4.ItemText(0), "p1");
  EXPECT_EQ(quickRun.ListView4.ItemText(199), "p200");
}

TEST_F(PagesTest, TheMenuIsASnapshotAndItsItemsFindTheirProgramByPosition) {
  form->ResetQuickRunMenu();
  form->FillQuickRunMenu();
  ASSERT_EQ(form->RxPopupMenu2.Count(), 2u);
  EXPECT_EQ(form->RxPopupMenu2.At(0).caption, L"< Quick Run >");
  EXPECT_TRUE(form->RxPopupMenu2.At(1).separator);
  EXPECT_STREQ(QuickRunMarginText(2), "QX");

  quickRun.AddProgram(OwnPath());
  quickRun.AddProgram("C:\\programs\\two.exe");
  quickRun.AddProgram("D:three.exe");
  EXPECT_EQ(Names(), (std::vector<std::string>{"corvel_tests.exe", "two.exe", "three.exe"}));
  form->ResetQuickRunMenu();
  form->FillQuickRunMenu();
  ASSERT_EQ(form->RxPopupMenu2.Count(), 5u);
  EXPECT_EQ(form->RxPopupMenu2.At(4).caption, L"three.exe");
  EXPECT_EQ(form->RxPopupMenu2.At(4).image, 2);
  EXPECT_STREQ(QuickRunMarginText(4), "QX");
  EXPECT_STREQ(QuickRunMarginText(5), "Quick run");

  auto& launches = effects.recorder.launches;
  form->RxPopupMenu2.Click(form->RxPopupMenu2.At(0).command);
  EXPECT_TRUE(launches.empty()) << "the header opens nothing";
  // The first row deleted on the page: the menu still has three items, which act on the list.
  quickRun.ListView4.SetSelectedIndex(0);
  quickRun.Button9Click();
  form->RxPopupMenu2.Click(form->RxPopupMenu2.At(2).command);
  form->RxPopupMenu2.Click(form->RxPopupMenu2.At(4).command);
  EXPECT_EQ(launches, std::vector<std::string>{"C:\\programs\\two.exe"});

  // The margin: black at the top to teal at the bottom.
  MemoryDc dc = CreateScreenCompatibleDc();
  BitmapHandle bitmap = CreateScreenBitmap(kQuickRunMarginWidth, 100);
  SelectGuard sel(dc.get(), bitmap.get());
  form->RxPopupMenu2DrawMargin(dc.get(), RECT{0, 0, kQuickRunMarginWidth, 100});
  EXPECT_EQ(GetPixel(dc.get(), kQuickRunMarginWidth - 4, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc.get(), kQuickRunMarginWidth - 4, 99), RGB(0, 128, 128));
}

TEST_F(PagesTest, MovesStopAtTheEndsAndTheButtonsFollowTheSelection) {
  ListView& list = quickRun.ListView4;
  EXPECT_FALSE(quickRun.Button9.Enabled());
  quickRun.AddProgram(OwnPath());
  quickRun.AddProgram("C:\\programs\\two.exe");
  list.SetSelectedIndex(1);
  EXPECT_TRUE(quickRun.Button9.Enabled()) << "a change with a selected row enables the buttons";
  quickRun.SpeedButton2Click();
  EXPECT_EQ(list.ItemText(1), "two.exe") << "the last row does not move down";
  quickRun.SpeedButton1Click();
  quickRun.SpeedButton1Click();
  EXPECT_EQ(list.ItemText(0), "two.exe") << "the first row does not move up";
  EXPECT_EQ(list.ItemImage(0), 1) << "the picture travels with its entry";
  list.SetSelectedIndex(-1);
  quickRun.ListView4Exit();
  EXPECT_FALSE(quickRun.Button12.Enabled());
  EXPECT_TRUE(quickRun.SpeedButton2.Enabled());
}

TEST_F(PagesTest, AppletRowsComeFromWineFilesAndFromEachRecordForm) {
  applets.EnumerateAppletFiles();
  const std::vector<std::string> wine = Rows();
  for (const char* name : {"  Add/Remove Programs", "  Internet Settings", "  Game Controllers"})
    EXPECT_NE(std::find(wine.begin(), wine.end(), name), wine.end()) << name;
  EXPECT_EQ(applets.FileNames.size(), wine.size());
  EXPECT_EQ(applets.ImageList2.Count(), static_cast<int>(wine.size()));
  for (int i = 0; i < applets.ListView1.Count(); ++i) EXPECT_EQ(applets.ListView1.ItemImage(i), i);
  EXPECT_EQ(std::count(applets.FileNames.begin(), applets.FileNames.end(), "irprops.cpl"), 0);

  const std::string folder = AppletFolderWith({"wide.cpl", "ansi.cpl", "refuse.cpl"});
  applets.Clear();
  for (const char* name : {"wide.cpl", "refuse.cpl", "missing.cpl", "ansi.cpl"}) applets.InquireAppletFile(folder, name);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"  Wide applet 0", "  Wide applet 1", "  Ansi applet"}))
      << "at most two applets a file; a refused CPL_INIT adds nothing";
  EXPECT_EQ(applets.Records[0].dwSize, kAppletRecordSize);
  EXPECT_EQ(applets.Records[1].lData, 33);
  EXPECT_EQ(applets.Records[2].dwSize, kAnsiAppletRecordSize);
  EXPECT_EQ(applets.ImageList2.Count(), 3);
}

TEST_F(PagesTest, OkSavesTheTicksWhichComeBackAndTheirIconsOpenTheApplets) {
  const std::string folder = AppletFolderWith({"wide.cpl", "ansi.cpl"});
  applets.InquireAppletFile(folder, "wide.cpl");
  applets.InquireAppletFile(folder, "ansi.cpl");
  applets.ListView1.SetItemChecked(1, true);
  applets.ListView1.SetItemChecked(2, true);
  applets.ApplyOk();
  form->Applets.RemoveAppletTrayIcons();
  form->Applets.AddAppletTrayIcons(form->hwnd());
  const std::string text = test::ReadFileText(test::SettingsPath());
  EXPECT_NE(text.find("0_AppFile=wide.cpl\r\n0_IsRIcon=1\r\n0_Page=1\r\n1_AppFile=ansi.cpl\r\n1_IsRIcon=1\r\n1_Page=0"
                      "\r\nAppCount=2"),
            std::string::npos)
      << text;

  const auto& records = form->Applets.Records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].uCallbackMessage, 0x464u);
  EXPECT_EQ(records[1].uCallbackMessage, 0x465u);
  EXPECT_STREQ(records[1].szTip, "ansi.cpl");

  auto& launches = effects.recorder.launches;
  const std::string control = "\"" + SystemFolder() + "\\control.exe\" ";
  SendMessageA(form->hwnd(), 0x464, records[0].uID, WM_LBUTTONDOWN);
  SendMessageA(form->hwnd(), 0x464, records[0].uID, WM_RBUTTONUP);
  SendMessageA(form->hwnd(), 0x464, records[0].uID, WM_LBUTTONUP);
  SendMessageA(form->hwnd(), 0x465, records[1].uID, WM_LBUTTONUP);
  EXPECT_EQ(launches, (std::vector<std::string>{control + "wide.cpl,@1", control + "ansi.cpl,@0"}));
  launches.clear();
  applets.ListView1.SetSelectedIndex(1);
  applets.ListView1DblClick();
  applets.ListView1.SetSelectedIndex(2);
  applets.ListView1DblClick();
  EXPECT_EQ(launches, (std::vector<std::string>{control + "wide.cpl,@1", control + "ansi.cpl"}));

  // A page past the file's last row, and a file that no row has, mark nothing.
  test::WriteSettingsText("[Control Panel]\r\nAppCount=2\r\n0_AppFile=ansi.cpl\r\n0_Page=1\r\n1_AppFile=x.cpl\r\n");
  applets.MarkSavedApplets();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(applets.ListView1.ItemChecked(i)) << i;
}

TEST_F(PagesTest, AppletIconsTakeNoIdentifierOrCallbackOfAnotherIcon) {
  test::WriteSettingsText(
      "[Control Panel]\r\nAppCount=2000000000\r\n0_AppFile=appwiz.cpl\r\n3_AppFile=\r\n5_AppFile=joy.cpl\r\n"
      "40000_AppFile=inetcpl.cpl\r\n");
  // Every identifier of the usual range taken by the main window's other icons.
  form->Applets.IdInUse = [](UINT id) { return id <= 65534; };
  form->Applets.AddAppletTrayIcons(form->hwnd());
  const auto& records = form->Applets.Records();
  ASSERT_EQ(records.size(), 2u) << "no callback inside the per-window block";
  EXPECT_EQ(records[0].uCallbackMessage, 0x464u);
  EXPECT_EQ(records[1].uCallbackMessage, 0x469u);
  EXPECT_EQ(records[0].uID, 65535u);
  EXPECT_EQ(records[1].uID, 65536u);
  EXPECT_GE(kWindowTrayCallbackFirst, kAppletTrayCallbackLast + 1);

  // A window icon that needs an applet's identifier gets it; the applet icon moves.
  form->Applets.GiveUpId(65535);
  EXPECT_EQ(records[0].uID, 65537u);
  bool moved = false, freed = true;
  for (const auto& c : tray->Live()) {
    moved = moved || (c.hwnd == form->hwnd() && c.uid == 65537);
    freed = freed && !(c.hwnd == form->hwnd() && c.uid == 65535);
  }
  EXPECT_TRUE(moved);
  EXPECT_TRUE(freed);
}

}  // namespace
}  // namespace corvel
