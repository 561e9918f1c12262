// Where the caption button sits in a title bar, shared by the main window and Hooks.dll (which
// must swallow a press on the button before the window starts moving).
#pragma once
#include <windows.h>

namespace corvel {

struct FrameMetrics {
  int cxSize, cySize, cxFrame, cyFrame;
};

inline FrameMetrics SystemFrameMetrics() {
  return {GetSystemMetrics(SM_CXSIZE), GetSystemMetrics(SM_CYSIZE), GetSystemMetrics(SM_CXFRAME),
          GetSystemMetrics(SM_CYFRAME)};
}

namespace caption_geometry {
constexpr int kTopInset = 2;
constexpr int kWidthInset = 2;
constexpr int kHeightInset = 4;
constexpr int kProgramButtonSlot = 4;  // a fourth title-bar button, left of minimize
constexpr int kMinimizeButtonSlot = 3;

inline RECT SlotRect(int windowWidth, const FrameMetrics& m, int slot) {
  RECT r;
  r.left = windowWidth - m.cxFrame - slot * m.cxSize;
  r.top = m.cyFrame + kTopInset;
  r.right = r.left + m.cxSize - kWidthInset;
  r.bottom = r.top + m.cySize - kHeightInset;
  return r;
}
}  // namespace caption_geometry

// The button's rectangle relative to the window's top-left corner, for a window W pixels wide.
inline RECT ProgramButtonRect(int windowWidth, const FrameMetrics& m) {
  return caption_geometry::SlotRect(windowWidth, m, caption_geometry::kProgramButtonSlot);
}

// The window's own minimize button.
inline RECT MinimizeButtonRect(int windowWidth, const FrameMetrics& m) {
  return caption_geometry::SlotRect(windowWidth, m, caption_geometry::kMinimizeButtonSlot);
}

// Strict test of a point relative to the window against the button (0x40A, 0x40B).
inline bool HitsButtonStrict(const RECT& b, POINT p) {
  return b.left < p.x && p.x < b.right && b.top < p.y && p.y < b.bottom;
}

// Inclusive test against the minimize button (0x412).
inline bool HitsButtonInclusive(const RECT& b, POINT p) {
  return b.left <= p.x && p.x <= b.right && b.top <= p.y && p.y <= b.bottom;
}

}  // namespace corvel
