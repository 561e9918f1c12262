#include "resources/speed_bar_glyphs.h"
#include <vector>

namespace corvel {

namespace {

constexpr int S = kSpeedBarGlyphSize;
constexpr COLORREF kKey = RGB(255, 0, 255);

void Box(HDC dc, int l, int t, int r, int b, COLORREF fill, COLORREF edge) {
  BrushHandle brush(CreateSolidBrush(fill));
  PenHandle pen(CreatePen(PS_SOLID, 1, edge));
  SelectGuard sb(dc, brush.get());
  SelectGuard sp(dc, pen.get());
  Rectangle(dc, l, t, r, b);
}

void Line(HDC dc, int width, COLORREF colour, std::initializer_list<POINT> points) {
  PenHandle pen(CreatePen(PS_SOLID, width, colour));
  SelectGuard sp(dc, pen.get());
  std::vector<POINT> p(points);
  Polyline(dc, p.data(), static_cast<int>(p.size()));
}

// A small window: frame, blue title bar.
void Window(HDC dc, int l, int t, int r, int b) {
  Box(dc, l, t, r, b, RGB(255, 255, 255), RGB(0, 0, 64));
  Box(dc, l, t, r, t + 7, RGB(0, 84, 227), RGB(0, 0, 64));
}

void Common(HDC dc) {
  Window(dc, 2, 3, 30, 29);
  Line(dc, 3, RGB(0, 150, 0), {{8, 18}, {13, 23}, {24, 12}});
}

void CaptionButton(HDC dc) {
  Window(dc, 1, 6, 31, 26);
  Box(dc, 1, 6, 31, 17, RGB(0, 84, 227), RGB(0, 0, 64));
  const int left[] = {8, 15, 22};
  for (int i = 0; i < 3; ++i)
    Box(dc, left[i], 8, left[i] + 6, 15, i == 0 ? RGB(230, 60, 40) : RGB(220, 220, 220), RGB(0, 0, 64));
}

void ControlPanel(HDC dc) {
  BrushHandle brush(CreateSolidBrush(RGB(150, 150, 160)));
  PenHandle pen(CreatePen(PS_SOLID, 1, RGB(50, 50, 60)));
  SelectGuard sb(dc, brush.get());
  SelectGuard sp(dc, pen.get());
  Rectangle(dc, 13, 2, 19, 30);
  Rectangle(dc, 2, 13, 30, 19);
  Rectangle(dc, 6, 6, 26, 26);
  Ellipse(dc, 5, 5, 27, 27);
  BrushHandle hole(CreateSolidBrush(kKey));
  SelectGuard sh(dc, hole.get());
  Ellipse(dc, 11, 11, 21, 21);
}

void QuickRun(HDC dc) {
  BrushHandle brush(CreateSolidBrush(RGB(255, 200, 0)));
  PenHandle pen(CreatePen(PS_SOLID, 1, RGB(120, 70, 0)));
  SelectGuard sb(dc, brush.get());
  SelectGuard sp(dc, pen.get());
  const POINT bolt[] = {{19, 1}, {6, 18}, {15, 18}, {11, 31}, {26, 12}, {17, 12}, {22, 1}};
  Polygon(dc, bolt, 7);
}

void Help(HDC dc) {
  BrushHandle brush(CreateSolidBrush(RGB(0, 90, 200)));
  PenHandle pen(CreatePen(PS_SOLID, 1, RGB(0, 30, 90)));
  SelectGuard sb(dc, brush.get());
  SelectGuard sp(dc, pen.get());
  Ellipse(dc, 2, 2, 30, 30);
  FontHandle font(CreateFontA(-22, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, VARIABLE_PITCH, "Arial"));
  SelectGuard sf(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  RECT r{0, 0, S, S};
  DrawTextA(dc, "?", 1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// Every pixel but the key colour as a light grey of its own brightness.
void Grey(HDC dc) {
  for (int y = 0; y < S; ++y)
    for (int x = 0; x < S; ++x) {
      const COLORREF c = GetPixel(dc, x, y);
      if (c == kKey) continue;
      const int level = 128 + (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 200;
      SetPixel(dc, x, y, RGB(level, level, level));
    }
}

}  // namespace

void DrawSpeedBarGlyph(HDC dc, SpeedBarGlyph glyph, int x, int y, bool greyed) {
  BitmapHandle bitmap = CreateScreenBitmap(S, S);
  MemoryDc mem = CreateScreenCompatibleDc();
  {
    SelectGuard sel(mem.get(), bitmap.get());
    BrushHandle key(CreateSolidBrush(kKey));
    RECT all{0, 0, S, S};
    FillRect(mem.get(), &all, key.get());
    switch (glyph) {
      case SpeedBarGlyph::Common: Common(mem.get()); break;
      case SpeedBarGlyph::CaptionButton: CaptionButton(mem.get()); break;
      case SpeedBarGlyph::ControlPanel: ControlPanel(mem.get()); break;
      case SpeedBarGlyph::QuickRun: QuickRun(mem.get()); break;
      case SpeedBarGlyph::Help: Help(mem.get()); break;
    }
    if (greyed) Grey(mem.get());
    TransparentBlt(dc, x, y, S, S, mem.get(), 0, 0, S, S, kKey);
  }
}

}  // namespace corvel
