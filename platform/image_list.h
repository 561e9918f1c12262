// A list of equally sized images with a transparent colour, drawn into owner-drawn menus.
#pragma once
#include "platform/handles.h"

namespace corvel {

class ImageList {
 public:
  ImageList(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const;
  // Adds the top-left Width x Height pixels of `bitmap`; pixels of `transparent` are not drawn.
  // Returns the new image's index, or -1.
  int AddMasked(HBITMAP bitmap, COLORREF transparent);
  // Adds a copy of the icon's picture; returns the new image's index, or -1.
  int AddIcon(HICON icon);
  // Removes every image.
  void Clear();
  // Removes an image; later images move down by one.
  bool Remove(int index);
  void Draw(int index, HDC dc, int x, int y) const;
  HIMAGELIST get() const { return list_.get(); }

 private:
  int width_;
  int height_;
  ImageListHandle list_;
};

}  // namespace corvel
