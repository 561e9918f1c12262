#include "resources/menu_images.h"

namespace corvel {

namespace {

void Disc(HDC dc, int size, COLORREF fill) {
  BrushHandle brush(CreateSolidBrush(fill));
  PenHandle pen(CreatePen(PS_SOLID, 1, RGB(0, 0, 96)));
  SelectGuard b(dc, brush.get());
  SelectGuard p(dc, pen.get());
  Ellipse(dc, 1, 1, size - 1, size - 1);
}

void Letter(HDC dc, int size, const char* text, COLORREF colour) {
  FontHandle font(CreateFontA(-(size - 4), 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, VARIABLE_PITCH, "Arial"));
  SelectGuard f(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, colour);
  RECT r{0, 0, size, size};
  DrawTextA(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void Cog(HDC dc, int size) {
  BrushHandle brush(CreateSolidBrush(RGB(128, 128, 128)));
  PenHandle pen(CreatePen(PS_SOLID, 1, RGB(48, 48, 48)));
  SelectGuard b(dc, brush.get());
  SelectGuard p(dc, pen.get());
  const int c = size / 2;
  for (int i = 0; i < 4; ++i) {
    RECT tooth = i % 2 ? RECT{c - 2, 1, c + 2, size - 1} : RECT{1, c - 2, size - 1, c + 2};
    Rectangle(dc, tooth.left, tooth.top, tooth.right, tooth.bottom);
  }
  Ellipse(dc, 3, 3, size - 3, size - 3);
  BrushHandle hole(CreateSolidBrush(kMenuImageTransparent));
  SelectGuard h(dc, hole.get());
  Ellipse(dc, c - 2, c - 2, c + 3, c + 3);
}

void Cross(HDC dc, int size) {
  PenHandle pen(CreatePen(PS_SOLID, 3, RGB(192, 0, 0)));
  SelectGuard p(dc, pen.get());
  MoveToEx(dc, 3, 3, nullptr);
  LineTo(dc, size - 4, size - 4);
  MoveToEx(dc, size - 4, 3, nullptr);
  LineTo(dc, 3, size - 4);
}


// The floating window's glyphs, one text row per pixel row: '#' black, anything else clear.
constexpr const char* kFloatingGlyphs[][kFloatingMenuImageSize] = {
    // two overlapping window outlines
    {"...#######", "...#######", "...#.....#", "#######..#", "#######..#", "#.....#..#", "#.....####",
     "#.....#...", "#######...", ".........."},
    // four corner brackets around a 2 x 2 dot
    {"###....###", "#........#", "#........#", "..........", "....##....", "....##....", "..........",
     "#........#", "#........#", "###....###"},
    // a diagonal cross
    {"##......##", "###....###", ".###..###.", "..######..", "...####...", "...####...", "..######..",
     ".###..###.", "###....###", "##......##"},
    // a cog wheel
    {"....##....", ".#.####.#.", "..######..", ".###..###.", "####..####", "####..####", ".###..###.",
     "..######..", ".#.####.#.", "....##...."},
    // a sparse grid of nine single dots
    {"..........", ".#..#..#..", "..........", "..........", ".#..#..#..", "..........", "..........",
     ".#..#..#..", "..........", ".........."},
};

}  // namespace

BitmapHandle DrawMenuImage(MenuImage image, int size) {
  BitmapHandle bitmap = CreateScreenBitmap(size, size);
  MemoryDc dc = CreateScreenCompatibleDc();
  SelectGuard sel(dc.get(), bitmap.get());
  BrushHandle ground(CreateSolidBrush(kMenuImageTransparent));
  RECT all{0, 0, size, size};
  FillRect(dc.get(), &all, ground.get());
  switch (image) {
    case MenuImage::About:
      Disc(dc.get(), size, RGB(0, 64, 200));
      Letter(dc.get(), size, "i", RGB(255, 255, 255));
      break;
    case MenuImage::Options: Cog(dc.get(), size); break;
    case MenuImage::Exit: Cross(dc.get(), size); break;
  }
  return bitmap;
}

void AddTrayMenuImages(ImageList& list) {
  for (MenuImage m : {MenuImage::About, MenuImage::Options, MenuImage::Exit}) {
    BitmapHandle bmp = DrawMenuImage(m, list.Width());
    list.AddMasked(bmp.get(), kMenuImageTransparent);
  }
}

void AddFloatingMenuImages(ImageList& list) {
  for (const auto& glyph : kFloatingGlyphs) {
    BitmapHandle bitmap = CreateScreenBitmap(kFloatingMenuImageSize, kFloatingMenuImageSize);
    {
      MemoryDc dc = CreateScreenCompatibleDc();
      SelectGuard sel(dc.get(), bitmap.get());
      for (int y = 0; y < kFloatingMenuImageSize; ++y)
        for (int x = 0; x < kFloatingMenuImageSize; ++x)
          SetPixel(dc.get(), x, y, glyph[y][x] == '#' ? RGB(0, 0, 0) : kMenuImageTransparent);
    }
    list.AddMasked(bitmap.get(), kMenuImageTransparent);
  }
}

}  // namespace corvel
