// What the desktop window manager (Vista on) says of a window, looked up at run time: the systems
// before it have no dwmapi.dll, and Wine's answers nothing of these.
#pragma once
#include <windows.h>

namespace corvel {

// Reads one attribute; false where the system has no desktop window manager or refuses.
bool DwmAttribute(HWND window, DWORD attribute, void* value, DWORD size);

// Whether the window is cloaked (on another virtual desktop, or a program hides it so): it keeps
// WS_VISIBLE but shows nowhere. False where the system cannot tell.
bool DwmCloaked(HWND window);

}  // namespace corvel
