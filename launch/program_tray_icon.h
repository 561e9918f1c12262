// The program's own tray icon, with a hidden window of its own.
#pragma once
#include <functional>
#include "platform/window.h"

namespace corvel {

class TRxTrayIcon : public Window {
 public:
  enum class Button { Left, Right, Middle };
  // Click: a left release after a left press, or a right click that found no menu to pop up.
  std::function<void(Button, int x, int y)> OnClick;
  // A right click pops this up; empty: the right click raises OnClick instead.
  std::function<void(int x, int y)> PopupMenu;

  TRxTrayIcon();
  ~TRxTrayIcon() override;
  bool CreateIconWindow();
  // Adds the icon to the tray (again after a shell restart).
  void Show();
  void Hide();
  bool Shown() const { return shown_; }
  HICON Icon() const { return icon_; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept override;

 private:
  void RightClick();
  HICON icon_ = nullptr;
  bool shown_ = false;
  bool leftPressed_ = false;
  bool rightPressed_ = false;
};

}  // namespace corvel
