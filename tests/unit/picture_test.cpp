#include <gtest/gtest.h>
#include <cstring>
#include "platform/picture.h"
#include "tests/unit/test_support.h"

namespace corvel {
namespace {

// A .bmp file of `w` x `h` pixels at `bpp` bits with a grey ramp.
std::string BitmapFile(int w, int h, int bpp, int colours = 0) {
  const int row = ((w * bpp + 31) / 32) * 4;
  const int paletteBytes = (bpp <= 8 ? (colours ? colours : 1 << bpp) : 0) * 4;
  BITMAPFILEHEADER fh{};
  BITMAPINFOHEADER ih{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof fh + sizeof ih + paletteBytes;
  fh.bfSize = fh.bfOffBits + row * (h < 0 ? -h : h);
  ih.biSize = sizeof ih;
  ih.biWidth = w;
  ih.biHeight = h;
  ih.biPlanes = 1;
  ih.biBitCount = static_cast<WORD>(bpp);
  ih.biClrUsed = static_cast<DWORD>(colours);
  std::string s(reinterpret_cast<char*>(&fh), sizeof fh);
  s.append(reinterpret_cast<char*>(&ih), sizeof ih);
  for (int i = 0; i < paletteBytes / 4; ++i) {
    const char c = static_cast<char>(i * 255 / (paletteBytes / 4 > 1 ? paletteBytes / 4 - 1 : 1));
    s += c; s += c; s += c; s += '\0';
  }
  for (int y = 0; y < (h < 0 ? -h : h); ++y)
    for (int b = 0; b < row; ++b) s += static_cast<char>((b * 7 + y) & 0xFF);
  return s;
}

std::vector<unsigned char> Bytes(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }

std::string TempPath(const char* name) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + name;
}

TEST(Picture, ReadsTheUsualFormats) {
  for (int bpp : {1, 4, 8, 24, 32}) {
    SCOPED_TRACE(bpp);
    Picture p;
    EXPECT_TRUE(p.LoadFromMemory(Bytes(BitmapFile(16, 14, bpp))));
    EXPECT_EQ(p.Width(), 16);
    EXPECT_EQ(p.Height(), 14);
  }
  Picture topDown;
  EXPECT_TRUE(topDown.LoadFromMemory(Bytes(BitmapFile(5, -3, 24))));
  EXPECT_EQ(topDown.Height(), 3);
}

// A 2 x 1 picture of 16-bit pixels in the 5-6-5 layout (red, then blue), its masks as a file
// with a header of `headerSize` bytes holds them: after a 40-byte header, inside a larger one.
std::string BitfieldsFile(DWORD headerSize) {
  const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
  const DWORD afterHeader = headerSize == sizeof(BITMAPINFOHEADER) ? sizeof masks : 0;
  std::string header(headerSize, '\0');
  BITMAPINFOHEADER ih{};
  ih.biSize = headerSize;
  ih.biWidth = 2;
  ih.biHeight = 1;
  ih.biPlanes = 1;
  ih.biBitCount = 16;
  ih.biCompression = BI_BITFIELDS;
  std::memcpy(&header[0], &ih, sizeof ih);
  if (!afterHeader) std::memcpy(&header[sizeof ih], masks, sizeof masks);
  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = static_cast<DWORD>(sizeof fh + headerSize + afterHeader);
  const WORD pixels[2] = {0xF800, 0x001F};
  fh.bfSize = fh.bfOffBits + sizeof pixels;
  std::string s(reinterpret_cast<char*>(&fh), sizeof fh);
  s += header;
  if (afterHeader) s.append(reinterpret_cast<const char*>(masks), sizeof masks);
  s.append(reinterpret_cast<const char*>(pixels), sizeof pixels);
  return s;
}

// The masks of a V4 or V5 header are the file's own, not bytes past the end of what the system
// is given.
TEST(Picture, BitfieldsTakeTheirMasksFromWhereverTheHeaderKeepsThem) {
  for (DWORD headerSize : {DWORD{40}, DWORD{108}, DWORD{124}}) {
    SCOPED_TRACE(headerSize);
    Picture p;
    ASSERT_TRUE(p.LoadFromMemory(Bytes(BitfieldsFile(headerSize))));
    DWORD px[2] = {};
    ASSERT_TRUE(RenderPixels(p, 2, 1, px));
    EXPECT_EQ(px[0], 0xFF0000u);
    EXPECT_EQ(px[1], 0x0000FFu);
  }
  // A header too short to hold the masks it says it has.
  std::string cut = BitfieldsFile(108);
  cut[sizeof(BITMAPFILEHEADER)] = 44;
  Picture p;
  EXPECT_FALSE(p.LoadFromMemory(Bytes(cut)));
}

TEST(Picture, BrokenFilesGiveAnEmptyPicture) {
  const std::string good = BitmapFile(16, 14, 24);
  std::vector<std::string> bad = {
      "",
      "BM",
      good.substr(0, 20),                  // header cut short
      good.substr(0, good.size() - 1),     // bits cut short
      std::string(200, '\xAB'),            // junk
      BitmapFile(100000, 1, 24).substr(0, 200),  // absurdly wide
      BitmapFile(1, 100000, 24).substr(0, 200),  // absurdly high
      BitmapFile(16, 14, 8, 300),          // more colours than 8 bits hold
      BitmapFile(16, 14, 7),               // no such depth
      BitmapFile(0, 14, 24),
  };
  std::string hugeOffset = good;
  reinterpret_cast<BITMAPFILEHEADER*>(&hugeOffset[0])->bfOffBits = 0x7FFFFFF0;
  bad.push_back(hugeOffset);
  std::string compressed = good;
  reinterpret_cast<BITMAPINFOHEADER*>(&compressed[sizeof(BITMAPFILEHEADER)])->biCompression = BI_RLE8;
  bad.push_back(compressed);
  for (size_t i = 0; i < bad.size(); ++i) {
    SCOPED_TRACE(i);
    Picture p;
    EXPECT_FALSE(p.LoadFromMemory(Bytes(bad[i])));
    EXPECT_TRUE(p.Empty());
  }
  Picture missing;
  missing.LoadFromFile(TempPath("no-such-corvel-picture.bmp"));
  EXPECT_TRUE(missing.Empty());
}

// Damaged bitmaps and JPEG files (a few hundred from a fixed seed; CORVEL_FUZZ_ROUNDS for more)
// never crash or hang the reader: each is refused with a reason and leaves the picture empty, or
// is read whole at a size within bounds and draws.
TEST(Picture, DamagedFilesAreRefusedWithAReasonOrReadWhole) {
  const std::vector<std::string> goods = {BitmapFile(16, 14, 24), BitmapFile(9, -5, 8, 7), BitmapFile(33, 3, 1),
                                          BitmapFile(4, 4, 32),   BitfieldsFile(124),       test::JpegFile(20, 12, RGB(10, 200, 30))};
  const size_t rounds = test::FuzzRounds(60);
  size_t refused = 0, read = 0;
  for (size_t g = 0; g < goods.size(); ++g) {
    for (const std::string& f : test::MutatedFiles(goods[g], rounds, test::FuzzSeed(20261210) + static_cast<unsigned>(g))) {
      Picture p;
      std::string why;
      if (p.LoadFromMemory(Bytes(f), &why)) {
        ++read;
        ASSERT_TRUE(p.Width() > 0 && p.Width() <= 8192 && p.Height() > 0 && p.Height() <= 8192);
        DWORD px[16];
        EXPECT_TRUE(RenderPixels(p, 4, 4, px));
      } else {
        ++refused;
        EXPECT_TRUE(p.Empty());
        EXPECT_FALSE(why.empty());
      }
    }
  }
  std::printf("[ fuzz ] %zu damaged pictures: %zu refused, %zu read\n", refused + read, refused, read);
  EXPECT_GT(refused, 0u);
  EXPECT_GT(read, 0u);
}

TEST(Picture, JpegFilesBecomeBitmapsAndDamagedOnesAreRefusedWithAReason) {
  const std::string good = test::JpegFile(40, 30, RGB(200, 30, 30));
  Picture p;
  std::string why;
  ASSERT_TRUE(p.LoadFromMemory(Bytes(good), &why)) << why;
  EXPECT_EQ(p.Width(), 40);
  EXPECT_EQ(p.Height(), 30);
  // Saved as a real bitmap, read back as one.
  const std::string path = TempPath("corvel-jpeg-test.bmp");
  ASSERT_TRUE(p.SaveToFile(path));
  EXPECT_EQ(test::ReadFileText(path).substr(0, 2), "BM");
  Picture back;
  ASSERT_TRUE(back.LoadFromFile(path));
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(dc, back.Bitmap());
  const COLORREF c = GetPixel(dc, 20, 15);
  SelectObject(dc, old);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  EXPECT_NEAR(GetRValue(c), 200, 8);
  EXPECT_NEAR(GetGValue(c), 30, 8);
  DeleteFileA(path.c_str());

  // A copy is a picture of its own.
  Picture copy;
  copy.CopyFrom(p);
  p.Clear();
  EXPECT_EQ(copy.Width(), 40);

  std::string huge = test::JpegFile(16, 16, RGB(0, 0, 0));
  // The frame header's height and width (SOF0: FF C0, length, precision, height, width).
  const size_t sof = huge.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  huge[sof + 5] = huge[sof + 7] = '\x7F';
  std::string corrupt = good;
  for (size_t i = good.size() / 2; i < good.size() - 2; ++i) corrupt[i] = '\xFF';
  const std::string bad[] = {good.substr(0, 3), good.substr(0, good.size() / 2), huge, corrupt};
  for (const std::string& b : bad) {
    Picture q;
    why.clear();
    EXPECT_FALSE(q.LoadFromMemory(Bytes(b), &why));
    EXPECT_TRUE(q.Empty());
    EXPECT_FALSE(why.empty());
  }
}

TEST(Picture, SavesWhatItReadsAndNothingWhenEmpty) {
  const std::string path = TempPath("corvel-picture-test.bmp");
  DeleteFileA(path.c_str());
  Picture empty;
  EXPECT_TRUE(empty.SaveToFile(path));
  EXPECT_FALSE(test::FileExists(path));

  Picture p;
  ASSERT_TRUE(p.LoadFromMemory(Bytes(BitmapFile(16, 14, 24))));
  ASSERT_TRUE(p.SaveToFile(path));
  Picture back;
  back.LoadFromFile(path);
  ASSERT_FALSE(back.Empty());
  EXPECT_EQ(back.Width(), 16);
  EXPECT_EQ(back.Height(), 14);
  // Same pixels both ways.
  HDC screen = GetDC(nullptr);
  HDC a = CreateCompatibleDC(screen), b = CreateCompatibleDC(screen);
  HGDIOBJ oa = SelectObject(a, p.Bitmap()), ob = SelectObject(b, back.Bitmap());
  for (int y = 0; y < 14; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(GetPixel(a, x, y), GetPixel(b, x, y)) << x << "," << y;
  SelectObject(a, oa);
  SelectObject(b, ob);
  DeleteDC(a);
  DeleteDC(b);
  ReleaseDC(nullptr, screen);
  DeleteFileA(path.c_str());
}

// A picture keeps its bitmap selected for drawing; whatever is done with the bitmap after a
// draw, the next draw shows what the picture holds then.
TEST(Picture, DrawsWhatItHoldsNowAfterItsBitmapWasReplacedOrLentOut) {
  const auto red = [](const Picture& p) {
    DWORD px[4 * 4] = {};
    EXPECT_TRUE(RenderPixels(p, 4, 4, px));
    return static_cast<int>((px[5] >> 16) & 0xFF);
  };
  Picture p;
  ASSERT_TRUE(p.LoadFromMemory(Bytes(test::JpegFile(8, 8, RGB(200, 30, 30)))));
  EXPECT_NEAR(red(p), 200, 8);
  ASSERT_TRUE(p.LoadFromMemory(Bytes(test::JpegFile(8, 8, RGB(30, 30, 200)))));
  EXPECT_NEAR(red(p), 30, 8);

  // Lent out after a draw: copied, read in the caller's DC and saved, then drawn again.
  Picture copy;
  copy.CopyFrom(p);
  ASSERT_FALSE(copy.Empty());
  EXPECT_NEAR(red(copy), 30, 8);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, p.Bitmap());
  ASSERT_NE(old, nullptr);
  EXPECT_NEAR(GetRValue(GetPixel(dc, 4, 4)), 30, 8);
  SelectObject(dc, old);
  DeleteDC(dc);
  const std::string path = TempPath("corvel-lent-picture.bmp");
  EXPECT_TRUE(p.SaveToFile(path));
  DeleteFileA(path.c_str());
  EXPECT_NEAR(red(p), 30, 8);
}

}  // namespace
}  // namespace corvel
