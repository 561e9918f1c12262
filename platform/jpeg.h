// JPEG files decoded with libjpeg into the pixels of a bitmap.
#pragma once
#include <string>
#include <vector>

namespace corvel {

struct DecodedImage {
  int width = 0;
  int height = 0;
  // Top-down rows of blue, green, red bytes, each row padded to four bytes.
  std::vector<unsigned char> bgr;
};

// Whether the data begins as a JPEG file does.
bool LooksLikeJpeg(const std::vector<unsigned char>& data);
// Decodes a whole JPEG file of at most `maxSide` pixels each way. A damaged or truncated file, one
// libjpeg warns about, or one larger than that gives false and a reason in `why`.
bool DecodeJpeg(const std::vector<unsigned char>& data, int maxSide, DecodedImage& out, std::string& why);

}  // namespace corvel
