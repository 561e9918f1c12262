#include "core/hidden_journal.h"
#include <cstdio>
#include <cstdlib>
#include "platform/handle_codec.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "settings/settings_location.h"

namespace corvel {

namespace {

constexpr size_t kMaxJournalBytes = 1u << 20;
constexpr int kTitleChars = 255;
constexpr const char kNextSuffix[] = ".new";

bool ParseHex(const std::string& s, unsigned long& out) {
  if (s.empty() || s.size() > 8) return false;
  char* end = nullptr;
  out = std::strtoul(s.c_str(), &end, 16);
  return end && *end == '\0';
}

// The title in UTF-8, on one line.
std::string JournalTitle(HWND window) {
  std::string s = ToUtf8(WindowTitle(window, kTitleChars));
  for (char& c : s)
    if (c == '\n' || c == '\r') c = ' ';
  return s;
}

}  // namespace

std::string FormatJournal(const std::vector<JournalEntry>& entries) {
  std::string text;
  char pid[16];
  for (const JournalEntry& e : entries) {
    std::snprintf(pid, sizeof pid, " %08lX ", static_cast<unsigned long>(e.ProcessId));
    text += FormatHandle(e.Handle);
    text += pid;
    text += e.Title;
    text += '\n';
  }
  return text;
}

std::vector<JournalEntry> ParseJournal(const std::string& text) {
  std::vector<JournalEntry> entries;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    // A last line without its end was cut short: it may be incomplete.
    if (end == std::string::npos) break;
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    // The handle has 8 or 16 digits, as the build that wrote the line had.
    const size_t gap = line.find(' ');
    unsigned long pid = 0;
    HWND handle = nullptr;
    if (gap == std::string::npos || line.size() < gap + 10 || line[gap + 9] != ' ') continue;
    if (!ParseHandle(line.substr(0, gap), handle) || !ParseHex(line.substr(gap + 1, 8), pid) || !handle) continue;
    entries.push_back({handle, static_cast<DWORD>(pid), line.substr(gap + 10)});
  }
  return entries;
}

HiddenJournal::HiddenJournal(std::string path) : path_(path.empty() ? JournalPath() : std::move(path)) {}

std::vector<JournalEntry> HiddenJournal::Read() const {
  FILE* f = std::fopen(path_.c_str(), "rb");
  if (!f) return {};
  std::string text;
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && text.size() < kMaxJournalBytes) text.append(chunk, n);
  std::fclose(f);
  return ParseJournal(text);
}

void HiddenJournal::Clear() {
  // At a session end with nothing held, one file write less.
  if (entries_.empty() && onDisk_) return;
  entries_.clear();
  Write();
}

void HiddenJournal::Add(HWND window) {
  for (const JournalEntry& e : entries_)
    if (e.Handle == window) return;
  JournalEntry e;
  e.Handle = window;
  GetWindowThreadProcessId(window, &e.ProcessId);
  e.Title = JournalTitle(window);
  entries_.push_back(e);
  Write();
}

void HiddenJournal::Remove(HWND window) {
  const size_t before = entries_.size();
  for (size_t i = entries_.size(); i-- > 0;)
    if (entries_[i].Handle == window) entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
  if (entries_.size() != before) Write();
}

// The new text goes to a file of its own that then replaces the journal in one step: a run
// killed in the middle of a write leaves the old journal or the new one, never a cut one.
void HiddenJournal::Write() {
  const std::string text = FormatJournal(entries_);
  const std::string next = path_ + kNextSuffix;
  onDisk_ = false;
  HANDLE f = CreateFileA(next.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  const BOOL ok = WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(f);
  onDisk_ = ok && written == text.size() && MoveFileExA(next.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
  if (!onDisk_) DeleteFileA(next.c_str());
}

}  // namespace corvel
