// Window handles on their way through posted messages, files and memory shared between
// processes. A handle is pointer-wide: 32 bits in the i686 build, 64 in the x86_64 one, and
// nothing on the way may cut it to 32 bits or sign-extend it.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>

namespace corvel {

// lParam and wParam are pointer-wide on both widths.
inline LPARAM WindowToParam(HWND window) { return reinterpret_cast<LPARAM>(window); }
inline HWND ParamToWindow(LPARAM param) { return reinterpret_cast<HWND>(param); }

// Identifier of a window's tray icon: NOTIFYICONDATA's uID is 32 bits on both widths. Windows
// keeps the significant part of every window handle in its low 32 bits, so two live windows
// never share one.
inline UINT TrayIconId(HWND window) { return static_cast<UINT>(reinterpret_cast<UINT_PTR>(window)); }

// Text form: as many hexadecimal digits as the build's pointers have (8 or 16), upper case.
std::string FormatHandle(HWND window);
// Reads 8 or 16 hexadecimal digits, so a file written by either build reads in the other:
// 8 digits from the 32-bit build are widened as Windows widens a 32-bit handle (sign-extended);
// 16 digits read in the 32-bit build only when they are such a widened 32-bit handle.
bool ParseHandle(const std::string& digits, HWND& window);

// A handle in memory that processes of both widths may map: always 64 bits wide.
struct SharedHandle {
  volatile std::uint64_t bits;
  // Sign-extended, as Windows widens a 32-bit handle and as the journal reads one.
  void Store(HWND window) {
    bits = static_cast<std::uint64_t>(static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(window)));
  }
  HWND Load() const { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(bits)); }
};
static_assert(sizeof(SharedHandle) == 8, "one layout for both widths");

}  // namespace corvel
