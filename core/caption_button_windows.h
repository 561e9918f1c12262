// The caption button as a small window of Corvel's own over another window's title bar, left of
// its minimize button, instead of pixels drawn into the other program: no code of Corvel's runs
// there, so programs of either width and of any rights get it alike, and it shows where the
// desktop window manager draws title bars in its own process. It is put just above the window it
// serves, and hidden, moved and destroyed with it, at each WinEvent the window's changes raise.
#pragma once
#include <windows.h>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>
#include "platform/layered.h"
#include "platform/picture.h"
#include "platform/window.h"

namespace corvel {

// The longest the user-interface thread waits for a window to tell where its buttons are.
constexpr UINT kCaptionQueryTimeoutMs = 100;

// Whether the window's styles and state allow a system-drawn title bar with a minimize button.
bool MayShowSystemCaption(HWND window);
// Whether `window` is full-screen as Windows means it: it covers its monitor and is not a
// maximized window with a title bar (which keeps its title bar wherever the task bar is).
bool FullScreen(HWND window);
// Whether `window` shows a title bar the system draws, with a minimize button, now: not
// minimized, hidden or full-screen, not a tool window, not one that draws its own title bar (its
// client area reaches into the caption). `minimize`: its minimize button on the screen.
bool ShowsSystemCaption(HWND window, const RECT& minimize);

// What a window was like when it was asked where its buttons are: while a move changes nothing
// of it, the button keeps its place relative to the window's rectangle.
struct WindowShape {
  RECT rect{};
  LONG style = 0;
  LONG exStyle = 0;
  bool zoomed = false;
  UINT dpi = 0;
};
WindowShape ShapeOf(HWND window);
// Whether `now` is `then` moved, and nothing else.
bool OnlyMoved(const WindowShape& then, const WindowShape& now);

// Whether the button is shown by windows of its own, for the CaptionButton setting and the system
// (automatic: from Vista on, where the desktop window manager draws the title bars).
bool ButtonWindowsFor(uint8_t captionButton, int osCode);

class CaptionButtonWindow : public Window {
 public:
  CaptionButtonWindow(HWND target, HWND main) : target_(target), main_(main) {}
  ~CaptionButtonWindow() override;
  // Created hidden; false when the target is gone.
  bool Create(const LayeredAttributes& layered);
  // Shows `picture` over `screen`, without taking the focus or changing the Z order; `shape`:
  // the window's, when its buttons were found there.
  void Show(const RECT& screen, const Picture* picture, const WindowShape& shape);
  // Moves the shown button along with its window, which has moved to `shape`: one SetWindowPos,
  // no repaint (the picture is the same).
  void MoveWith(const WindowShape& shape);
  void Hide();
  bool Shown() const { return hwnd() && IsWindowVisible(hwnd()); }
  const RECT& Place() const { return place_; }
  const WindowShape& Shape() const { return shape_; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept override;

 private:
  void Paint();
  // kPointOnButton or kPointOffButton for a mouse message's client point.
  WPARAM Where(LPARAM clientPoint) const noexcept;
  HWND target_;
  HWND main_;
  const Picture* picture_ = nullptr;
  RECT place_{};
  WindowShape shape_;
};

class CaptionButtonWindows {
 public:
  // Presses and releases go to `main` as the hook library reports them (HM_BUTTONDOWN and UP).
  CaptionButtonWindows(HWND main, const LayeredAttributes& layered) : main_(main), layered_(layered) {}
  void SetMain(HWND main) { main_ = main; }
  // Shows the button of `target` with `picture` where the target's own buttons say, or hides it
  // where the target shows no system-drawn title bar now. The button's place on the screen;
  // empty when it is not shown.
  RECT Update(HWND target, const Picture* picture);
  // After `target` moved: true when its shown button only had to move along (nothing else of
  // the window changed), without asking the window anything; false when it needs an Update.
  bool Follow(HWND target);
  void Hide(HWND target);
  // A cloaked window (another virtual desktop) shows no button until it is uncloaked.
  void SetCloaked(HWND target, bool cloaked);
  // Asks the system whether a window is cloaked (a seam: the tests answer for the system).
  std::function<bool(HWND)> CloakQuery;
  void Remove(HWND target);
  // Every button window but those of `targets` goes.
  void KeepOnly(const std::vector<HWND>& targets);
  void Clear() { windows_.clear(); }
  // Whether the screen point is on the shown button of `target`.
  bool Hits(HWND target, POINT screen) const;
  // The button window of `target`, if it has one.
  HWND ButtonOf(HWND target) const;
  size_t Count() const { return windows_.size(); }

 private:
  bool Cloaked(HWND target) const;
  HWND main_;
  const LayeredAttributes& layered_;
  std::map<HWND, std::unique_ptr<CaptionButtonWindow>> windows_;
  std::set<HWND> cloaked_;  // as the windows' events said
};

}  // namespace corvel
