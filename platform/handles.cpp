#include "platform/handles.h"
#include <commctrl.h>

namespace corvel {

void ImageListTraits::close(HIMAGELIST h) { ImageList_Destroy(h); }

MemoryDc CreateScreenCompatibleDc() noexcept { return MemoryDc(CreateCompatibleDC(nullptr)); }

BitmapHandle CreateScreenBitmap(int width, int height) noexcept {
  HDC screen = GetDC(nullptr);
  HBITMAP bmp = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  return BitmapHandle(bmp);
}

}  // namespace corvel
