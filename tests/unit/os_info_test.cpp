#include <gtest/gtest.h>
#include "sysinfo/os_info.h"

namespace corvel {
namespace {

struct Row {
  DWORD platform, major, minor;
  int code;
  const char* name;
};

TEST(OsInfo, EveryRowOfTheTableAndWhatLiesBeside) {
  const Row rows[] = {
      {1, 2, 0, 10, "Windows 3.11"}, {1, 3, 95, 20, "Windows 95"},   {1, 4, 0, 30, "Windows 98"},
      {1, 4, 10, 30, "Windows 98"},  {1, 4, 90, 30, "Windows 98"},   {1, 5, 7, 40, "Windows Me"},
      {2, 2, 3, 50, "Windows NT (16 bit)"}, {2, 3, 51, 60, "Windows NT 3"}, {2, 4, 0, 70, "Windows NT 4"},
      {2, 5, 0, 80, "Windows 2000"}, {2, 5, 1, 90, "Windows XP"},
      // Beside the table.
      {2, 5, 2, 0, "OS Not recognized"}, {2, 6, 1, 0, "OS Not recognized"}, {2, 10, 0, 0, "OS Not recognized"},
      {1, 6, 0, 0, "OS Not recognized"}, {1, 1, 0, 0, "OS Not recognized"}, {0, 4, 0, 0, "OS Not recognized"},
      {3, 5, 1, 0, "OS Not recognized"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.platform << " " << r.major << "." << r.minor);
    EXPECT_EQ(OsCodeFor(r.platform, r.major, r.minor), r.code);
    EXPECT_STREQ(OsNameFor(OsCodeFor(r.platform, r.major, r.minor)), r.name);
  }
  EXPECT_STREQ(OsNameFor(55), "OS Not recognized");
}

TEST(OsInfo, MemoryIsWholeKibibytesRoundedDown) {
  EXPECT_EQ(MemoryKbFor(268435456u), 262144u);
  EXPECT_EQ(MemoryKbFor(268436479u), 262144u);
  EXPECT_EQ(MemoryKbFor(1023u), 0u);
  EXPECT_EQ(MemoryKbFor(0xFFFFFFFFu), 0x3FFFFFu);
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
  EXPECT_EQ(GetOsCode(), OsCodeFor(v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion));
  EXPECT_EQ(GetOsName(), OsNameFor(GetOsCode()));
  EXPECT_EQ(GetOsMajorVersion(), v.dwMajorVersion);
  MEMORYSTATUS m{};
  m.dwLength = sizeof m;
  GlobalMemoryStatus(&m);
  EXPECT_EQ(GetTotalMemoryKb(), static_cast<DWORD>(m.dwTotalPhys >> 10));
  EXPECT_GT(GetTotalMemoryKb(), 0u);
  // CORVEL_EXPECT_OS names the code the test run asked Wine for.
  char expected[16] = {};
  if (GetEnvironmentVariableA("CORVEL_EXPECT_OS", expected, sizeof expected)) {
    EXPECT_EQ(GetOsCode(), atoi(expected));
  }
}

}  // namespace
}  // namespace corvel
