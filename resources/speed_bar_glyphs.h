// The pictures of the options dialog's page buttons, drawn by the program.
#pragma once
#include "platform/handles.h"

namespace corvel {

enum class SpeedBarGlyph { Common, CaptionButton, ControlPanel, QuickRun, Help };

constexpr int kSpeedBarGlyphSize = 32;

// Draws the glyph with its top-left corner at (x, y), in colour or greyed.
void DrawSpeedBarGlyph(HDC dc, SpeedBarGlyph glyph, int x, int y, bool greyed);

}  // namespace corvel
