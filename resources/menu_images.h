// The pictures of the tray menu's fixed items, drawn by the program.
#pragma once
#include "platform/image_list.h"

namespace corvel {

enum class MenuImage { About = 0, Options = 1, Exit = 2 };
// The floating window's menu pictures, 10 x 10, in their order in its image list.
enum class FloatingMenuImage { Restore = 0, Hide = 1, Close = 2, Options = 3, Transparency = 4 };
constexpr int kFloatingMenuImageSize = 10;

// The colour the item pictures treat as transparent.
constexpr COLORREF kMenuImageTransparent = RGB(255, 0, 255);

// Adds the About, Options and Exit pictures, at indices 0, 1 and 2.
void AddTrayMenuImages(ImageList& list);
// A picture as a bitmap of the list's size.
BitmapHandle DrawMenuImage(MenuImage image, int size);
// Adds the five black glyphs of the floating window's menu, at indices 0 to 4.
void AddFloatingMenuImages(ImageList& list);

}  // namespace corvel
