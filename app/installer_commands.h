// The two things the installer asks of corvel.exe on its command line, before anything else
// runs (Corvel itself reads no command line):
//   /close    a running Corvel ends as at a log-off, so every window it holds hidden comes back,
//             and this waits for it to be gone (an uninstall or an upgrade comes next)
//   /forget   the settings, the journal and the user's button pictures go (an uninstall asked
//             for that with REMOVESETTINGS=1)
#pragma once
#include <windows.h>

namespace corvel {

// How long a running Corvel may take to end before it is stopped and its journal's windows are
// shown from here.
constexpr DWORD kCloseTimeoutMs = 10000;

// True when `commandLine` (the arguments, without the program's name) is one of the commands;
// `exitCode` is then what the process ends with.
bool RunInstallerCommand(const char* commandLine, int& exitCode);
// Ends every running Corvel of this desktop; true when none is left.
bool CloseRunningCorvel(DWORD timeoutMs);
// Deletes the settings files, the journal and the pictures wherever Corvel keeps them.
void ForgetSettings();

}  // namespace corvel
