#include "app/installer_commands.h"
#include <cstring>
#include <string>
#include <vector>
#include "core/hidden_journal.h"
#include "platform/handles.h"
#include "platform/messages.h"
#include "platform/picture.h"
#include "settings/settings_location.h"

namespace corvel {

namespace {

constexpr DWORD kEndSessionTimeoutMs = 5000;
constexpr DWORD kBroadcastTimeoutMs = 500;

BOOL CALLBACK CollectMainWindow(HWND w, LPARAM list) {
  char cls[32] = {}, caption[32] = {};
  GetClassNameA(w, cls, sizeof cls);
  GetWindowTextA(w, caption, sizeof caption);
  if (std::strcmp(cls, kMainWindowClass) == 0 && std::strcmp(caption, kMainWindowCaption) == 0)
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
  return TRUE;
}

std::vector<HWND> MainWindows() {
  std::vector<HWND> found;
  EnumWindows(CollectMainWindow, reinterpret_cast<LPARAM>(&found));
  return found;
}

// What a Corvel that did not end left hidden, shown from here: its journal names the windows.
void ShowJournalWindows() {
  for (const JournalEntry& e : HiddenJournal().Read()) {
    DWORD pid = 0;
    if (!IsWindow(e.Handle) || !GetWindowThreadProcessId(e.Handle, &pid) || pid != e.ProcessId) continue;
    if (!IsWindowVisible(e.Handle)) ShowWindowAsync(e.Handle, SW_SHOWNORMAL);
  }
}

// The argument, without blanks around it, in lower case.
std::string Word(const char* commandLine) {
  std::string s = commandLine ? commandLine : "";
  const size_t first = s.find_first_not_of(" \t\"");
  const size_t last = s.find_last_not_of(" \t\"");
  s = first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
  for (char& c : s) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return s;
}

}  // namespace

bool CloseRunningCorvel(DWORD timeoutMs) {
  const std::vector<HWND> running = MainWindows();
  bool allGone = true;
  for (HWND main : running) {
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    KernelHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
    DWORD_PTR answer = 0;
    // As Windows ends a session: Corvel gives back every window and leaves.
    SendMessageTimeoutA(main, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, kEndSessionTimeoutMs, &answer);
    if (!process) continue;
    if (WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0) continue;
    // One that hangs is stopped; what it held comes back from its journal.
    allGone = TerminateProcess(process.get(), 1) && WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0 &&
              allGone;
    ShowJournalWindows();
  }
  // The hook library stays loaded in a program until that program next takes a message: one for
  // each, so that the library's file can go with the rest.
  if (!running.empty()) {
    DWORD_PTR answer = 0;
    SendMessageTimeoutA(HWND_BROADCAST, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kBroadcastTimeoutMs, &answer);
  }
  return allGone;
}

void ForgetSettings() {
  const SettingsPlace& place = CurrentSettingsPlace();
  char windows[MAX_PATH] = {};
  const UINT n = GetWindowsDirectoryA(windows, MAX_PATH);
  std::vector<std::string> folders{ProgramFolder()};
  if (n > 0 && n < MAX_PATH) folders.push_back(std::string(windows, n) + "\\");
  if (place.perUser) folders.push_back(place.folder);
  for (const std::string& folder : folders)
    if (!folder.empty())
      for (const char* name : {kSettingsFile, kJournalFile, kUserUpBitmapFile, kUserDownBitmapFile})
        DeleteFileA((folder + name).c_str());
  if (place.perUser) RemoveDirectoryA(place.folder.c_str());
}

bool RunInstallerCommand(const char* commandLine, int& exitCode) {
  const std::string word = Word(commandLine);
  if (word == "/close") {
    exitCode = CloseRunningCorvel(kCloseTimeoutMs) ? 0 : 1;
    return true;
  }
  if (word == "/forget") {
    ForgetSettings();
    exitCode = 0;
    return true;
  }
  return false;
}

}  // namespace corvel
