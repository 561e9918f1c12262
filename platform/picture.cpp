#include "platform/picture.h"
#include "platform/text.h"
#include "platform/jpeg.h"
#include <cstdio>
#include <cstring>
#include <memory>

namespace corvel {

namespace {

constexpr size_t kMaxFileBytes = 64u << 20;
constexpr int32_t kMaxSide = 8192;
constexpr uint16_t kBitmapMagic = 0x4D42;  // "BM"

template <typename T>
bool ReadAt(const std::vector<unsigned char>& d, size_t at, T& out) {
  if (at > d.size() || d.size() - at < sizeof(T)) return false;
  std::memcpy(&out, d.data() + at, sizeof(T));
  return true;
}

size_t RowBytes(int32_t width, uint16_t bpp) { return ((static_cast<size_t>(width) * bpp + 31) / 32) * 4; }

// A bitmap of the screen's format holding the given device-independent bits; empty on failure.
BitmapHandle ScreenBitmapFromBits(const BITMAPINFO* info, const void* bits, int width, int height) {
  HDC screen = GetDC(nullptr);
  BitmapHandle bmp(CreateCompatibleBitmap(screen, width, height));
  const int lines = bmp ? SetDIBits(screen, bmp.get(), 0, height, bits, info, DIB_RGB_COLORS) : 0;
  ReleaseDC(nullptr, screen);
  if (lines != height) bmp.reset();
  return bmp;
}

bool Fail(std::string* why, const char* reason) {
  if (why) *why = reason;
  return false;
}

}  // namespace

// The longest path Windows knows (\\?\ paths of 32767 characters).
constexpr size_t kLongestPath = 32768;

std::string ProgramFolder() {
  // The whole path, however long: a path cut at MAX_PATH names another folder.
  std::wstring path;
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) {
      path.assign(buffer.data(), n);
      break;
    }
    if (buffer.size() >= kLongestPath) return std::string();
    buffer.resize(buffer.size() * 2);
  }
  const size_t slash = path.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? std::string() : AnsiPath(path.substr(0, slash + 1));
}

HBITMAP Picture::Bitmap() const {
  ReleaseSource();
  return bitmap_.get();
}

HDC Picture::SourceDc() const {
  if (!source_ && bitmap_) {
    source_ = std::make_unique<Source>(bitmap_.get());
    // Selected elsewhere (a caller of Bitmap() still holds it): nothing to draw from.
    if (!source_->dc || !source_->selected) source_.reset();
  }
  return source_ ? source_->dc.get() : nullptr;
}

void Picture::ReleaseSource() const { source_.reset(); }

void Picture::Assign(BitmapHandle bitmap) {
  ReleaseSource();
  bitmap_ = std::move(bitmap);
  width_ = height_ = 0;
  BITMAP info{};
  if (bitmap_ && GetObjectA(bitmap_.get(), sizeof info, &info)) {
    width_ = info.bmWidth;
    height_ = info.bmHeight;
  } else {
    bitmap_.reset();
  }
}

void Picture::Clear() { Assign(BitmapHandle()); }

bool Picture::LoadFromFile(const std::string& path, std::string* why) {
  Clear();
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return Fail(why, "it cannot be opened");
  std::vector<unsigned char> data;
  unsigned char chunk[65536];
  size_t n;
  bool tooLarge = false;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
    if (data.size() + n > kMaxFileBytes) {
      tooLarge = true;
      break;
    }
    data.insert(data.end(), chunk, chunk + n);
  }
  std::fclose(f);
  if (tooLarge) return Fail(why, "it is larger than 64 MB");
  return LoadFromMemory(data, why);
}

void Picture::CopyFrom(const Picture& other) {
  if (this == &other) return;
  if (other.Empty()) {
    Clear();
    return;
  }
  Assign(BitmapHandle(static_cast<HBITMAP>(CopyImage(other.Bitmap(), IMAGE_BITMAP, 0, 0, 0))));
}

bool Picture::LoadFromMemory(const std::vector<unsigned char>& d, std::string* why) {
  Clear();
  if (LooksLikeJpeg(d)) return LoadJpeg(d, why);
  BITMAPFILEHEADER fh{};
  if (!ReadAt(d, 0, fh) || fh.bfType != kBitmapMagic) return Fail(why, "it is neither a bitmap nor a JPEG picture");
  if (!LoadBitmapFile(d)) return Fail(why, "it is a damaged, cut short or unreadable bitmap");
  return true;
}

bool Picture::LoadJpeg(const std::vector<unsigned char>& d, std::string* why) {
  DecodedImage image;
  std::string reason;
  if (!DecodeJpeg(d, kMaxSide, image, reason)) return Fail(why, reason.c_str());
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = image.width;
  h.biHeight = -image.height;  // the rows come top-down
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = BI_RGB;
  Assign(ScreenBitmapFromBits(reinterpret_cast<BITMAPINFO*>(&h), image.bgr.data(), image.width, image.height));
  if (Empty()) return Fail(why, "there is not enough memory for it");
  return true;
}

bool Picture::LoadBitmapFile(const std::vector<unsigned char>& d) {
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  if (!ReadAt(d, 0, fh) || fh.bfType != kBitmapMagic) return false;
  if (!ReadAt(d, sizeof fh, ih) || ih.biSize < sizeof ih || ih.biSize > 124) return false;
  if (ih.biPlanes != 1 || ih.biWidth <= 0 || ih.biWidth > kMaxSide || ih.biHeight == 0) return false;
  const int32_t height = ih.biHeight < 0 ? -ih.biHeight : ih.biHeight;
  if (height > kMaxSide) return false;
  const uint16_t bpp = ih.biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  if (ih.biCompression != BI_RGB && !(ih.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) return false;
  // Colour table (or the three bit masks) between the header and the bits.
  size_t colours = 0;
  if (bpp <= 8) {
    colours = ih.biClrUsed ? ih.biClrUsed : (1u << bpp);
    if (colours > (1u << bpp)) return false;
  }
  // The masks of BI_BITFIELDS follow a 40-byte header and stand inside a larger one (V2 to V5):
  // the system is given them after its 40-byte header either way.
  const bool bitfields = ih.biCompression == BI_BITFIELDS;
  constexpr size_t kMaskBytes = 3 * sizeof(DWORD);
  if (bitfields && ih.biSize != sizeof ih && ih.biSize < sizeof ih + kMaskBytes) return false;
  const size_t masksAfterHeader = bitfields && ih.biSize == sizeof ih ? kMaskBytes : 0;
  const size_t infoBytes = ih.biSize + masksAfterHeader + colours * sizeof(RGBQUAD);
  const size_t imageBytes = RowBytes(ih.biWidth, bpp) * static_cast<size_t>(height);
  if (sizeof fh + infoBytes > d.size()) return false;
  if (fh.bfOffBits < sizeof fh + infoBytes || fh.bfOffBits > d.size() || d.size() - fh.bfOffBits < imageBytes)
    return false;
  // A header of the size the system expects, then the masks or the colour table.
  const size_t masks = bitfields ? kMaskBytes : 0;
  std::vector<unsigned char> info(sizeof(BITMAPINFOHEADER) + masks + colours * sizeof(RGBQUAD));
  BITMAPINFOHEADER h = ih;
  h.biSize = sizeof h;
  h.biSizeImage = 0;
  std::memcpy(info.data(), &h, sizeof h);
  if (bitfields) std::memcpy(info.data() + sizeof h, d.data() + sizeof fh + sizeof ih, kMaskBytes);
  std::memcpy(info.data() + sizeof h + masks, d.data() + sizeof fh + ih.biSize, colours * sizeof(RGBQUAD));
  Assign(ScreenBitmapFromBits(reinterpret_cast<BITMAPINFO*>(info.data()), d.data() + fh.bfOffBits, ih.biWidth,
                              height));
  return !Empty();
}

bool Picture::SaveToFile(const std::string& path) const {
  if (Empty()) return true;
  BITMAPINFOHEADER h{};
  h.biSize = sizeof h;
  h.biWidth = width_;
  h.biHeight = height_;
  h.biPlanes = 1;
  h.biBitCount = 24;
  h.biCompression = BI_RGB;
  const size_t imageBytes = RowBytes(width_, 24) * static_cast<size_t>(height_);
  std::vector<unsigned char> bits(imageBytes);
  ReleaseSource();  // a bitmap selected into a DC is not to be read
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, bitmap_.get(), 0, height_, bits.data(), reinterpret_cast<BITMAPINFO*>(&h),
                              DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (lines != height_) return false;
  BITMAPFILEHEADER fh{};
  fh.bfType = kBitmapMagic;
  fh.bfOffBits = sizeof fh + sizeof h;
  fh.bfSize = static_cast<DWORD>(fh.bfOffBits + imageBytes);
  h.biSizeImage = static_cast<DWORD>(imageBytes);
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(&fh, sizeof fh, 1, f) == 1 && std::fwrite(&h, sizeof h, 1, f) == 1 &&
            std::fwrite(bits.data(), 1, bits.size(), f) == bits.size();
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

void Picture::StretchDraw(HDC dc, const RECT& rect) const {
  if (Empty() || !dc) return;
  const HDC src = SourceDc();
  if (!src) return;
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, src, 0, 0, width_, height_,
             SRCCOPY);
}

bool RenderPixels(const Picture& picture, int width, int height, DWORD* pixels) {
  if (picture.Empty() || width <= 0 || height <= 0) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  BitmapHandle target(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  MemoryDc dc = CreateScreenCompatibleDc();
  if (!target || !bits || !dc) return false;
  {
    SelectGuard sel(dc.get(), target.get());
    picture.StretchDraw(dc.get(), RECT{0, 0, width, height});
    GdiFlush();
  }
  const DWORD* from = static_cast<const DWORD*>(bits);
  for (int i = 0; i < width * height; ++i) pixels[i] = from[i] & 0x00FFFFFFu;
  return true;
}

}  // namespace corvel
