// The caption button's table, geometry, styles and hit tests.
#pragma once
#include <array>
#include <windows.h>

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

struct FrameMetrics {
  int cxSize, cySize, cxFrame, cyFrame;
};
FrameMetrics SystemFrameMetrics();

// The button's rectangle relative to the window's top-left corner, for a window W pixels wide.
RECT ProgramButtonRect(int windowWidth, const FrameMetrics& m);
// The window's own minimize button.
RECT MinimizeButtonRect(int windowWidth, const FrameMetrics& m);
// What DrawButtonUp stores for a style without images.
RECT EmptyButtonRect(int buttonStyle);
bool StyleHasImages(int buttonStyle);
// ButtonStyle of a SymbolType; `osCode` serves the system-dependent style.
int ButtonStyleFor(int symbolType, int osCode);
// Strict test of a point relative to the window against the button (0x40A, 0x40B).
bool HitsButtonStrict(const RECT& button, POINT windowRelative);
// Inclusive test against the minimize button (0x412).
bool HitsButtonInclusive(const RECT& button, POINT windowRelative);
// The file-name part of a path: the text after its last "\", "/" or ":".
const char* FileNamePart(const char* path);

}  // namespace corvel
