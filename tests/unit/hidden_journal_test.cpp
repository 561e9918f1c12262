#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>
#include <cstdint>
#include "platform/handles.h"
#include "core/hidden_journal.h"
#include "platform/handle_codec.h"
#include "tests/unit/main_form_fixture.h"

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

// A damaged journal (a crash, another program) gives only whole entries, which write back as
// they read; nothing crashes.
TEST(HiddenJournal, DamagedJournalsGiveOnlyWholeEntries) {
  std::vector<JournalEntry> entries;
  for (int i = 1; i <= 6; ++i) entries.push_back({reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x10000 * i + 0x1A)), 0x100u + i, "Window " + std::to_string(i)});
  const std::string good = FormatJournal(entries);
  size_t kept = 0;
  for (const std::string& f : test::MutatedFiles(good, test::FuzzRounds(300), test::FuzzSeed(77))) {
    const std::vector<JournalEntry> back = ParseJournal(f);
    for (const JournalEntry& e : back) {
      EXPECT_NE(e.Handle, nullptr);
      EXPECT_EQ(e.Title.find('\n'), std::string::npos);
    }
    const std::vector<JournalEntry> again = ParseJournal(FormatJournal(back));
    ASSERT_EQ(again.size(), back.size());
    for (size_t i = 0; i < back.size(); ++i) EXPECT_EQ(again[i].Handle, back[i].Handle);
    kept += back.size();
  }
  EXPECT_GT(kept, 0u);
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
  // A journal emptied while the file could not be written is still written empty by Clear.
  held = CreateFileA(next.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  j.Remove(b.hwnd());
  EXPECT_EQ(j.Read().size(), 1u);
  CloseHandle(held);
  j.Clear();
  EXPECT_TRUE(j.Read().empty());
  DeleteFileA(path.c_str());
  DeleteFileA(next.c_str());
}

// Handles with their high bits set, as the other width's handles or a cut pointer would show:
// none may lose a bit or be sign-extended on its way through a posted message, the journal or
// memory shared between processes.
#if defined(_WIN64)
const std::vector<UINT_PTR> kWideHandles = {0xFFFFFFFF80001234ull, 0x0000000080001234ull, 0x7FFFFFFF00010002ull};
#else
const std::vector<UINT_PTR> kWideHandles = {0x80001234u, 0xFFFFFFFEu, 0x00010002u};
#endif

TEST(HandleCodec, KeepsEveryBitThroughTheJournalAndSharedMemory) {
  std::vector<JournalEntry> entries;
  for (UINT_PTR v : kWideHandles) entries.push_back({reinterpret_cast<HWND>(v), 0x1F, "t"});
  const auto back = ParseJournal(FormatJournal(entries));
  ASSERT_EQ(back.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(back[i].Handle, entries[i].Handle) << FormatHandle(entries[i].Handle);
    SharedHandle shared{0};
    shared.Store(entries[i].Handle);
    EXPECT_EQ(shared.Load(), entries[i].Handle);
  }
  EXPECT_EQ(TrayIconId(reinterpret_cast<HWND>(kWideHandles[0])), static_cast<UINT>(kWideHandles[0] & 0xFFFFFFFFu));
  // Shared memory widens a 32-bit handle with its high bit set as the journal does: signed, so
  // that both widths name one window with the same 64 bits.
  const HWND high = reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80001234u)));
  SharedHandle shared{0};
  shared.Store(high);
  HWND fromJournal = nullptr;
  ASSERT_TRUE(ParseHandle("80001234", fromJournal));
  EXPECT_EQ(shared.bits, 0xFFFFFFFF80001234ull);
  EXPECT_EQ(shared.Load(), fromJournal);
}

// Each owner knows what its calls return on failure: NULL for a process, an event or a mutex,
// INVALID_HANDLE_VALUE for a snapshot; neither counts as a handle, and neither is closed.
TEST(HandleOwners, TheFailureValueOfEachKindIsNoHandle) {
  KernelHandle noProcess(OpenProcess(SYNCHRONIZE, FALSE, 0));
  EXPECT_EQ(noProcess.get(), nullptr);
  EXPECT_FALSE(noProcess);
  FileHandle noSnapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0xFFFFFFF0u));
  EXPECT_EQ(noSnapshot.get(), INVALID_HANDLE_VALUE);
  EXPECT_FALSE(noSnapshot);
  KernelHandle event(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  EXPECT_TRUE(event);
}

// A journal written by the other width reads without loss: 32-bit handles widen as Windows
// widens them, 64-bit ones read in a 32-bit build when they are widened 32-bit handles.
TEST(HandleCodec, ReadsTheJournalOfTheOtherWidth) {
  const auto narrow = ParseJournal("80001234 00000020 from a 32-bit run\n00020064 00000021 small\n");
  ASSERT_EQ(narrow.size(), 2u);
  EXPECT_EQ(reinterpret_cast<UINT_PTR>(narrow[0].Handle), static_cast<UINT_PTR>(static_cast<INT_PTR>(static_cast<INT32>(0x80001234u))));
  EXPECT_EQ(reinterpret_cast<UINT_PTR>(narrow[1].Handle), 0x20064u);
  EXPECT_EQ(narrow[1].ProcessId, 0x21u);
  const auto wide = ParseJournal("0000000000020064 00000020 from a 64-bit run\nFFFFFFFF80001234 00000021 t\n"
                                 "0000000100001234 00000022 beyond 32 bits\n");
  ASSERT_EQ(wide.size(), sizeof(void*) == 8 ? 3u : 2u);
  EXPECT_EQ(reinterpret_cast<UINT_PTR>(wide[0].Handle), 0x20064u);
  EXPECT_EQ(wide[1].Handle, narrow[0].Handle);
  EXPECT_EQ(wide[0].Title, "from a 64-bit run");
}

using HandleMessageTest = test::MainFormTest;

// The hook library's messages carry the window in lParam; the main window reads it back whole.
TEST_F(HandleMessageTest, APostedWindowKeepsEveryBit) {
  Start();
  for (UINT_PTR v : kWideHandles) {
    const HWND window = reinterpret_cast<HWND>(v);
    PostMessageA(form->hwnd(), HM_ADDWINDOW, 0, WindowToParam(window));
    ASSERT_TRUE(test::PumpUntil([&] { return form->FindButtonWindow(window) != 0; })) << FormatHandle(window);
    const int i = form->FindButtonWindow(window);
    EXPECT_EQ(form->ButtonWindows[i - 1].Handle, window);
  }
}

}  // namespace
}  // namespace corvel
