#include <gtest/gtest.h>
#include <vector>
#include "corvel_version.h"
#include "platform/messages.h"
#include "platform/help.h"
#include "platform/picture.h"
#include "sysinfo/about_form.h"
#include "sysinfo/os_info.h"
#include "tests/unit/test_support.h"

namespace corvel {
using namespace about_layout;

namespace {

struct Row {
  DWORD platform, major, minor, build;
  int code;
  const char* name;
};

TEST(OsInfo, EveryRowOfTheTableAndWhatLiesBeside) {
  const Row rows[] = {
      {1, 2, 0, 0, 10, "Windows 3.11"}, {1, 3, 95, 0, 20, "Windows 95"},   {1, 4, 0, 0, 30, "Windows 98"},
      {1, 4, 10, 0, 30, "Windows 98"},  {1, 4, 90, 0, 30, "Windows 98"},   {1, 5, 7, 0, 40, "Windows Me"},
      {2, 2, 3, 0, 50, "Windows NT (16 bit)"}, {2, 3, 51, 0, 60, "Windows NT 3"}, {2, 4, 0, 0, 70, "Windows NT 4"},
      {2, 5, 0, 2195, 80, "Windows 2000"}, {2, 5, 1, 2600, 90, "Windows XP"},
      // The systems after XP, by their real version; Windows 11 by its build.
      {2, 6, 0, 6002, 110, "Windows Vista"}, {2, 6, 1, 7601, 120, "Windows 7"}, {2, 6, 2, 9200, 130, "Windows 8"},
      {2, 6, 3, 9600, 140, "Windows 8.1"}, {2, 10, 0, 19045, 150, "Windows 10"}, {2, 10, 0, 21999, 150, "Windows 10"},
      {2, 10, 0, 22000, 160, "Windows 11"}, {2, 10, 0, 26100, 160, "Windows 11"},
      // Beside the table: what stays unknown.
      {2, 5, 2, 3790, 0, "OS Not recognized"}, {2, 6, 4, 0, 0, "OS Not recognized"}, {2, 10, 1, 22000, 0, "OS Not recognized"},
      {2, 7, 0, 0, 0, "OS Not recognized"}, {2, 11, 0, 30000, 0, "OS Not recognized"},
      {1, 6, 0, 0, 0, "OS Not recognized"}, {1, 10, 0, 22000, 0, "OS Not recognized"}, {1, 1, 0, 0, 0, "OS Not recognized"},
      {0, 4, 0, 0, 0, "OS Not recognized"}, {3, 5, 1, 0, 0, "OS Not recognized"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.platform << " " << r.major << "." << r.minor << "." << r.build);
    EXPECT_EQ(OsCodeFor(r.platform, r.major, r.minor, r.build), r.code);
    EXPECT_STREQ(OsNameFor(OsCodeFor(r.platform, r.major, r.minor, r.build)), r.name);
    // Layered windows on every NT system from 5.0 on, whether it has a code or not.
    EXPECT_EQ(LayeredWindowsFor(OsVersion{r.platform, r.major, r.minor, r.build}), r.platform == 2 && r.major >= 5);
  }
  EXPECT_STREQ(OsNameFor(55), "OS Not recognized");
  // "System depend" hands the OS code on as a style: no code after XP may be taken for one.
  for (const Row& r : rows)
    if (r.code > kOsWinXP) {
      for (int style : {20, 30, 80, 90, 100, 101, 102}) EXPECT_NE(r.code, style);
    }
}

// The program and its hook library carry the version the build was given, as Explorer and the
// installer read it.
TEST(VersionResource, TheProgramAndTheHookLibraryNameTheirVersionAndMaker) {
  for (const char* file : {"corvel.exe", "Hooks.dll"}) {
    SCOPED_TRACE(file);
    const std::string path = ProgramFolder() + file;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    ASSERT_GT(size, 0u) << "no version resource";
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(CORVEL_VERSION_MAJOR << 16 | CORVEL_VERSION_MINOR));
    EXPECT_EQ(fixed->dwProductVersionLS, static_cast<DWORD>(CORVEL_VERSION_PATCH << 16));
    auto text = [&](const char* name) {
      char* value = nullptr;
      UINT n = 0;
      const std::string key = std::string("\\StringFileInfo\\040904B0\\") + name;
      return VerQueryValueA(data.data(), key.c_str(), reinterpret_cast<void**>(&value), &n) && value
                 ? std::string(value) : std::string();
    };
    EXPECT_EQ(text("FileVersion"), CORVEL_VERSION_FULL);
    EXPECT_EQ(text("ProductVersion"), CORVEL_VERSION_FULL);
    EXPECT_EQ(text("ProductName"), "Corvel");
    EXPECT_EQ(text("CompanyName"), kMakerName);
    EXPECT_EQ(text("OriginalFilename"), file);
    EXPECT_FALSE(text("FileDescription").empty());
  }
  // What the program shows of it stays as it was: "Corvel 2.4" in the tray tip, "Version 2.4 beta".
  EXPECT_EQ(std::string(kProgramHint), std::string("Corvel ") + kVersionNumber);
}

TEST(OsInfo, MemoryIsWholeKibibytesRoundedDown) {
  EXPECT_EQ(MemoryKbFor(268435456u), 262144u);
  EXPECT_EQ(MemoryKbFor(268436479u), 262144u);
  EXPECT_EQ(MemoryKbFor(1023u), 0u);
  EXPECT_EQ(MemoryKbFor(0xFFFFFFFFu), 0x3FFFFFu);
  // Beyond 4 GiB, on both widths; beyond 4 TiB the count stops at the largest DWORD.
  EXPECT_EQ(MemoryKbFor(24ull << 30), 24u << 20);
  EXPECT_EQ(MemoryKbFor((4ull << 40) - 1024), 0xFFFFFFFFu);
  EXPECT_EQ(MemoryKbFor(4ull << 40), 0xFFFFFFFFu);
  EXPECT_EQ(MemoryKbFor(~0ull), 0xFFFFFFFFu);
}

// The queries of the running system agree with the system's own answers, under whichever
// version Wine reports for this program.
TEST(OsInfo, RealQueriesFollowTheSystem) {
  OSVERSIONINFOA v{};
  v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  ASSERT_TRUE(GetVersionExA(&v));
#pragma GCC diagnostic pop
  // The code follows the real version, which GetVersionExA may not tell (a program without a
  // manifest hears 6.2 from Windows 10); on the systems before Vista both agree.
  const OsVersion real = QueryOsVersion();
  EXPECT_EQ(GetOsCode(), OsCodeFor(real.platformId, real.major, real.minor, real.build));
  if (v.dwMajorVersion < 6) {
    EXPECT_EQ(GetOsCode(), OsCodeFor(v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion));
  }
  EXPECT_EQ(GetOsName(), OsNameFor(GetOsCode()));
  EXPECT_EQ(GetOsMajorVersion(), v.dwMajorVersion);
  // The whole memory, also where the plain query caps what a 32-bit process is told.
  MEMORYSTATUSEX m{};
  m.dwLength = sizeof m;
  ASSERT_TRUE(GlobalMemoryStatusEx(&m));
  EXPECT_EQ(GetTotalMemoryKb(), static_cast<DWORD>(m.ullTotalPhys >> 10));
  MEMORYSTATUS capped{};
  capped.dwLength = sizeof capped;
  GlobalMemoryStatus(&capped);
  EXPECT_GE(GetTotalMemoryKb(), static_cast<DWORD>(capped.dwTotalPhys >> 10));
  EXPECT_GT(GetTotalMemoryKb(), 0u);
  // CORVEL_EXPECT_OS names the code the test run asked Wine for.
  char expected[16] = {};
  if (GetEnvironmentVariableA("CORVEL_EXPECT_OS", expected, sizeof expected)) {
    EXPECT_EQ(GetOsCode(), atoi(expected));
  }
}

LOGFONTA FontOf(const Control& c) {
  LOGFONTA lf{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(c.hwnd(), WM_GETFONT, 0, 0)), sizeof lf, &lf);
  return lf;
}

COLORREF LinkColour(const TAForm& about) {
  MemoryDc dc = CreateScreenCompatibleDc();
  SendMessageA(about.hwnd(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc.get()),
               reinterpret_cast<LPARAM>(about.Label5.hwnd()));
  return GetTextColor(dc.get());
}

TEST(AboutBox, PlacesFontsPictureFrameAndLink) {
  test::ScopedEffects effects;
  test::TestWindow owner("About owner");
  TLocal local;
  TAForm about(local);
  ASSERT_TRUE(about.CreateForm(owner.hwnd()));
  RECT client;
  GetClientRect(about.hwnd(), &client);
  EXPECT_EQ(client.right, 411);
  EXPECT_EQ(client.bottom, 237);
  struct Expect { const Label* label; LONG x, y; const char* text; };
  const Expect labels[] = {{&about.Label1, 148, 8, "Dravik"}, {&about.Label2, 148, 32, "Corvel"},
                           {&about.Label3, 152, 72, "Version 2.4 beta"}, {&about.Label5, 152, 104, kHomePage},
                           {&about.Label6, 152, 176, "Operation system:"}, {&about.Label7, 152, 188, "Memory available:"}};
  for (const Expect& e : labels) {
    SCOPED_TRACE(e.text);
    EXPECT_EQ(e.label->Bounds().left, e.x);
    EXPECT_EQ(e.label->Bounds().top, e.y);
    EXPECT_EQ(e.label->Text(), e.text);
  }
  const RECT ok = about.Button1.Bounds();
  EXPECT_EQ(ok.left, 308);
  EXPECT_EQ(ok.top, 208);
  EXPECT_EQ(ok.right - ok.left, 99);
  EXPECT_EQ(ok.bottom - ok.top, 25);
  EXPECT_STREQ(FontOf(about.Label1).lfFaceName, "Arial");
  EXPECT_EQ(FontOf(about.Label1).lfHeight, -24);
  EXPECT_EQ(FontOf(about.Label2).lfHeight, -32);
  EXPECT_EQ(FontOf(about.Label2).lfWeight, FW_BOLD);
  EXPECT_EQ(FontOf(about.Label5).lfHeight, -11);
  EXPECT_EQ(about.Image1.Width(), 277);
  EXPECT_EQ(about.Image1.Height(), 382);

  // The picture inside its gray frame, and the rule.
  BitmapHandle canvas = CreateScreenBitmap(411, 237);
  MemoryDc dc = CreateScreenCompatibleDc();
  SelectGuard select(dc.get(), canvas.get());
  RECT all{0, 0, 411, 237};
  FillRect(dc.get(), &all, GetSysColorBrush(COLOR_BTNFACE));
  about.FormPaint(dc.get());
  for (POINT p : {POINT{7, 7}, POINT{141, 7}, POINT{141, 229}, POINT{7, 229}, POINT{70, 7}, POINT{7, 100}})
    EXPECT_EQ(GetPixel(dc.get(), p.x, p.y), RGB(128, 128, 128)) << p.x << "," << p.y;
  EXPECT_EQ(GetPixel(dc.get(), 6, 6), GetSysColor(COLOR_BTNFACE));
  EXPECT_NE(GetPixel(dc.get(), 20, 20), GetSysColor(COLOR_BTNFACE)) << "no picture";
  EXPECT_EQ(GetPixel(dc.get(), 200, 170), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(GetPixel(dc.get(), 200, 171), GetSysColor(COLOR_BTNHIGHLIGHT));

  // Navy, then blue and underlined with a hand under the pointer, navy again over the form.
  EXPECT_EQ(LinkColour(about), RGB(0, 0, 128));
  EXPECT_FALSE(FontOf(about.Label5).lfUnderline);
  SendMessageA(about.hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(about.Label5.hwnd()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(LinkColour(about), RGB(0, 0, 255));
  EXPECT_TRUE(FontOf(about.Label5).lfUnderline);
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_HAND));
  SendMessageA(about.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(300, 150));
  EXPECT_EQ(LinkColour(about), RGB(0, 0, 128));
  EXPECT_FALSE(FontOf(about.Label5).lfUnderline);
  // A click opens the home page, hidden, for the owner.
  SendMessageA(about.hwnd(), WM_COMMAND, MAKEWPARAM(kLabel5Id, STN_CLICKED), reinterpret_cast<LPARAM>(about.Label5.hwnd()));
  ASSERT_EQ(effects.recorder.shells.size(), 1u);
  const auto& shell = effects.recorder.shells[0];
  EXPECT_EQ(shell.owner, owner.hwnd());
  EXPECT_EQ(shell.verb, "open");
  EXPECT_EQ(shell.file, kHomePage);
  EXPECT_FALSE(shell.params);
  EXPECT_FALSE(shell.dir);
  EXPECT_EQ(shell.show, SW_HIDE);
}

// A window of the viewer's class in this thread, which records the requests it is sent.
struct FakeViewer {
  static std::vector<std::pair<WORD, std::string>> requests;  // command, file
  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg != WM_COPYDATA) return DefWindowProcA(h, msg, wp, lp);
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    const auto* bytes = static_cast<const char*>(data->lpData);
    WORD command, fileOffset;
    memcpy(&command, bytes + 2, 2);
    memcpy(&fileOffset, bytes + 12, 2);
    if (data->dwData == kHelpRequestTag) requests.emplace_back(command, bytes + fileOffset);
    return TRUE;
  }
  FakeViewer() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = kHelpViewerClass;
    RegisterClassA(&wc);
    hwnd = CreateWindowA(kHelpViewerClass, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    requests.clear();
  }
  ~FakeViewer() {
    DestroyWindow(hwnd);
    UnregisterClassA(kHelpViewerClass, nullptr);
  }
  HWND hwnd;
};
std::vector<std::pair<WORD, std::string>> FakeViewer::requests;

HWND g_box;
void CALLBACK AnswerTheBox(HWND, UINT, UINT_PTR id, DWORD) {
  g_box = FindWindowA("#32770", "Corvel");
  if (!g_box) return;
  KillTimer(nullptr, id);
  PostMessageA(g_box, WM_COMMAND, IDOK, 0);
}

TEST(Help, ARunningViewerIsAskedAMissingFileIsNeverHandedToIt) {
  FakeViewer viewer;
  const std::string file = ProgramFolder() + "Help\\corvlhelp.hlp";
  ASSERT_TRUE(test::FileExists(file)) << "the build writes the help file next to the program";
  EXPECT_TRUE(OpenHelpContents(nullptr, file));
  ASSERT_EQ(FakeViewer::requests.size(), 1u);
  EXPECT_EQ(FakeViewer::requests[0].first, HELP_CONTENTS);
  EXPECT_EQ(FakeViewer::requests[0].second, file);
  // The user is told, and the viewer hears nothing.
  g_box = nullptr;
  SetTimer(nullptr, 0, 50, AnswerTheBox);
  EXPECT_FALSE(OpenHelpContents(nullptr, ProgramFolder() + "Help\\missing.hlp"));
  EXPECT_NE(g_box, nullptr) << "no message";
  EXPECT_EQ(FakeViewer::requests.size(), 1u);
}

// Where WinHelp is gone, the help page written beside the help file goes to the shell.
TEST(Help, ThePageGoesToTheShellAndAMissingOneIsTold) {
  test::ScopedEffects effects;
  const std::string page = ProgramFolder() + "Help\\corvlhelp.html";
  ASSERT_TRUE(test::FileExists(page)) << "the build writes the help page next to the program";
  const std::string text = test::ReadFileText(page);
  EXPECT_NE(text.find("<section id=\"common_page\">"), std::string::npos);
  EXPECT_NE(text.find("<a href=\"#common_page\">Options: Common page</a>"), std::string::npos);
  EXPECT_TRUE(OpenHelpPage(nullptr, page));
  ASSERT_EQ(effects.recorder.shells.size(), 1u);
  EXPECT_EQ(effects.recorder.shells[0].verb, "open");
  EXPECT_EQ(effects.recorder.shells[0].file, page);
  EXPECT_EQ(effects.recorder.shells[0].show, SW_SHOWNORMAL);
  g_box = nullptr;
  SetTimer(nullptr, 0, 50, AnswerTheBox);
  EXPECT_FALSE(OpenHelpPage(nullptr, ProgramFolder() + "Help\\missing.html"));
  EXPECT_NE(g_box, nullptr) << "no message";
  EXPECT_EQ(effects.recorder.shells.size(), 1u);
}

// The text of the viewer's page, found as the child window that holds "Contents".
BOOL CALLBACK PageText(HWND child, LPARAM page) {
  char text[4096] = {};
  SendMessageTimeoutA(child, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  if (!strstr(text, "Contents")) return TRUE;
  *reinterpret_cast<std::string*>(page) = text;
  return FALSE;
}

// The system's viewer, started with the help file, shows its contents.
TEST(Help, TheViewerStartsAtTheContents) {
  ASSERT_EQ(FindWindowA(kHelpViewerClass, nullptr), nullptr) << "a viewer runs already";
  ASSERT_TRUE(OpenHelpContents(nullptr, ProgramFolder() + "Help\\corvlhelp.hlp"));
  HWND viewer = nullptr;
  ASSERT_TRUE(test::PumpUntil([&viewer] { return (viewer = FindWindowA(kHelpViewerClass, nullptr)) != nullptr; }, 15000));
  char title[256] = {};
  test::PumpUntil([&] { return GetWindowTextA(viewer, title, sizeof title) && strstr(title, "Corvel Help"); }, 5000);
  EXPECT_NE(strstr(title, "Corvel Help"), nullptr) << title;
  // The page: the first topic, with its list of topics.
  std::string page;
  test::PumpUntil([&] {
    EnumChildWindows(viewer, PageText, reinterpret_cast<LPARAM>(&page));
    return !page.empty();
  }, 5000);
  EXPECT_EQ(page.rfind("Corvel Help", 0), 0u) << page;
  EXPECT_NE(page.find("Options: Caption Button page"), std::string::npos);
  PostMessageA(viewer, WM_CLOSE, 0, 0);
  EXPECT_TRUE(test::PumpUntil([] { return FindWindowA(kHelpViewerClass, nullptr) == nullptr; }, 5000));
}

}  // namespace
}  // namespace corvel
