#include <gtest/gtest.h>
#include "core/hidden_journal.h"
#include "tests/unit/test_support.h"

namespace corvel {
namespace {

TEST(HiddenJournal, ReadsBackWhatItWroteAndSkipsWhatIsBroken) {
  const std::vector<JournalEntry> entries = {{reinterpret_cast<HWND>(0x1234), 0x20, "Editor - notes.txt"},
                                             {reinterpret_cast<HWND>(0xABCDEF), 0x7, ""}};
  const std::string text = FormatJournal(entries);
  auto back = ParseJournal(text);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].Handle, entries[0].Handle);
  EXPECT_EQ(back[0].ProcessId, 0x20u);
  EXPECT_EQ(back[0].Title, "Editor - notes.txt");
  EXPECT_EQ(back[1].Handle, entries[1].Handle);

  // Cut in the middle of the second line: the first one still reads.
  EXPECT_EQ(ParseJournal(text.substr(0, text.size() - 3)).size(), 1u);
  EXPECT_TRUE(ParseJournal("").empty());
  EXPECT_TRUE(ParseJournal(std::string(5000, '\xff') + "\n").empty());
  EXPECT_TRUE(ParseJournal("zzzzzzzz 00000001 x\n00000000 00000001 zero handle\n").empty());
  EXPECT_EQ(ParseJournal("garbage\n00001234 00000020 ok\n\n").size(), 1u);
}

TEST(HiddenJournal, FollowsHideAndRestoreInItsFile) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string path = std::string(dir) + "corvel-journal-test";
  DeleteFileA(path.c_str());
  HiddenJournal j(path);
  EXPECT_TRUE(j.Read().empty());
  test::TestWindow a("first"), b("second");
  j.Add(a.hwnd());
  j.Add(b.hwnd());
  j.Add(a.hwnd());  // once per window
  auto read = j.Read();
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].Title, "first");
  EXPECT_EQ(read[0].ProcessId, GetCurrentProcessId());
  j.Remove(a.hwnd());
  read = j.Read();
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].Handle, b.hwnd());
  j.Clear();
  EXPECT_TRUE(j.Read().empty());
  DeleteFileA(path.c_str());
}

// The journal is replaced whole: while its replacement cannot be made, the last complete journal
// stays, and no half-written file is ever left in its place.
TEST(HiddenJournal, KeepsTheLastWholeJournalWhenTheNewOneCannotBeWritten) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string path = std::string(dir) + "corvel-journal-replace-test";
  const std::string next = path + ".new";
  DeleteFileA(path.c_str());
  DeleteFileA(next.c_str());
  HiddenJournal j(path);
  test::TestWindow a("first"), b("second");
  j.Add(a.hwnd());
  EXPECT_FALSE(test::FileExists(next));
  HANDLE held = CreateFileA(next.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  j.Add(b.hwnd());
  auto read = j.Read();
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].Handle, a.hwnd());
  CloseHandle(held);
  j.Remove(a.hwnd());
  read = j.Read();
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].Handle, b.hwnd());
  EXPECT_FALSE(test::FileExists(next));
  DeleteFileA(path.c_str());
  DeleteFileA(next.c_str());
}

}  // namespace
}  // namespace corvel
