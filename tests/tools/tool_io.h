// What the test and benchmark tools share: they read one command a line and answer one line.
// Numbers are decimal or "0x" hexadecimal; handles are read and written at full pointer width.
#pragma once
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace corvel::tool {

inline unsigned long long Num(const std::string& s) { return std::strtoull(s.c_str(), nullptr, 0); }
inline HWND H(const std::string& s) { return reinterpret_cast<HWND>(static_cast<UINT_PTR>(Num(s))); }

inline void Reply(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

inline std::string Hex(UINT_PTR v) {
  char b[24];
  std::snprintf(b, sizeof b, "0x%llx", static_cast<unsigned long long>(v));
  return b;
}
inline std::string Hex(const void* p) { return Hex(reinterpret_cast<UINT_PTR>(p)); }

}  // namespace corvel::tool
