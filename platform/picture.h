// A picture held as a bitmap, read from .bmp and JPEG files and written to .bmp files.
#pragma once
#include <memory>
#include <string>
#include <vector>
#include "platform/handles.h"

namespace corvel {

class Picture {
 public:
  Picture() = default;
  Picture(const Picture&) = delete;
  Picture& operator=(const Picture&) = delete;
  bool Empty() const { return !bitmap_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // The bitmap, free to be selected into a DC of the caller's.
  HBITMAP Bitmap() const;

  // Any unreadable, truncated or absurd file leaves the picture empty and gives false, with the
  // reason in `why` when given ("it is damaged ...").
  bool LoadFromFile(const std::string& path, std::string* why = nullptr);
  // Decodes an in-memory .bmp or JPEG file; false (and empty) when it is not a sound one.
  bool LoadFromMemory(const std::vector<unsigned char>& data, std::string* why = nullptr);
  // Makes this picture a copy of `other` (empty when `other` is).
  void CopyFrom(const Picture& other);
  // An empty picture writes nothing. Returns false when the file could not be written.
  bool SaveToFile(const std::string& path) const;
  // Takes ownership of a bitmap.
  void Assign(BitmapHandle bitmap);
  void Clear();
  // Draws the picture stretched into `rect` of `dc`.
  void StretchDraw(HDC dc, const RECT& rect) const;

 private:
  bool LoadBitmapFile(const std::vector<unsigned char>& data);
  bool LoadJpeg(const std::vector<unsigned char>& data, std::string* why);
  HDC SourceDc() const;
  void ReleaseSource() const;

  // The bitmap stays selected into a memory DC from the first draw on, since selecting it costs
  // more than drawing it (the caption button is drawn on a hundred windows in a pass). It is
  // given up before the bitmap is handed out, written or replaced.
  struct Source {
    explicit Source(HBITMAP bitmap) : dc(CreateScreenCompatibleDc()), selected(dc.get(), bitmap) {}
    MemoryDc dc;
    SelectGuard selected;
  };
  BitmapHandle bitmap_;
  int width_ = 0;
  int height_ = 0;
  mutable std::unique_ptr<Source> source_;  // after the bitmap it selects: destroyed first
};

// The picture stretched to width x height, as top-down rows of 0x00RRGGBB into `pixels`.
bool RenderPixels(const Picture& picture, int width, int height, DWORD* pixels);

// The folder of the running program, with a trailing backslash; "" where it cannot be told (its
// path too long or beyond the code page, even in short form): nothing is then read or written there.
std::string ProgramFolder();

}  // namespace corvel
