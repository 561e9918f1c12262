// Fonts described as the forms describe them, and the same font turned by an angle.
#pragma once
#include <string>
#include "platform/handles.h"

namespace corvel {

enum class FontPitch { Default, Variable, Fixed };

struct FontSpec {
  std::string name = "MS Sans Serif";
  int height = -11;  // character height in pixels, negative as in a LOGFONT
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  FontPitch pitch = FontPitch::Default;
};

// The LOGFONT of `font` turned by `angle` degrees.
LOGFONTA RotatedFontRecord(const FontSpec& font, int angle);
FontHandle CreateRotatedFont(const FontSpec& font, int angle);
// A font of `points` points on the screen.
int FontHeightForPoints(int points);

}  // namespace corvel
