#include "settings/options.h"
#include "platform/messages.h"
#include "platform/profile.h"
#include "settings/local.h"
#include "settings/settings_location.h"

namespace corvel {

namespace {

constexpr const char kMinOptions[] = "MinOptions";
constexpr const char kVisualization[] = "Visualization";
constexpr const char kOptions[] = "Options";
constexpr const char kApplications[] = "Applications";
constexpr const char kCountKey[] = "Count";
constexpr const char kAppNumPrefix[] = "AppNum_";
constexpr COLORREF kNavy = 0x800000;
constexpr COLORREF kBlue = 0xFF0000;

OptionKey BoolKey(const char* s, const char* k, bool TOptions::*f, bool def) {
  return {s, k, OptionKey::Bool, f, nullptr, nullptr, nullptr, nullptr, def, def, true};
}
OptionKey ColourKey(const char* s, const char* k, COLORREF TOptions::*f, COLORREF loadDef, COLORREF setDef) {
  return {s, k, OptionKey::Colour, nullptr, f, nullptr, nullptr, nullptr, static_cast<int32_t>(loadDef),
          static_cast<int32_t>(setDef), true};
}
OptionKey IntKey(const char* s, const char* k, int32_t TOptions::*f, int32_t loadDef, int32_t setDef) {
  return {s, k, OptionKey::Int32, nullptr, nullptr, f, nullptr, nullptr, loadDef, setDef, true};
}
OptionKey ByteKey(const char* s, const char* k, uint8_t TOptions::*f, uint8_t def) {
  return {s, k, OptionKey::Byte, nullptr, nullptr, nullptr, f, nullptr, def, def, true};
}
OptionKey TextKey(const char* s, const char* k, std::string TOptions::*f) {
  return {s, k, OptionKey::Text, nullptr, nullptr, nullptr, nullptr, f, 0, 0, false};
}
OptionKey ListKey(const char* s) {
  return {s, kCountKey, OptionKey::TextList, nullptr, nullptr, nullptr, nullptr, nullptr, 0, 0, false};
}

void LoadList(const ProfileFile& file, std::vector<std::string>& list) {
  const uint16_t count = static_cast<uint16_t>(file.ReadInteger(kApplications, kCountKey, 0));
  for (uint16_t i = 0; i < count; ++i) list.push_back(file.ReadString(kApplications, kAppNumPrefix + std::to_string(i), ""));
}

void SaveList(const ProfileFile& file, const std::vector<std::string>& list) {
  file.WriteInteger(kApplications, kCountKey, static_cast<int32_t>(list.size()));
  for (size_t i = 0; i < list.size(); ++i) file.WriteString(kApplications, kAppNumPrefix + std::to_string(i), list[i]);
}

}  // namespace

const std::vector<OptionKey>& OptionKeys() {
  static const std::vector<OptionKey> keys = {
      BoolKey(kMinOptions, "MinToTray", &TOptions::MinToTray, true),
      BoolKey(kMinOptions, "MinToMenu", &TOptions::MinToMenu, true),
      BoolKey(kMinOptions, "MinToWindow", &TOptions::MinToWindow, true),
      ColourKey(kVisualization, "IconBrColor", &TOptions::IconBrColor, kNavy, kBlue),
      BoolKey(kOptions, "SlowA", &TOptions::SlowA, false),
      BoolKey(kOptions, "SlowD", &TOptions::SlowD, false),
      IntKey(kOptions, "HotKey", &TOptions::HotKey, 0, 1),
      ByteKey(kOptions, "WinFilter", &TOptions::WinFilter, 0),
      ListKey(kApplications),
      ByteKey(kVisualization, "SymbolType", &TOptions::SymbolType, 2),
      BoolKey(kOptions, "ToSysMenu", &TOptions::ToSysMenu, true),
      BoolKey(kOptions, "ToTray", &TOptions::ToTray, true),
      TextKey(kOptions, "LocalLibrary", &TOptions::LocalLibrary),
  };
  return keys;
}

void TOptions::SetDefaults() {
  for (const OptionKey& k : OptionKeys()) {
    if (!k.hasSetDefault) continue;
    switch (k.kind) {
      case OptionKey::Bool: this->*k.boolField = k.setDefault != 0; break;
      case OptionKey::Colour: this->*k.colourField = static_cast<COLORREF>(k.setDefault); break;
      case OptionKey::Int32: this->*k.intField = k.setDefault; break;
      case OptionKey::Byte: this->*k.byteField = static_cast<uint8_t>(k.setDefault); break;
      default: break;
    }
  }
}

void TOptions::Load() {
  const ProfileFile file(SettingsFile());
  for (const OptionKey& k : OptionKeys()) {
    switch (k.kind) {
      case OptionKey::Bool: this->*k.boolField = file.ReadBool(k.section, k.key, k.loadDefault != 0); break;
      case OptionKey::Colour:
        this->*k.colourField = static_cast<COLORREF>(file.ReadInteger(k.section, k.key, k.loadDefault));
        break;
      case OptionKey::Int32: this->*k.intField = file.ReadInteger(k.section, k.key, k.loadDefault); break;
      case OptionKey::Byte:
        this->*k.byteField = static_cast<uint8_t>(file.ReadInteger(k.section, k.key, k.loadDefault));
        break;
      case OptionKey::Text: this->*k.textField = file.ReadString(k.section, k.key, ""); break;
      case OptionKey::TextList: LoadList(file, Applications); break;
    }
  }
  const int32_t mode = file.ReadInteger(kVisualization, "CaptionButton", kCaptionButtonAutomatic);
  CaptionButton = mode == kCaptionButtonDrawn || mode == kCaptionButtonWindows ? static_cast<uint8_t>(mode)
                                                                                : kCaptionButtonAutomatic;
  if (!LocalLibrary.empty() && local_) local_->ApplyLanguageLibrary(LocalLibrary);
}

void TOptions::Save() const {
  const ProfileFile file(SettingsFile());
  for (const OptionKey& k : OptionKeys()) {
    switch (k.kind) {
      case OptionKey::Bool: file.WriteBool(k.section, k.key, this->*k.boolField); break;
      case OptionKey::Colour: file.WriteInteger(k.section, k.key, static_cast<int32_t>(this->*k.colourField)); break;
      case OptionKey::Int32: file.WriteInteger(k.section, k.key, this->*k.intField); break;
      case OptionKey::Byte: file.WriteInteger(k.section, k.key, this->*k.byteField); break;
      case OptionKey::Text: file.WriteString(k.section, k.key, this->*k.textField); break;
      case OptionKey::TextList: SaveList(file, Applications); break;
    }
  }
}

}  // namespace corvel
