// The hook library: installs the system-wide hook that reports title-bar events to the main
// window (class "TForm1", caption "Dravik Tool Bar") as the messages of platform/messages.h.
#pragma once

#ifdef CORVEL_HOOKS_BUILD
#define CORVEL_HOOKS_API extern "C" __declspec(dllexport)
#else
#define CORVEL_HOOKS_API extern "C" __declspec(dllimport)
#endif

// Reports the windows with a caption and a minimize box.
CORVEL_HOOKS_API void SetHook();
// Reports every window with a caption.
CORVEL_HOOKS_API void SetHookAll();
// Removes the hook.
CORVEL_HOOKS_API void DeleteHook();
