#include <map>
#include <gtest/gtest.h>
#include "platform/picture.h"
#include "platform/profile.h"
#include "settings/local.h"
#include "settings/options.h"
#include "settings/settings_location.h"
#include "tests/unit/test_support.h"

namespace corvel {
namespace {

using test::ReadFileText;
using test::RemoveSettingsFile;
using test::SettingsPath;
using test::WriteSettingsText;

class OptionsTest : public testing::Test {
 protected:
  void SetUp() override { RemoveSettingsFile(); }
  void TearDown() override { RemoveSettingsFile(); }
};

TEST(ParseInteger, DecimalAndBothHexadecimalForms) {
  struct Case {
    const char* text;
    bool ok;
    int32_t value;
  } cases[] = {
      {"0", true, 0},           {"2", true, 2},           {"-5", true, -5},        {"+7", true, 7},
      {"0x2", true, 2},         {"0X1f", true, 31},       {"$10", true, 16},       {"$ff", true, 255},
      {"8388608", true, 8388608}, {"2147483647", true, 2147483647}, {"-2147483648", true, INT32_MIN},
      {"$FFFFFFFF", true, -1},  {"0x", false, 0},         {"$", false, 0},         {"", false, 0},
      {"abc", false, 0},        {"12a", false, 0},        {"2147483648", false, 0}, {"0x100000000", false, 0},
      {" 3", false, 0},         {"1.5", false, 0},        {"-", false, 0},         {"\x01\x02", false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    int32_t v = 12345;
    EXPECT_EQ(ParseInteger(c.text, v), c.ok);
    if (c.ok) {
      EXPECT_EQ(v, c.value);
    }
  }
}

TEST_F(OptionsTest, SetDefaultsAndFileDefaultsDifferInColourAndHotKey) {
  TOptions o;
  o.Applications = {"x"};
  o.LocalLibrary = "lib";
  o.MinToTray = o.MinToMenu = o.MinToWindow = false;
  o.SlowA = o.SlowD = true;
  o.IconBrColor = 1;
  o.HotKey = 7;
  o.WinFilter = 2;
  o.SymbolType = 4;
  o.SetDefaults();
  EXPECT_TRUE(o.MinToTray && o.MinToMenu && o.MinToWindow);
  EXPECT_FALSE(o.SlowA || o.SlowD);
  EXPECT_EQ(o.IconBrColor, 0xFF0000u);
  EXPECT_EQ(o.HotKey, 1);
  EXPECT_EQ(o.WinFilter, 0);
  EXPECT_EQ(o.SymbolType, 2);
  EXPECT_EQ(o.Applications.size(), 1u);  // untouched
  EXPECT_EQ(o.LocalLibrary, "lib");

  TOptions fresh;
  fresh.Load();  // no file
  EXPECT_TRUE(fresh.MinToTray && fresh.MinToMenu && fresh.MinToWindow);
  EXPECT_FALSE(fresh.SlowA || fresh.SlowD);
  EXPECT_EQ(fresh.IconBrColor, 8388608u);
  EXPECT_EQ(fresh.HotKey, 0);
  EXPECT_EQ(fresh.WinFilter, 0);
  EXPECT_EQ(fresh.SymbolType, 2);
  EXPECT_TRUE(fresh.Applications.empty());
  EXPECT_TRUE(fresh.LocalLibrary.empty());
  EXPECT_TRUE(fresh.ToSysMenu && fresh.ToTray);
  EXPECT_FALSE(test::FileExists(SettingsPath())) << "reading must not create the file";
}

TEST_F(OptionsTest, LoadReadsEncodingsAndListsAsFarAsTheirCount) {
  WriteSettingsText(
      "[Options]\r\nHotKey=0x2\r\nWinFilter=263\r\nSlowA=5\r\nSlowD=abc\r\nLocalLibrary=  \"C:\\lang\\de.lng\"  \r\n"
      "ToSysMenu=0\r\n[Visualization]\r\nIconBrColor=$FF\r\nSymbolType=-1\r\n[MinOptions]\r\nMinToMenu=0\r\n"
      "[Applications]\r\nCount=3\r\nAppNum_0=C:\\Tools\\a.exe\r\nAppNum_5=ignored\r\n");
  TOptions o;
  o.Load();
  EXPECT_EQ(o.HotKey, 2);
  EXPECT_EQ(o.WinFilter, 7);
  EXPECT_TRUE(o.SlowA);
  EXPECT_FALSE(o.SlowD);
  EXPECT_EQ(o.IconBrColor, 0xFFu);
  EXPECT_EQ(o.SymbolType, 255);
  EXPECT_TRUE(o.MinToTray);
  EXPECT_FALSE(o.MinToMenu);
  EXPECT_FALSE(o.ToSysMenu);
  EXPECT_EQ(o.LocalLibrary, "C:\\lang\\de.lng");
  ASSERT_EQ(o.Applications.size(), 3u);
  EXPECT_EQ(o.Applications[0], "C:\\Tools\\a.exe");
  EXPECT_EQ(o.Applications[1], "");
  EXPECT_EQ(o.Applications[2], "");

  WriteSettingsText("[Options]\r\nHotKey=abc\r\n");
  TOptions b;
  b.Load();
  EXPECT_EQ(b.HotKey, 0);
}

TEST_F(OptionsTest, SaveWritesEveryKeyInOrderAndLoadReadsItBack) {
  TOptions o;
  o.SetDefaults();
  o.MinToWindow = false;
  o.SlowD = true;
  o.IconBrColor = 0x800000;
  o.HotKey = 2;
  o.WinFilter = 2;
  o.Applications = {"C:\\a\\one.exe", "two.exe"};
  o.SymbolType = 5;
  o.LocalLibrary = "C:\\de.lng";
  o.Save();
  EXPECT_EQ(ReadFileText(SettingsPath()),
            "[MinOptions]\r\nMinToTray=1\r\nMinToMenu=1\r\nMinToWindow=0\r\n"
            "[Visualization]\r\nIconBrColor=8388608\r\nSymbolType=5\r\n"
            "[Options]\r\nSlowA=0\r\nSlowD=1\r\nHotKey=2\r\nWinFilter=2\r\nToSysMenu=1\r\nToTray=1\r\n"
            "LocalLibrary=C:\\de.lng\r\n"
            "[Applications]\r\nCount=2\r\nAppNum_0=C:\\a\\one.exe\r\nAppNum_1=two.exe\r\n");
  TOptions back;
  back.Load();
  for (const OptionKey& k : OptionKeys()) {
    SCOPED_TRACE(k.key);
    switch (k.kind) {
      case OptionKey::Bool: EXPECT_EQ(back.*k.boolField, o.*k.boolField); break;
      case OptionKey::Colour: EXPECT_EQ(back.*k.colourField, o.*k.colourField); break;
      case OptionKey::Int32: EXPECT_EQ(back.*k.intField, o.*k.intField); break;
      case OptionKey::Byte: EXPECT_EQ(back.*k.byteField, o.*k.byteField); break;
      case OptionKey::Text: EXPECT_EQ(back.*k.textField, o.*k.textField); break;
      case OptionKey::TextList: EXPECT_EQ(back.Applications, o.Applications); break;
    }
  }
}

TEST_F(OptionsTest, AShrunkListLeavesItsOldKeysButReadsOnlyItsCount) {
  TOptions o;
  o.Applications = {"a", "b", "c", "d", "e"};
  o.Save();
  o.Applications = {"x", "y"};
  o.Save();
  const std::string text = ReadFileText(SettingsPath());
  EXPECT_NE(text.find("AppNum_4=e"), std::string::npos);
  EXPECT_NE(text.find("Count=2"), std::string::npos);
  TOptions back;
  back.Load();
  EXPECT_EQ(back.Applications, (std::vector<std::string>{"x", "y"}));
}

TEST_F(OptionsTest, ARefusedWriteRaisesTheMessageAndKeepsWhatWasThere) {
  WriteSettingsText("[MinOptions]\r\nMinToTray=0\r\n");
  // Held open without sharing, the file cannot be written (a read-only attribute would not
  // stop a test that runs as root).
  HANDLE lock = CreateFileA(SettingsPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  TOptions o;
  try {
    o.Save();
    ADD_FAILURE() << "Save must fail on a file that cannot be written";
  } catch (const ProfileWriteError& e) {
    EXPECT_STREQ(e.what(), "Unable to write to Corvl.ini");
  }
  CloseHandle(lock);
  EXPECT_EQ(ReadFileText(SettingsPath()), "[MinOptions]\r\nMinToTray=0\r\n");
}

TEST_F(OptionsTest, BadFilesGiveDefaultsWithoutCrash) {
  // Overlong values, binary junk, missing sections, numbers out of range.
  const std::string longValue(5000, '7');
  std::string junk = "\x01\xff\xfe[Options\r\n==\r\n[]\r\nHotKey\r\n";
  for (int i = 0; i < 256; ++i) junk += static_cast<char>(i == 0 ? 1 : i);
  const std::string files[] = {
      "[Options]\r\nHotKey=" + longValue + "\r\nLocalLibrary=" + std::string(3000, 'L') + "\r\n",
      junk,
      "[Visualization]\r\nIconBrColor=99999999999999\r\nSymbolType=0x1FFFFFFFF\r\n",
      "[Applications]\r\nCount=-1\r\n",
      "[Applications]\r\nCount=70000\r\n",
      "",
  };
  for (const std::string& f : files) {
    WriteSettingsText(f);
    TOptions o;
    o.Load();
    EXPECT_EQ(o.HotKey, 0);
    EXPECT_EQ(o.IconBrColor, 8388608u);
    EXPECT_EQ(o.SymbolType, 2);
    EXPECT_LE(o.LocalLibrary.size(), 2047u);
    EXPECT_LE(o.Applications.size(), 65535u);
  }
}

// Damaged settings files and language libraries (from a fixed seed; CORVEL_FUZZ_ROUNDS for more)
// never crash: what is read is the Part's default where a value makes no sense, and a settings
// file written back from what was read reads back the same.
TEST_F(OptionsTest, DamagedFilesReadAsDefaultsAndWriteBackAsTheyRead) {
  TOptions full;
  full.SetDefaults();
  full.Applications = {"notepad.exe", "calc.exe"};
  full.LocalLibrary = "C:\\lang\\Deutsch.lng";
  full.Save();
  const std::string good = ReadFileText(SettingsPath());
  const size_t rounds = test::FuzzRounds(120);
  for (const std::string& f : test::MutatedFiles(good, rounds, test::FuzzSeed(4242))) {
    WriteSettingsText(f);
    TOptions o;
    o.Load();
    o.Save();
    const std::string written = ReadFileText(SettingsPath());
    TOptions back;
    back.Load();
    back.Save();
    ASSERT_EQ(ReadFileText(SettingsPath()), written) << "read from:\n" << f;
  }
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string lib = std::string(dir) + "corvel-fuzz.lng";
  const std::string german = ReadFileText(ProgramFolder() + "Deutsch.lng");
  ASSERT_FALSE(german.empty());
  for (const std::string& f : test::MutatedFiles(german, rounds, test::FuzzSeed(4243))) {
    test::WriteFileBytes(lib, f);
    TLocal local;
    size_t texts = 0;
    local.SetTextSink([&](const std::string&, const std::string& t) {
      ++texts;
      EXPECT_LE(t.size(), 2047u);
    });
    local.ApplyLanguageLibrary(lib);
    EXPECT_EQ(texts, LanguageKeys().size());
  }
  DeleteFileA(lib.c_str());
}

TEST_F(OptionsTest, TextsAreReadUpTo2047Characters) {
  TOptions o;
  o.LocalLibrary = std::string(2047, 'a');
  o.Save();
  TOptions back;
  back.Load();
  EXPECT_EQ(back.LocalLibrary, o.LocalLibrary);
}

TEST_F(OptionsTest, LoadAppliesTheNamedLanguageLibrary) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string lib = std::string(dir) + "corvel-test.lng";
  test::WriteFileBytes(lib, "[Localization library]\r\nOS=Betriebssystem:\r\nExitStr=Ende\r\n");
  WriteSettingsText("[Options]\r\nLocalLibrary=" + lib + "\r\n");
  TLocal local;
  std::vector<std::pair<std::string, std::string>> applied;
  local.SetTextSink([&](const std::string& k, const std::string& t) { applied.emplace_back(k, t); });
  TOptions o(&local);
  o.Load();
  EXPECT_EQ(local.OsText, "Betriebssystem:");
  EXPECT_EQ(local.MemText, "Memory available:");
  ASSERT_EQ(applied.size(), LanguageKeys().size());
  EXPECT_EQ(applied.front().first, "Version");
  std::map<std::string, std::string> texts(applied.begin(), applied.end());
  EXPECT_EQ(texts["ExitStr"], "Ende");
  // A missing key's default keeps its blanks at both ends.
  EXPECT_EQ(texts["MinOptions"], " Minimization options ");
  DeleteFileA(lib.c_str());
}


// The settings stay in the Windows directory wherever "Corvl.ini" can be written there; a folder
// of that name (as a directory a standard user may not write) sends them to the user's folder,
// which starts as a copy once and is then the file every reader and writer uses.
TEST(SettingsPlace, TheWindowsDirectoryWhereWritableElseTheUsersFolderStartingAsACopy) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string windows = std::string(temp) + "corvel-windir\\", user = std::string(temp) + "corvel-user\\Corvel";
  CreateDirectoryA(windows.c_str(), nullptr);
  CreateDirectoryA((std::string(temp) + "corvel-user").c_str(), nullptr);
  const std::string ini = windows + "Corvl.ini";

  EXPECT_TRUE(SettingsWritableIn(windows));
  EXPECT_FALSE(test::FileExists(ini)) << "trying leaves no file behind";
  test::WriteFileBytes(ini, "[Options]\r\nHotKey=2\r\n");
  SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(SettingsWritableIn(windows)) << "a file marked read-only is the user's choice";
  SetFileAttributesA(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
  const SettingsPlace stay = SettingsPlaceFor(true, windows, user);
  EXPECT_EQ(stay.iniFile, "Corvl.ini");
  EXPECT_FALSE(stay.perUser);

  // Unwritable: the user's folder, with the Windows directory's settings and journal copied once.
  test::WriteFileBytes(windows + "Corvl.hidden", "");
  const SettingsPlace moved = SettingsPlaceFor(false, windows, user);
  EXPECT_TRUE(moved.perUser);
  EXPECT_EQ(moved.iniFile, user + "\\Corvl.ini");
  EXPECT_EQ(test::ReadFileText(moved.iniFile), "[Options]\r\nHotKey=2\r\n");
  EXPECT_TRUE(test::FileExists(user + "\\Corvl.hidden"));
  test::WriteFileBytes(moved.iniFile, "[Options]\r\nHotKey=1\r\n");
  SettingsPlaceFor(false, windows, user);
  EXPECT_EQ(test::ReadFileText(moved.iniFile), "[Options]\r\nHotKey=1\r\n") << "copied the first time only";

  // A folder named "Corvl.ini" cannot be written.
  DeleteFileA(ini.c_str());
  ASSERT_TRUE(CreateDirectoryA(ini.c_str(), nullptr));
  EXPECT_FALSE(SettingsWritableIn(windows));

  // The place of the run is what the settings read and write.
  SetSettingsPlace(moved);
  EXPECT_EQ(SettingsFile(), moved.iniFile);
  EXPECT_EQ(JournalPath(), user + "\\Corvl.hidden");
  EXPECT_EQ(UserPictureToWrite("UpUser.bmp"), user + "\\UpUser.bmp");
  EXPECT_EQ(UserPictureToRead("UpUser.bmp"), ProgramFolder() + "UpUser.bmp") << "none of the user's own yet";
  TOptions o;
  o.Load();
  EXPECT_EQ(o.HotKey, 1);
  o.HotKey = 2;
  o.Save();
  EXPECT_NE(test::ReadFileText(moved.iniFile).find("HotKey=2"), std::string::npos);
  SetSettingsPlace(stay);

  RemoveDirectoryA(ini.c_str());
  for (const std::string& f : {windows + "Corvl.hidden", moved.iniFile, user + "\\Corvl.hidden"}) DeleteFileA(f.c_str());
  RemoveDirectoryA(user.c_str());
  RemoveDirectoryA((std::string(temp) + "corvel-user").c_str());
  RemoveDirectoryA(windows.c_str());
}

}  // namespace
}  // namespace corvel
