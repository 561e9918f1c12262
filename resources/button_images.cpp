#include "resources/button_images.h"
#include <vector>

namespace corvel {

namespace {

constexpr COLORREF kFace = RGB(212, 208, 200);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kDark = RGB(64, 64, 64);
constexpr COLORREF kShadow = RGB(128, 128, 128);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr int kClassicW = 16, kClassicH = 14, kXPSide = 21;

bool In(int v, int lo, int hi) { return v >= lo && v <= hi; }

// The mirrored L: a vertical bar on the right standing on a horizontal bar at the bottom.
bool Glyph(int x, int y, int barX, int barTop, int footX, int bottom) {
  return (In(x, barX, barX + 1) && In(y, barTop, bottom)) || (In(x, footX, barX + 1) && In(y, bottom - 1, bottom));
}

COLORREF ClassicUp(int x, int y) {
  if (Glyph(x, y, 10, 5, 6, 10)) return kBlack;
  if (y == kClassicH - 1 || x == kClassicW - 1) return kDark;
  if (y == 0 || x == 0) return kWhite;
  if (y == kClassicH - 2 || x == kClassicW - 2) return kShadow;
  return kFace;
}

COLORREF ClassicDown(int x, int y) {
  if (Glyph(x, y, 11, 6, 7, 11)) return kBlack;
  if (y == 0 || x == 0) return kDark;
  if (y == kClassicH - 1 || x == kClassicW - 1) return kWhite;
  if (y == 1 || x == 1) return kShadow;
  return kFace;
}

struct XPShades {
  COLORREF corner, light, fill, dark, glyph;
  int glyphTop;
};

COLORREF XP(int x, int y, const XPShades& s) {
  const int last = kXPSide - 1;
  if (x == 0 || y == 0 || x == last || y == last) return kWhite;
  const bool innerCorner = (x == 1 || x == last - 1) && (y == 1 || y == last - 1);
  if (innerCorner) return s.corner;
  if (Glyph(x, y, 15, s.glyphTop, 9, s.glyphTop + 7)) return s.glyph;
  if (x >= 17 || y >= 17) return s.dark;
  if (x <= 2 || y <= 2) return x >= 17 ? s.dark : s.light;
  return s.fill;
}

constexpr XPShades kUpXP{RGB(220, 229, 253), RGB(118, 160, 250), RGB(59, 119, 245), RGB(35, 92, 227), kWhite, 8};
constexpr XPShades kDownXP{RGB(190, 205, 235), RGB(40, 105, 200), RGB(0, 80, 181), RGB(0, 69, 161),
                           RGB(120, 162, 216), 9};

template <typename PixelOf>
void Paint(Picture& picture, SIZE size, PixelOf pixelOf) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = size.cx;
  bi.bmiHeader.biHeight = -size.cy;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> bits(static_cast<size_t>(size.cx) * size.cy);
  for (int y = 0; y < size.cy; ++y)
    for (int x = 0; x < size.cx; ++x) {
      const COLORREF c = pixelOf(x, y);
      bits[static_cast<size_t>(y) * size.cx + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
  BitmapHandle bmp = CreateScreenBitmap(size.cx, size.cy);
  HDC screen = GetDC(nullptr);
  SetDIBits(screen, bmp.get(), 0, size.cy, bits.data(), &bi, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  picture.Assign(std::move(bmp));
}

void Paint(Picture& picture, ButtonImage image) {
  Paint(picture, ButtonImageSize(image), [image](int x, int y) { return ButtonImagePixel(image, x, y); });
}

int Luminance(COLORREF c) { return (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) / 1000; }

// `a` moved a fifth of the way towards `b`.
COLORREF Towards(COLORREF a, COLORREF b) {
  auto mix = [](int x, int y) { return static_cast<BYTE>(x + (y - x) / 5); };
  return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

}  // namespace

SIZE ButtonImageSize(ButtonImage image) {
  return image == ButtonImage::Up || image == ButtonImage::Down ? SIZE{kClassicW, kClassicH} : SIZE{kXPSide, kXPSide};
}

COLORREF ButtonImagePixel(ButtonImage image, int x, int y) {
  switch (image) {
    case ButtonImage::Up: return ClassicUp(x, y);
    case ButtonImage::Down: return ClassicDown(x, y);
    case ButtonImage::UpXP: return XP(x, y, kUpXP);
    case ButtonImage::DownXP: return XP(x, y, kDownXP);
  }
  return kBlack;
}

FlatButtonLook FlatButtonLookFor(COLORREF captionColour) {
  const COLORREF glyph = Luminance(captionColour) >= 128 ? kBlack : kWhite;
  return FlatButtonLook{captionColour, glyph, Towards(captionColour, glyph)};
}

int FlatGlyphStroke(int height) { return height < 24 ? 1 : (height + 4) / 16; }

// The mirrored L of the other looks, thin and centred, about half the button's height.
COLORREF FlatButtonPixel(int width, int height, const FlatButtonLook& look, bool pressed, int x, int y) {
  const int side = (height + 1) / 2;
  const int stroke = FlatGlyphStroke(height);
  const int left = (width - side) / 2, top = (height - side) / 2;
  const int right = left + side - 1, bottom = top + side - 1;
  const bool bar = x > right - stroke && x <= right && y >= top && y <= bottom;
  const bool foot = y > bottom - stroke && y <= bottom && x >= left && x <= right;
  if (bar || foot) return look.glyph;
  return pressed ? look.pressedFace : look.face;
}

void DrawFlatButtonImages(Picture& up, Picture& down, int width, int height, COLORREF captionColour) {
  if (width <= 0 || height <= 0) {
    up.Clear();
    down.Clear();
    return;
  }
  const FlatButtonLook look = FlatButtonLookFor(captionColour);
  const SIZE size{width, height};
  Paint(up, size, [&](int x, int y) { return FlatButtonPixel(width, height, look, false, x, y); });
  Paint(down, size, [&](int x, int y) { return FlatButtonPixel(width, height, look, true, x, y); });
}

void DrawBuiltInButtonImages(Picture& up, Picture& down, Picture& upXP, Picture& downXP) {
  Paint(up, ButtonImage::Up);
  Paint(down, ButtonImage::Down);
  Paint(upXP, ButtonImage::UpXP);
  Paint(downXP, ButtonImage::DownXP);
}

}  // namespace corvel
