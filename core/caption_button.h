// The caption button's table, geometry, styles and hit tests.
#pragma once
#include <array>
#include <windows.h>
#include "platform/caption_geometry.h"

namespace corvel {

constexpr int kButtonWindowsSize = 101;

struct ButtonWindowEntry {
  HWND Handle = nullptr;
  RECT ButtonRect{0, 0, 0, 0};
};

// ButtonStyle codes.
constexpr int kStyleClassic = 80;
constexpr int kStyleClassic98 = 30;
constexpr int kStyleXP = 90;
constexpr int kStyleNone = 100;
constexpr int kStyleUser = 101;
// "System depend" on the systems after XP: the flat look, drawn to the button's size.
constexpr int kStyleFlat = 102;

// FrameMetrics, ProgramButtonRect, MinimizeButtonRect and the hit tests: platform/caption_geometry.h.
// What DrawButtonUp stores for a style without images.
RECT EmptyButtonRect(int buttonStyle);
bool StyleHasImages(int buttonStyle);
// ButtonStyle of a SymbolType; `osCode` serves the system-dependent style (the flat look on
// the systems after XP).
int ButtonStyleFor(int symbolType, int osCode);
// The file-name part of a path: the text after its last "\", "/" or ":".
const char* FileNamePart(const char* path);
// The title bar's colour at the button's place: the end of the gradient where captions have one.
COLORREF CaptionColourAtButton();

}  // namespace corvel
