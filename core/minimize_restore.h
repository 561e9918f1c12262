// The alpha steps of the fades and the tray menu's margin word.
#pragma once
#include <vector>
#include <windows.h>

namespace corvel {

// What a minimize with a fade gives the window, call by call (before the style is put back).
std::vector<BYTE> FadeOutAlphas();
// What a restore with a fade gives the window, call by call.
std::vector<BYTE> FadeInAlphas();

}  // namespace corvel
