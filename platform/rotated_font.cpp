#include "platform/rotated_font.h"
#include <cstring>

namespace corvel {

LOGFONTA RotatedFontRecord(const FontSpec& font, int angle) {
  LOGFONTA lf;
  std::memset(&lf, 0, sizeof lf);
  lf.lfHeight = font.height;
  lf.lfWidth = 0;
  lf.lfEscapement = angle * 10;
  lf.lfOrientation = 0;
  lf.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = font.italic;
  lf.lfUnderline = font.underline;
  lf.lfStrikeOut = font.strikeOut;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = 0;
  lf.lfClipPrecision = 0;
  lf.lfQuality = 0;
  lf.lfPitchAndFamily = font.pitch == FontPitch::Variable ? VARIABLE_PITCH
                        : font.pitch == FontPitch::Fixed  ? FIXED_PITCH
                                                          : DEFAULT_PITCH;
  std::strncpy(lf.lfFaceName, font.name.c_str(), LF_FACESIZE - 1);
  return lf;
}

FontHandle CreateRotatedFont(const FontSpec& font, int angle) {
  const LOGFONTA lf = RotatedFontRecord(font, angle);
  return FontHandle(CreateFontIndirectA(&lf));
}

int FontHeightForPoints(int points) {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return -MulDiv(points, dpi, 72);
}

}  // namespace corvel
