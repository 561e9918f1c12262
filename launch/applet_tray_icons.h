// Control Panel applets as tray icons of the main window, and the command that opens an applet.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <functional>
#include <random>
#include <string>
#include <vector>
#include "platform/handles.h"

namespace corvel {

// Keys of section "Control Panel": the count, and n followed by the suffixes.
constexpr const char kAppletCountKey[] = "AppCount";
constexpr const char kAppletFileKey[] = "_AppFile";
constexpr const char kAppletRIconKey[] = "_IsRIcon";
constexpr const char kAppletPageKey[] = "_Page";

// The folder whose CPL files are listed and loaded: SYSTEM32 of the Windows directory when it
// holds any, else SYSTEM.
std::string AppletFolder();
// Opens an applet: control.exe by its full path in the system directory (a bare name would run
// whatever "control.exe" the current directory holds), the CPL file name and `suffix`.
std::string ControlCommandLine(const std::string& fileName, const std::string& suffix);
// The first icon of a file, or none (ExtractIconA's 1 for a file without icons included).
HICON FirstFileIcon(const std::string& path);

class AppletTrayIcons {
 public:
  AppletTrayIcons();

  // Whether an identifier is taken by another icon of the main window; set by the main window.
  std::function<bool(UINT)> IdInUse;

  // One icon per entry saved in section "Control Panel" of "Corvl.ini".
  void AddAppletTrayIcons(HWND mainWindow);
  void RemoveAppletTrayIcons();
  // Adds the icons again after the shell restarted.
  void ReAddAppletTrayIcons();
  // A left-button release on an applet icon opens its applet.
  void HandleAppletIconMessage(UINT msg, WPARAM wp, LPARAM lp);
  // Whether `msg` is the callback number of an applet icon.
  bool UsesCallback(UINT msg) const;
  // Moves the applet icon that holds identifier `id`, if any, to a fresh one, so that another
  // icon of the main window can take `id`.
  void GiveUpId(UINT id);

  const std::vector<NOTIFYICONDATAA>& Records() const { return records_; }
  const std::vector<unsigned char>& Pages() const { return pages_; }

 private:
  bool Taken(UINT id, UINT alsoTaken) const;
  UINT DrawId(UINT alsoTaken);

  std::vector<NOTIFYICONDATAA> records_;
  std::vector<unsigned char> pages_;
  std::vector<IconHandle> icons_;
  std::mt19937 random_;
};

}  // namespace corvel
