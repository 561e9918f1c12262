// Control Panel applets as tray icons of the main window.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <vector>

namespace corvel {

class AppletTrayIcons {
 public:
  void AddAppletTrayIcons(HWND mainWindow);
  void RemoveAppletTrayIcons();
  // Adds the icons again after the shell restarted.
  void ReAddAppletTrayIcons();
  void HandleAppletIconMessage(UINT msg, WPARAM wp, LPARAM lp);
  // Whether `msg` is the callback number of an applet icon.
  bool UsesCallback(UINT msg) const;

 private:
  std::vector<NOTIFYICONDATAA> records_;
  std::vector<unsigned char> pages_;
};

}  // namespace corvel
