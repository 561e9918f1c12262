// The settings object and its keys in "Corvl.ini".
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

namespace corvel {

class TLocal;

// Values of WinFilter: which windows get the caption button.
constexpr uint8_t kFilterMainWindows = 0;
constexpr uint8_t kFilterAllWindows = 1;
constexpr uint8_t kFilterListedPrograms = 2;

// Values of SymbolType: the caption button's kind.
constexpr uint8_t kSymbolClassic = 0;
constexpr uint8_t kSymbolXP = 1;
constexpr uint8_t kSymbolSystem = 2;
constexpr uint8_t kSymbolUserBitmaps = 3;
constexpr uint8_t kSymbolHotKeyOnly = 4;
constexpr uint8_t kSymbolRightClickMinimize = 5;

// Values of CaptionButton ([Visualization], read only: set by hand): how the button is shown.
// Any other value is automatic.
constexpr uint8_t kCaptionButtonAutomatic = 0;  // own windows from Vista on, drawn before
constexpr uint8_t kCaptionButtonDrawn = 1;      // drawn into title bars by the hook library
constexpr uint8_t kCaptionButtonWindows = 2;    // small windows of Corvel's own

class TOptions {
 public:
  bool MinToTray = true;
  bool MinToMenu = true;
  bool MinToWindow = true;
  bool SlowA = false;
  bool SlowD = false;
  COLORREF IconBrColor = 0xFF0000;
  int32_t HotKey = 1;
  uint8_t WinFilter = 0;
  std::vector<std::string> Applications;
  uint8_t SymbolType = 2;
  bool ToSysMenu = true;
  bool ToTray = true;
  std::string LocalLibrary;
  uint8_t CaptionButton = kCaptionButtonAutomatic;

  // `local` receives the language library that Load finds named; may be null.
  explicit TOptions(TLocal* local = nullptr) : local_(local) {}

  // Every field but Applications and LocalLibrary back to its default.
  void SetDefaults();
  // Reads every field (missing keys: the file defaults) and applies the language library.
  void Load();
  // Writes every field; throws ProfileWriteError at the first refused key.
  void Save() const;

 private:
  TLocal* local_;
};

// One row of the settings table: where a field lives, how it is stored and its two defaults.
struct OptionKey {
  enum Kind { Bool, Colour, Int32, Byte, Text, TextList };
  const char* section;
  const char* key;
  Kind kind;
  // Field of TOptions, by kind.
  bool TOptions::*boolField;
  COLORREF TOptions::*colourField;
  int32_t TOptions::*intField;
  uint8_t TOptions::*byteField;
  std::string TOptions::*textField;
  // Default when the key is missing from the file, and the value of SetDefaults.
  int32_t loadDefault;
  int32_t setDefault;
  bool hasSetDefault;
};

// The table, in the order Load reads and Save writes.
const std::vector<OptionKey>& OptionKeys();

}  // namespace corvel
