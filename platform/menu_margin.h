// The painted strip at the left of the program's popup menus: a vertical gradient, a shadow and
// a highlight line, and a word written upward over it.
#pragma once
#include <string>
#include <vector>
#include <windows.h>

namespace corvel {

struct MarginBand {
  RECT rect;
  COLORREF colour;
};

// The gradient bands of a strip: 32, fewer when it is lower than 32 pixels, at least 2; they
// cover the strip less its 3 rightmost pixels.
std::vector<MarginBand> MarginGradientBands(const RECT& strip, COLORREF top, COLORREF bottom);

struct MarginStyle {
  COLORREF top;
  COLORREF bottom;
  HFONT font;      // already turned by 90 degrees
  int textDx = 0;  // offset of the text from the strip's left edge
};

// Paints the strip and writes `text` from (left + textDx, bottom - 5), clipped to the strip.
void PaintMenuMargin(HDC dc, const RECT& strip, const MarginStyle& style, const std::string& text);

}  // namespace corvel
