// The built-in pictures of the caption button, drawn pixel by pixel.
#pragma once
#include <windows.h>
#include "platform/picture.h"

namespace corvel {

enum class ButtonImage { Up, Down, UpXP, DownXP };

SIZE ButtonImageSize(ButtonImage image);
// The colour of one pixel of a built-in picture.
COLORREF ButtonImagePixel(ButtonImage image, int x, int y);
// Fills the four pictures.
void DrawBuiltInButtonImages(Picture& up, Picture& down, Picture& upXP, Picture& downXP);

// The flat look of the systems after XP, drawn to size so that it stays sharp at any scale: a
// thin glyph on the title bar's own colour, and a light face behind it while pressed.
struct FlatButtonLook {
  COLORREF face;   // the title bar's colour where the button stands
  COLORREF glyph;  // black on a light title bar, white on a dark one
  COLORREF pressedFace;
};
FlatButtonLook FlatButtonLookFor(COLORREF captionColour);
// The glyph's stroke at a button height: 1 pixel at 100 %, growing with the scale.
int FlatGlyphStroke(int height);
COLORREF FlatButtonPixel(int width, int height, const FlatButtonLook& look, bool pressed, int x, int y);
// Both flat pictures at width x height.
void DrawFlatButtonImages(Picture& up, Picture& down, int width, int height, COLORREF captionColour);

}  // namespace corvel
