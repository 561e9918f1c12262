#include "platform/jpeg.h"
#include <windows.h>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>

namespace corvel {

namespace {

constexpr unsigned char kJpegMagic[] = {0xFF, 0xD8, 0xFF};
// 48 MB of pixels at most, whatever the sides.
constexpr unsigned long long kMaxPixels = 16ull << 20;

// libjpeg reports fatal errors through error_exit, which must not return: it jumps back to the
// decoder's one setjmp. Warnings (corrupt or missing data) are counted and fail the decode too.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

void EmitMessage(j_common_ptr info, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  if (level < 0 && err->pub.num_warnings++ == 0) (*info->err->format_message)(info, err->message);
}

void OutputMessage(j_common_ptr) {}

// Only plain data lives in this frame across the jump.
bool Decode(const std::vector<unsigned char>& data, int maxSide, DecodedImage& out, char* why, size_t whySize) {
  jpeg_decompress_struct info;
  ErrorManager err;
  std::memset(&err, 0, sizeof err);
  info.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.emit_message = EmitMessage;
  err.pub.output_message = OutputMessage;
  if (setjmp(err.jump)) {
    std::snprintf(why, whySize, "it is damaged (%s)", err.message);
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&info, TRUE);
  if (info.image_width == 0 || info.image_height == 0 || info.image_width > static_cast<JDIMENSION>(maxSide) ||
      info.image_height > static_cast<JDIMENSION>(maxSide) ||
      static_cast<unsigned long long>(info.image_width) * info.image_height > kMaxPixels) {
    std::snprintf(why, whySize, "it is %u x %u pixels, too large to be read", info.image_width,
                  info.image_height);
    jpeg_destroy_decompress(&info);
    return false;
  }
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  const size_t row = ((static_cast<size_t>(info.output_width) * 3 + 3) / 4) * 4;
  out.width = static_cast<int>(info.output_width);
  out.height = static_cast<int>(info.output_height);
  out.bgr.assign(row * info.output_height, 0);
  while (info.output_scanline < info.output_height) {
    JSAMPROW line = out.bgr.data() + row * info.output_scanline;
    jpeg_read_scanlines(&info, &line, 1);
  }
  jpeg_finish_decompress(&info);
  const long warnings = err.pub.num_warnings;
  jpeg_destroy_decompress(&info);
  if (warnings > 0) {
    std::snprintf(why, whySize, "it is damaged or cut short (%s)", err.message);
    return false;
  }
  return true;
}

}  // namespace

bool LooksLikeJpeg(const std::vector<unsigned char>& data) {
  return data.size() >= sizeof kJpegMagic && std::memcmp(data.data(), kJpegMagic, sizeof kJpegMagic) == 0;
}

bool DecodeJpeg(const std::vector<unsigned char>& data, int maxSide, DecodedImage& out, std::string& why) {
  char reason[JMSG_LENGTH_MAX + 64] = {};
  out = DecodedImage();
  if (Decode(data, maxSide, out, reason, sizeof reason)) return true;
  out = DecodedImage();
  why = reason;
  return false;
}

}  // namespace corvel
