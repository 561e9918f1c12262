#include "platform/image_list.h"

namespace corvel {

ImageList::ImageList(int width, int height)
    : width_(width), height_(height), list_(ImageList_Create(width, height, ILC_COLOR24 | ILC_MASK, 4, 4)) {}

int ImageList::Count() const { return list_ ? ImageList_GetImageCount(list_.get()) : 0; }

int ImageList::AddMasked(HBITMAP bitmap, COLORREF transparent) {
  if (!list_ || !bitmap) return -1;
  // Cut the image to the list's size first: a wider bitmap would add several images.
  BitmapHandle part = CreateScreenBitmap(width_, height_);
  {
    MemoryDc src = CreateScreenCompatibleDc();
    MemoryDc dst = CreateScreenCompatibleDc();
    SelectGuard s(src.get(), bitmap);
    SelectGuard d(dst.get(), part.get());
    BrushHandle fill(CreateSolidBrush(transparent));
    RECT all{0, 0, width_, height_};
    FillRect(dst.get(), &all, fill.get());
    BitBlt(dst.get(), 0, 0, width_, height_, src.get(), 0, 0, SRCCOPY);
  }
  return ImageList_AddMasked(list_.get(), part.get(), transparent);
}

int ImageList::AddIcon(HICON icon) { return list_ && icon ? ImageList_AddIcon(list_.get(), icon) : -1; }

void ImageList::Clear() {
  if (list_) ImageList_RemoveAll(list_.get());
}

bool ImageList::Remove(int index) { return list_ && ImageList_Remove(list_.get(), index); }

void ImageList::Draw(int index, HDC dc, int x, int y) const {
  if (list_ && index >= 0 && index < Count()) ImageList_Draw(list_.get(), index, dc, x, y, ILD_TRANSPARENT);
}

}  // namespace corvel
