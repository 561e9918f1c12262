#include "settings/local.h"
#include "platform/profile.h"

namespace corvel {

namespace {
constexpr const char kSection[] = "Localization library";
}

const std::vector<LanguageKey>& LanguageKeys() {
  static const std::vector<LanguageKey> keys = {
      {"Version", "Version"},
      {"OS", "Operation system:"},
      {"Mem", "Memory available:"},
      {"Common", "Common"},
      {"CapButton", "Caption Button"},
      {"ConPanel", "Control Panel"},
      {"MinOptions", " Minimization options "},
      {"MinToTray", "Minimize to tray"},
      {"MinToMenu", "Minimize to tray\"s menu"},
      {"HotKey", " Hot key for caption button event "},
      {"VisEffects", " Visual effects "},
      {"SlowApp", "Slow apiarence while windows is restore"},
      {"SlowDis", "Slow disappiarence while minimization"},
      {"BorColor", "Tray icon border color"},
      {"Localization", " Localization "},
      {"Load", "Load language library"},
      {"CurLib", "Current language"},
      {"LibName", "English"},
      {"SetCapBut", " Set Caption button "},
      {"MainWin", "Only for the main windows of applications"},
      {"AllDeskTop", "For all windows on the desktop"},
      {"ListWin", "Only for the windows in the list"},
      {"AddList", "Add to list"},
      {"DelList", "Remove"},
      {"CapVis", " Caption button visualization "},
      {"Normal", "Normal (Windows 2k) caption button style"},
      {"WinXP", "Windows XP caption button style"},
      {"SysDep", "System depend"},
      {"ButHotKey", "Do not draw button but Hot Key"},
      {"UsersBMP", "Draw user\"s BitMap on the button"},
      {"Pressed", "Load BMP for Pressed Button"},
      {"Unpressed", "Load BMP for Unpressed Button"},
      {"SelItem", " Select item from control panel to set it on tray "},
      {"AllItems", std::string(21, ' ') + "Control panel items"},
      {"SetDef", "Set Default"},
      {"AboutStr", "About..."},
      {"OptionsStr", "Options"},
      {"ExitStr", "Exit"},
      {"BtnOk", "Ok"},
      {"BtnCancel", "Cancel"},
      {"BtnHelp", "Help"},
      {"CaptionOptions", "Options"},
  };
  return keys;
}

void TLocal::ApplyLanguageLibrary(const std::string& path) {
  const ProfileFile file(path);
  for (const LanguageKey& k : LanguageKeys()) {
    const std::string text = file.ReadString(kSection, k.key, k.defaultText);
    if (k.key == std::string("OS")) OsText = text;
    else if (k.key == std::string("Mem")) MemText = text;
    if (sink_) sink_(k.key, text);
  }
}

}  // namespace corvel
