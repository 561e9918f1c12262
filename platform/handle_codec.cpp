#include "platform/handle_codec.h"
#include <cstdio>

namespace corvel {

namespace {
constexpr size_t kNarrowDigits = 8;
constexpr size_t kWideDigits = 16;
constexpr size_t kOwnDigits = sizeof(void*) * 2;

bool ParseHex(const std::string& s, std::uint64_t& out) {
  out = 0;
  for (char c : s) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else return false;
    out = (out << 4) | static_cast<std::uint64_t>(v);
  }
  return true;
}

// A 32-bit handle as a 64-bit process sees it: sign-extended.
std::uint64_t Widen32(std::uint64_t v) {
  return static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(v))));
}
}  // namespace

std::string FormatHandle(HWND window) {
  char text[kWideDigits + 1];
  std::snprintf(text, sizeof text, "%0*llX", static_cast<int>(kOwnDigits),
                static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
  return text;
}

bool ParseHandle(const std::string& digits, HWND& window) {
  std::uint64_t v = 0;
  if ((digits.size() != kNarrowDigits && digits.size() != kWideDigits) || !ParseHex(digits, v)) return false;
  if (digits.size() == kNarrowDigits) v = Widen32(v);
  // A 64-bit handle in the 32-bit build: only one that is a widened 32-bit handle.
  if (sizeof(std::uintptr_t) < sizeof v && Widen32(v) != v) return false;
  window = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(v));
  return true;
}

}  // namespace corvel
