// The windows the program holds hidden, kept in a small file of its own beside "Corvl.ini", so
// that a run that ended abnormally can be mended by the next start.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace corvel {

struct JournalEntry {
  HWND Handle = nullptr;
  DWORD ProcessId = 0;
  std::string Title;  // UTF-8 (the code page in files of earlier versions)
};

// One line per entry: handle (8 or 16 digits, the width of the build that wrote it) and process
// id in hexadecimal, then the title.
std::string FormatJournal(const std::vector<JournalEntry>& entries);
// Lines that do not read back whole are skipped.
std::vector<JournalEntry> ParseJournal(const std::string& text);

class HiddenJournal {
 public:
  // Empty: the file beside the settings.
  explicit HiddenJournal(std::string path = std::string());
  const std::string& Path() const { return path_; }

  // What the file holds now (nothing for a missing or unreadable file).
  std::vector<JournalEntry> Read() const;
  // Starts an empty journal; writes nothing when the file holds an empty one already.
  void Clear();
  void Add(HWND window);
  void Remove(HWND window);
  const std::vector<JournalEntry>& Entries() const { return entries_; }

 private:
  void Write();
  std::string path_;
  std::vector<JournalEntry> entries_;
  bool onDisk_ = false;  // the file holds `entries_`: the last write went through
};

}  // namespace corvel
