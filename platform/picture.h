// A picture held as a bitmap, read from and written to .bmp files.
#pragma once
#include <string>
#include <vector>
#include "platform/handles.h"

namespace corvel {

class Picture {
 public:
  bool Empty() const { return !bitmap_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  HBITMAP Bitmap() const { return bitmap_.get(); }

  // Any unreadable, truncated or absurd file leaves the picture empty.
  void LoadFromFile(const std::string& path);
  // Decodes an in-memory .bmp; false (and empty) when it is not a sound bitmap.
  bool LoadFromMemory(const std::vector<unsigned char>& data);
  // An empty picture writes nothing. Returns false when the file could not be written.
  bool SaveToFile(const std::string& path) const;
  // Takes ownership of a bitmap.
  void Assign(BitmapHandle bitmap);
  void Clear();
  // Draws the picture stretched into `rect` of `dc`.
  void StretchDraw(HDC dc, const RECT& rect) const;

 private:
  BitmapHandle bitmap_;
  int width_ = 0;
  int height_ = 0;
};

// The picture stretched to width x height, as top-down rows of 0x00RRGGBB into `pixels`.
bool RenderPixels(const Picture& picture, int width, int height, DWORD* pixels);

// The folder of the running program, with a trailing backslash.
std::string ProgramFolder();

}  // namespace corvel
