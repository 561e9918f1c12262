#include "settings/settings_location.h"
#include <windows.h>
#include <shlobj.h>
#include <mutex>
#include <vector>
#include "platform/messages.h"
#include "platform/picture.h"
#include "platform/text.h"

namespace corvel {

namespace {

constexpr const char kUserFolderName[] = "Corvel";

std::string WithSlash(std::string dir) {
  if (!dir.empty() && dir.back() != '\\' && dir.back() != '/') dir += '\\';
  return dir;
}

bool IsFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string WindowsDirectory() {
  char dir[MAX_PATH] = {};
  const UINT n = GetWindowsDirectoryA(dir, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::string(dir, n) : std::string();
}

// The user's roaming application-data folder ("" where the system has none).
std::wstring AppDataDirectory() {
  using GetFolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);
  wchar_t path[MAX_PATH] = {};
  if (HMODULE shell = GetModuleHandleA("shell32")) {
    const auto getFolderPath = reinterpret_cast<GetFolderPathFn>(GetProcAddress(shell, "SHGetFolderPathW"));
    if (getFolderPath && SUCCEEDED(getFolderPath(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path)))
      return path;
  }
  const DWORD n = GetEnvironmentVariableW(L"APPDATA", path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(path, n) : std::wstring();
}

std::string UserFolder() {
  const std::wstring appData = AppDataDirectory();
  if (appData.empty()) return std::string();
  std::wstring folder = appData;
  if (folder.back() != L'\\') folder += L'\\';
  folder += Widen(kUserFolderName);
  CreateDirectoryW(folder.c_str(), nullptr);
  return AnsiPath(folder);
}

std::mutex& PlaceMutex() {
  static std::mutex m;
  return m;
}

SettingsPlace*& Place() {
  static SettingsPlace* place = nullptr;
  return place;
}

}  // namespace

bool SettingsWritableIn(const std::string& windowsDir) {
  const std::string path = WithSlash(windowsDir) + kSettingsFile;
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    if (attributes & FILE_ATTRIBUTE_READONLY) return true;
  }
  HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    // Held open by another program for a moment: still the place, as it always was.
    return GetLastError() == ERROR_SHARING_VIOLATION;
  }
  const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
  CloseHandle(f);
  // Trying leaves nothing behind: a missing file stays missing.
  if (created) DeleteFileA(path.c_str());
  return true;
}

SettingsPlace SettingsPlaceFor(bool windowsWritable, const std::string& windowsDir, const std::string& appDataDir) {
  const std::string windows = WithSlash(windowsDir);
  // Nowhere better to go: the Windows directory, and the options dialog says when it cannot write.
  if (windowsWritable || appDataDir.empty()) return SettingsPlace{kSettingsFile, windows, false};
  const std::string user = WithSlash(appDataDir);
  CreateDirectoryA(appDataDir.c_str(), nullptr);
  // The first time, the user's folder starts from what the Windows directory holds.
  for (const char* name : {kSettingsFile, kJournalFile}) {
    const std::string from = windows + name, to = user + name;
    if (!IsFile(to) && IsFile(from)) CopyFileA(from.c_str(), to.c_str(), TRUE);
  }
  return SettingsPlace{user + kSettingsFile, user, true};
}

const SettingsPlace& CurrentSettingsPlace() {
  std::lock_guard<std::mutex> lock(PlaceMutex());
  SettingsPlace*& place = Place();
  if (!place) {
    const std::string windows = WindowsDirectory();
    // The user's folder is looked up only when the Windows directory will not do.
    const bool writable = windows.empty() || SettingsWritableIn(windows);
    place = new SettingsPlace(SettingsPlaceFor(writable, windows, writable ? std::string() : UserFolder()));
  }
  return *place;
}

void SetSettingsPlace(const SettingsPlace& place) {
  std::lock_guard<std::mutex> lock(PlaceMutex());
  delete Place();
  Place() = new SettingsPlace(place);
}

std::string SettingsFile() { return CurrentSettingsPlace().iniFile; }

std::string JournalPath() { return CurrentSettingsPlace().folder + kJournalFile; }

std::string UserPictureToRead(const char* name) {
  const SettingsPlace& place = CurrentSettingsPlace();
  if (place.perUser && IsFile(place.folder + name)) return place.folder + name;
  const std::string folder = ProgramFolder();
  return folder.empty() ? std::string() : folder + name;
}

std::string UserPictureToWrite(const char* name) {
  const SettingsPlace& place = CurrentSettingsPlace();
  const std::string folder = place.perUser ? place.folder : ProgramFolder();
  // A folder that cannot be told is no reason to write into the current one.
  return folder.empty() ? std::string() : folder + name;
}

}  // namespace corvel
