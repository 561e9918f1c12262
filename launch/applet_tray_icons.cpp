#include "launch/applet_tray_icons.h"
#include "platform/tray_icon.h"

namespace corvel {

// The applets' page of the options dialog saves none yet, so there is nothing to show.
void AppletTrayIcons::AddAppletTrayIcons(HWND) {
  records_.clear();
  pages_.clear();
}

void AppletTrayIcons::RemoveAppletTrayIcons() {
  for (NOTIFYICONDATAA& r : records_) NotifyIcon(NIM_DELETE, r);
}

void AppletTrayIcons::ReAddAppletTrayIcons() {
  for (NOTIFYICONDATAA& r : records_) NotifyIcon(NIM_ADD, r);
}

void AppletTrayIcons::HandleAppletIconMessage(UINT, WPARAM, LPARAM) {}

bool AppletTrayIcons::UsesCallback(UINT msg) const {
  for (const NOTIFYICONDATAA& r : records_)
    if (r.uCallbackMessage == msg) return true;
  return false;
}

}  // namespace corvel
