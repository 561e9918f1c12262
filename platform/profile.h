// Reading and writing INI files through the Windows profile functions.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace corvel {

// A write the system refused; the text is "Unable to write to <file>".
class ProfileWriteError : public std::runtime_error {
 public:
  explicit ProfileWriteError(const std::string& file);
};

// Integer text as the settings file holds it: signed decimal, or hexadecimal after "$" or,
// in a value longer than two characters, after "0x"/"0X". False for anything else, including
// values beyond 32 bits.
bool ParseInteger(const std::string& text, int32_t& value);

// One INI file: the bare name "Corvl.ini" (kept by the system in the Windows directory) or a
// full path (the settings where the Windows directory cannot be written, a language library).
// Every call opens and releases the file.
class ProfileFile {
 public:
  explicit ProfileFile(std::string name) : name_(std::move(name)) {}
  const std::string& Name() const { return name_; }

  // At most 2047 characters; `def` when the key is missing.
  std::string ReadString(const char* section, const std::string& key, const std::string& def) const;
  int32_t ReadInteger(const char* section, const std::string& key, int32_t def) const;
  bool HasKey(const char* section, const std::string& key) const;
  bool ReadBool(const char* section, const std::string& key, bool def) const;
  // The names of the section's keys, in file order.
  std::vector<std::string> KeyNames(const char* section) const;
  // The numbers n from `first` to `last` for which a key prefix + n + suffix exists (n in
  // decimal without leading zeros, the key matched as the profile functions match it),
  // ascending. Lets a numbered list be read without walking a count that may be huge.
  std::vector<int32_t> NumberedKeys(const char* section, const std::string& prefix, const std::string& suffix,
                                    int32_t first, int32_t last) const;

  // Throw ProfileWriteError when the system refuses.
  void WriteString(const char* section, const std::string& key, const std::string& value) const;
  void WriteInteger(const char* section, const std::string& key, int32_t value) const;
  void WriteBool(const char* section, const std::string& key, bool value) const;

 private:
  std::string name_;
};

}  // namespace corvel
