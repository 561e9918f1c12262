#include "platform/help.h"
#include "platform/effects.h"
#include <cstring>
#include <vector>

namespace corvel {

namespace {

// The request header of the viewer's protocol, 16 bytes; the file name follows it.
#pragma pack(push, 1)
struct HelpRequestHeader {
  WORD size;
  WORD command;
  LONG data;
  LONG reserved;
  WORD fileOffset;
  WORD dataOffset;
};
#pragma pack(pop)
static_assert(sizeof(HelpRequestHeader) == 16, "viewer request header");

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A request as WM_COPYDATA carries it: the header, then the file name.
std::string HelpRequest(UINT command, const std::string& file) {
  HelpRequestHeader header{};
  header.size = static_cast<WORD>(sizeof header + file.size() + 1);
  header.command = static_cast<WORD>(command);
  header.fileOffset = sizeof header;
  std::string request(reinterpret_cast<const char*>(&header), sizeof header);
  request += file;
  request += '\0';
  return request;
}

bool AskViewer(HWND viewer, HWND owner, const std::string& file) {
  std::string request = HelpRequest(HELP_CONTENTS, file);
  COPYDATASTRUCT data{kHelpRequestTag, static_cast<DWORD>(request.size()), &request[0]};
  DWORD_PTR answer = 0;
  return SendMessageTimeoutA(viewer, WM_COPYDATA, reinterpret_cast<WPARAM>(owner), reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, kHelpViewerTimeoutMs, &answer) != 0;
}

bool StartViewer(const std::string& file) {
  std::string line = std::string(kHelpViewerProgram) + " \"" + file + "\"";
  std::vector<char> commandLine(line.begin(), line.end());
  commandLine.push_back('\0');
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace

namespace {

bool HelpFileFound(HWND owner, const std::string& file) {
  if (FileExists(file)) return true;
  const std::string text = "The help file\n" + file + "\ncannot be found.";
  MessageBoxA(owner, text.c_str(), "Corvel", MB_OK | MB_ICONWARNING);
  return false;
}

}  // namespace

bool OpenHelpContents(HWND owner, const std::string& file) {
  if (!HelpFileFound(owner, file)) return false;
  HWND viewer = FindWindowA(kHelpViewerClass, nullptr);
  if (viewer && AskViewer(viewer, owner, file)) return true;
  // A viewer that went away meanwhile is replaced; one that is only slow is left alone.
  if (viewer && IsWindow(viewer)) return false;
  return StartViewer(file);
}

bool OpenHelpPage(HWND owner, const std::string& file) {
  if (!HelpFileFound(owner, file)) return false;
  // The shell hands the page to the user's browser.
  const HINSTANCE result = CurrentEffects().ShellExecuteFile(owner, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace corvel
