// The language library: texts of the dialogs, the tray menu and the about box.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace corvel {

struct LanguageKey {
  const char* key;
  std::string defaultText;
};

// Every key of a language library with its English default, in the order they are applied.
const std::vector<LanguageKey>& LanguageKeys();

class TLocal {
 public:
  std::string OsText = "Operation system:";
  std::string MemText = "Memory available:";

  // Receives each text as it is applied; the forms that exist set their elements from it.
  using TextSink = std::function<void(const std::string& key, const std::string& text)>;
  void SetTextSink(TextSink sink) { sink_ = std::move(sink); }

  // Applies every key of the file at `path`, its default where the file lacks it.
  void ApplyLanguageLibrary(const std::string& path);

 private:
  TextSink sink_;
};

}  // namespace corvel
