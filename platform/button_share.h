// What the main window tells the hook library in every process about the caption button: the
// windows that carry it and its two pictures at their drawn size. With it the hook draws the
// button in the owner's own thread right after the owner has painted its title bar, so that
// nothing the owner paints later can lie over it. Written by the main window only, read by the
// hook without waiting: a reader that meets a write in progress simply does not draw.
#pragma once
#include <windows.h>
#include "platform/handle_codec.h"

namespace corvel {

constexpr const char kButtonShareName[] = "CorvelButtonShare";
constexpr int kShareWindows = 101;           // the caption-button table's size
constexpr int kShareMaxSide = 48;            // larger buttons are left to the main window
constexpr int kShareMaxPixels = kShareMaxSide * kShareMaxSide;

// One layout for both widths (fixed-size fields only).
struct ButtonShare {
  volatile LONG sequence;  // odd while the main window writes
  LONG count;              // entries of `windows` in use
  LONG pressed;            // 1: draw the pressed picture
  LONG width, height;      // the pictures' size, that of the button rectangle; 0: none drawn
  LONG reserved;
  SharedHandle windows[kShareWindows];
  DWORD up[kShareMaxPixels];    // top-down rows of 0x00RRGGBB
  DWORD down[kShareMaxPixels];
};

// A picture of the share, drawn straight from the mapping (nothing is copied onto the stack of
// the program the hook runs in).
struct SharedPicture {
  LONG width = 0, height = 0;
  const DWORD* pixels = nullptr;
  LONG sequence = 0;  // the write it belongs to: a draw made while it changed is not counted
};

// The mapping of the share: created by the main window, opened for reading by the hook.
class ButtonShareMapping {
 public:
  ButtonShareMapping() = default;
  ~ButtonShareMapping();
  ButtonShareMapping(const ButtonShareMapping&) = delete;
  ButtonShareMapping& operator=(const ButtonShareMapping&) = delete;
  bool Create();
  bool Open();
  ButtonShare* get() const { return view_; }

 private:
  HANDLE mapping_ = nullptr;
  ButtonShare* view_ = nullptr;
};

// The writer's side: every change is made between these two calls.
void BeginShareWrite(ButtonShare& share);
void EndShareWrite(ButtonShare& share);
// A run that was killed while it wrote left the sequence odd, which would have every reader wait
// for ever (and the next write look finished while it runs): made even again.
void RepairShareSequence(ButtonShare& share);
// The reader's side: true and the picture to draw when `window` carries the button now and no
// write was under way.
bool ReadSharedPicture(const ButtonShare& share, HWND window, SharedPicture& out);
// Whether the picture read is still the one of the share (no write began since).
bool SharedPictureStillValid(const ButtonShare& share, const SharedPicture& picture);
// Whether `window` carries the button now (the main window has published it and no write is under
// way); false also while a write is.
bool ShareListsWindow(const ButtonShare& share, HWND window);

}  // namespace corvel
