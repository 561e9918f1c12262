// Work on another program's window that waits on that program (style changes, showing and
// hiding in order) runs on a thread of its own for that window: the user-interface thread only
// hands it over. The jobs of one window run in the order given, those of different windows side
// by side, so a program that hangs holds up its own windows alone.
#pragma once
#include <windows.h>
#include <functional>

namespace corvel {

// Runs `job` after the jobs already given for `window`.
void RunWindowJob(HWND window, std::function<void()> job);
// Whether jobs of `window` are given and not done yet.
bool WindowJobsPending(HWND window);
// Waits up to `timeoutMs` for every job to be done; messages sent to this thread are handled
// meanwhile. True when none is left.
bool FlushWindowJobs(DWORD timeoutMs);

}  // namespace corvel
