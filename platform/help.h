// Opening the help file in the system's help viewer without waiting on the viewer.
#pragma once
#include <windows.h>
#include <string>

namespace corvel {

// The viewer's window class, and what identifies a request in its WM_COPYDATA.
constexpr const char kHelpViewerClass[] = "MS_WINHELP";
constexpr ULONG_PTR kHelpRequestTag = 0xA1DE505;
constexpr const char kHelpViewerProgram[] = "winhlp32.exe";
// How long a running viewer may take to accept a request.
constexpr UINT kHelpViewerTimeoutMs = 3000;

// Shows `file` at its contents: a running viewer is asked to show it (and given up on when it does
// not answer in time); with none, the viewer is started with the file. A missing file is not
// handed to the viewer, whose question about it would hold this thread: the user is told here.
// True when the request went out.
bool OpenHelpContents(HWND owner, const std::string& file);
// Shows the help page (HTML) through the shell, where WinHelp is gone; a missing page is told
// as a missing help file is. True when the shell took it.
bool OpenHelpPage(HWND owner, const std::string& file);

}  // namespace corvel
