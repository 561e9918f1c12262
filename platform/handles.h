// Non-copyable owners for every kind of Win32 handle the program creates.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <utility>

namespace corvel {

template <typename Handle, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() noexcept = default;
  explicit UniqueHandle(Handle h) noexcept : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  Handle get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return h_ != Traits::invalid(); }
  Handle release() noexcept { return std::exchange(h_, Traits::invalid()); }
  void reset(Handle h = Traits::invalid()) noexcept {
    if (h_ != Traits::invalid()) Traits::close(h_);
    h_ = h;
  }

 private:
  Handle h_ = Traits::invalid();
};

struct IconTraits {
  static HICON invalid() { return nullptr; }
  static void close(HICON h) { DestroyIcon(h); }
};
template <typename T>
struct GdiTraits {
  static T invalid() { return nullptr; }
  static void close(T h) { DeleteObject(h); }
};
struct MemoryDcTraits {
  static HDC invalid() { return nullptr; }
  static void close(HDC h) { DeleteDC(h); }
};
struct MenuTraits {
  static HMENU invalid() { return nullptr; }
  static void close(HMENU h) { DestroyMenu(h); }
};
struct LibraryTraits {
  static HMODULE invalid() { return nullptr; }
  static void close(HMODULE h) { FreeLibrary(h); }
};
// Events, mutexes, processes: NULL when the call failed.
struct KernelTraits {
  static HANDLE invalid() { return nullptr; }
  static void close(HANDLE h) { CloseHandle(h); }
};
// Files and snapshots: INVALID_HANDLE_VALUE when the call failed.
struct FileTraits {
  static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
  static void close(HANDLE h) { CloseHandle(h); }
};
struct ImageListTraits {
  static HIMAGELIST invalid() { return nullptr; }
  static void close(HIMAGELIST h);
};
struct WindowsHookTraits {
  static HHOOK invalid() { return nullptr; }
  static void close(HHOOK h) { UnhookWindowsHookEx(h); }
};
// UnhookWinEvent is looked up at run time: Windows 95 has none (see platform/win_event_hook.h).
struct WinEventHookTraits {
  static HWINEVENTHOOK invalid() { return nullptr; }
  static void close(HWINEVENTHOOK h);
};

using IconHandle = UniqueHandle<HICON, IconTraits>;
using BitmapHandle = UniqueHandle<HBITMAP, GdiTraits<HBITMAP>>;
using FontHandle = UniqueHandle<HFONT, GdiTraits<HFONT>>;
using PenHandle = UniqueHandle<HPEN, GdiTraits<HPEN>>;
using BrushHandle = UniqueHandle<HBRUSH, GdiTraits<HBRUSH>>;
using MemoryDc = UniqueHandle<HDC, MemoryDcTraits>;
using MenuHandle = UniqueHandle<HMENU, MenuTraits>;
using LibraryHandle = UniqueHandle<HMODULE, LibraryTraits>;
using KernelHandle = UniqueHandle<HANDLE, KernelTraits>;
using FileHandle = UniqueHandle<HANDLE, FileTraits>;
using ImageListHandle = UniqueHandle<HIMAGELIST, ImageListTraits>;
using WindowsHookHandle = UniqueHandle<HHOOK, WindowsHookTraits>;
using WinEventHookHandle = UniqueHandle<HWINEVENTHOOK, WinEventHookTraits>;

// A function of a system library looked up at run time (not every system has it): null where
// the library or the function is missing.
template <typename Fn>
Fn ModuleFunction(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// A window's device context from GetDC/GetWindowDC, released to the same window.
class WindowDc {
 public:
  enum Kind { Client, Whole };
  WindowDc(HWND hwnd, Kind kind) noexcept
      : hwnd_(hwnd), dc_(kind == Whole ? GetWindowDC(hwnd) : GetDC(hwnd)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(hwnd_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const noexcept { return dc_; }
  explicit operator bool() const noexcept { return dc_ != nullptr; }

 private:
  HWND hwnd_;
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back. Declare it after the object
// it selects, so that it is destroyed first.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ obj) noexcept : dc_(dc), old_(dc && obj ? SelectObject(dc, obj) : nullptr) {}
  ~SelectGuard() {
    if (old_) SelectObject(dc_, old_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;
  // False when the object could not be selected (a bitmap selected into another DC).
  explicit operator bool() const noexcept { return old_ != nullptr; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A memory DC compatible with the screen.
MemoryDc CreateScreenCompatibleDc() noexcept;
// A device-dependent bitmap of the screen's format.
BitmapHandle CreateScreenBitmap(int width, int height) noexcept;

}  // namespace corvel
