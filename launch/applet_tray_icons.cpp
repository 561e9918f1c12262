#include "launch/applet_tray_icons.h"
#include <algorithm>
#include "platform/effects.h"
#include "platform/messages.h"
#include "platform/profile.h"
#include "platform/tray_icon.h"
#include "settings/settings_location.h"

namespace corvel {

namespace {

constexpr UINT kRandomIdLast = 65534;
constexpr int kRandomIdTries = 64;
constexpr UINT kWindowsDirChars = 255;
constexpr const char kControlProgram[] = "control.exe";
constexpr const char kPageSuffix[] = ",@";
constexpr int32_t kLastAppletNumber = static_cast<int32_t>(kAppletTrayCallbackLast - kAppletTrayCallbackBase);

bool HasCplFiles(const std::string& folder) {
  WIN32_FIND_DATAA found{};
  const HANDLE h = FindFirstFileA((folder + "\\*.CPL").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return false;
  FindClose(h);
  return true;
}

}  // namespace

HICON FirstFileIcon(const std::string& path) {
  HICON icon = ExtractIconA(GetModuleHandleA(nullptr), path.c_str(), 0);
  return icon == reinterpret_cast<HICON>(1) ? nullptr : icon;
}

std::string AppletFolder() {
  char dir[kWindowsDirChars + 1] = {};
  GetWindowsDirectoryA(dir, kWindowsDirChars);
  const std::string system32 = std::string(dir) + "\\SYSTEM32";
  return HasCplFiles(system32) ? system32 : std::string(dir) + "\\SYSTEM";
}

std::string ControlCommandLine(const std::string& fileName, const std::string& suffix) {
  char dir[MAX_PATH] = {};
  GetSystemDirectoryA(dir, MAX_PATH);
  return "\"" + std::string(dir) + "\\" + kControlProgram + "\" " + fileName + suffix;
}

AppletTrayIcons::AppletTrayIcons() : random_(GetTickCount() ^ GetCurrentProcessId()) {}

bool AppletTrayIcons::Taken(UINT id, UINT alsoTaken) const {
  if (id == alsoTaken || (IdInUse && IdInUse(id))) return true;
  return std::any_of(records_.begin(), records_.end(), [id](const NOTIFYICONDATAA& r) { return r.uID == id; });
}

// A random identifier as the tray has always had them; one already in use on the main window
// is drawn again (the tray would refuse a second icon with it), and if the draws keep hitting
// used ones the first free identifier above the random range is taken.
UINT AppletTrayIcons::DrawId(UINT alsoTaken) {
  std::uniform_int_distribution<UINT> pick(0, kRandomIdLast);
  for (int i = 0; i < kRandomIdTries; ++i) {
    const UINT id = pick(random_);
    if (!Taken(id, alsoTaken)) return id;
  }
  UINT id = kRandomIdLast + 1;
  while (Taken(id, alsoTaken)) ++id;
  return id;
}

void AppletTrayIcons::AddAppletTrayIcons(HWND mainWindow) {
  const ProfileFile file(SettingsFile());
  const int32_t count = file.ReadInteger(kControlPanelSection, kAppletCountKey, 0);
  records_.clear();
  pages_.clear();
  icons_.clear();
  const int32_t last = std::min(count - 1, kLastAppletNumber);
  if (last < 0) return;
  const std::string folder = AppletFolder();
  // Only numbers with a file key can give an icon: a huge count costs no more than the keys.
  for (const int32_t n : file.NumberedKeys(kControlPanelSection, "", kAppletFileKey, 0, last)) {
    const std::string name = file.ReadString(kControlPanelSection, std::to_string(n) + kAppletFileKey, "");
    if (name.empty()) continue;
    const int32_t page = file.ReadInteger(kControlPanelSection, std::to_string(n) + kAppletPageKey, 0);
    IconHandle icon(FirstFileIcon(folder + "\\" + name));
    NOTIFYICONDATAA record = MakeNotifyIconData(mainWindow, DrawId(0), kAppletTrayCallbackBase + static_cast<UINT>(n),
                                                icon.get(), name);
    AddNotifyIcon(record);
    records_.push_back(record);
    pages_.push_back(static_cast<unsigned char>(page));
    icons_.push_back(std::move(icon));
  }
}

void AppletTrayIcons::RemoveAppletTrayIcons() {
  for (NOTIFYICONDATAA& r : records_) NotifyIcon(NIM_DELETE, r);
}

void AppletTrayIcons::ReAddAppletTrayIcons() {
  for (NOTIFYICONDATAA& r : records_) NotifyIcon(NIM_ADD, r);
}

void AppletTrayIcons::GiveUpId(UINT id) {
  for (NOTIFYICONDATAA& r : records_) {
    if (r.uID != id) continue;
    NotifyIcon(NIM_DELETE, r);
    r.uID = DrawId(id);
    NotifyIcon(NIM_ADD, r);
  }
}

void AppletTrayIcons::HandleAppletIconMessage(UINT msg, WPARAM, LPARAM lp) {
  if (lp != WM_LBUTTONUP) return;
  for (size_t i = 0; i < records_.size(); ++i) {
    if (records_[i].uCallbackMessage != msg) continue;
    CurrentEffects().WinExec(
        ControlCommandLine(records_[i].szTip, kPageSuffix + std::to_string(pages_[i])).c_str(), SW_SHOWNORMAL);
  }
}

bool AppletTrayIcons::UsesCallback(UINT msg) const {
  for (const NOTIFYICONDATAA& r : records_)
    if (r.uCallbackMessage == msg) return true;
  return false;
}

}  // namespace corvel
