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

}  // namespace corvel
