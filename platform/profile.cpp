#include "platform/profile.h"
#include <windows.h>
#include <algorithm>
#include <cctype>
#include <cstring>
#include "platform/messages.h"

namespace corvel {

ProfileWriteError::ProfileWriteError(const std::string& file) : std::runtime_error("Unable to write to " + file) {}

namespace {

int DigitValue(char c, int base) {
  int v = -1;
  if (c >= '0' && c <= '9') v = c - '0';
  else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
  return v < base ? v : -1;
}

}  // namespace

bool ParseInteger(const std::string& text, int32_t& value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (text.size() - i > 2 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int d = DigitValue(text[i], base);
    if (d < 0) return false;
    magnitude = magnitude * base + d;
    if (magnitude > 0xFFFFFFFFull) return false;
  }
  if (base == 10) {
    // Decimal keeps to the signed range.
    if (negative ? magnitude > 0x80000000ull : magnitude > 0x7FFFFFFFull) return false;
  }
  // Hexadecimal may spell the whole 32 bits (e.g. "$FFFFFFFF" is -1).
  const uint32_t bits = static_cast<uint32_t>(magnitude);
  value = static_cast<int32_t>(negative ? 0u - bits : bits);
  return true;
}

namespace {
// What a missing key reads as: the system strips blanks from the end of a default it is given,
// so a missing key gets the caller's default exactly (the group-box captions begin and end with one).
constexpr char kMissing[] = "\x01missing\x01";
}  // namespace

bool ProfileFile::HasKey(const char* section, const std::string& key) const {
  return ReadString(section, key, kMissing) != kMissing;
}

std::string ProfileFile::ReadString(const char* section, const std::string& key, const std::string& def) const {
  char buffer[kProfileTextChars + 1];
  const DWORD n = GetPrivateProfileStringA(section, key.c_str(), kMissing, buffer, sizeof buffer, name_.c_str());
  std::string text(buffer, n < sizeof buffer ? n : sizeof buffer - 1);
  return text == kMissing ? def : text;
}

int32_t ProfileFile::ReadInteger(const char* section, const std::string& key, int32_t def) const {
  int32_t value = 0;
  return ParseInteger(ReadString(section, key, ""), value) ? value : def;
}

bool ProfileFile::ReadBool(const char* section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

std::vector<std::string> ProfileFile::KeyNames(const char* section) const {
  std::vector<char> buffer(4096);
  for (;;) {
    const DWORD n = GetPrivateProfileStringA(section, nullptr, "", buffer.data(), static_cast<DWORD>(buffer.size()),
                                             name_.c_str());
    // A full buffer comes back as its size less two: try again with more room.
    if (n + 2 < buffer.size()) {
      std::vector<std::string> names;
      for (const char* p = buffer.data(); *p; p += std::strlen(p) + 1) names.emplace_back(p);
      return names;
    }
    buffer.resize(buffer.size() * 4);
  }
}

namespace {

bool SameText(const std::string& a, size_t at, const std::string& b) {
  if (a.size() < at + b.size()) return false;
  for (size_t i = 0; i < b.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[at + i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

std::vector<int32_t> ProfileFile::NumberedKeys(const char* section, const std::string& prefix,
                                               const std::string& suffix, int32_t first, int32_t last) const {
  std::vector<int32_t> numbers;
  for (const std::string& key : KeyNames(section)) {
    if (key.size() <= prefix.size() + suffix.size() || !SameText(key, 0, prefix) ||
        !SameText(key, key.size() - suffix.size(), suffix))
      continue;
    const std::string digits = key.substr(prefix.size(), key.size() - prefix.size() - suffix.size());
    if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0') ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    const long long n = std::stoll(digits);
    if (n >= first && n <= last) numbers.push_back(static_cast<int32_t>(n));
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  return numbers;
}

void ProfileFile::WriteString(const char* section, const std::string& key, const std::string& value) const {
  if (!WritePrivateProfileStringA(section, key.c_str(), value.c_str(), name_.c_str())) throw ProfileWriteError(name_);
}

void ProfileFile::WriteInteger(const char* section, const std::string& key, int32_t value) const {
  WriteString(section, key, std::to_string(value));
}

void ProfileFile::WriteBool(const char* section, const std::string& key, bool value) const {
  WriteString(section, key, value ? "1" : "0");
}

}  // namespace corvel
