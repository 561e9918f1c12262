// A dialog-like top-level form that is created hidden at start-up, shown modally on demand and
// hidden again when its modal loop ends.
#pragma once
#include <string>
#include <vector>
#include "platform/controls.h"
#include "platform/window.h"

namespace corvel {

// A window of this thread that serves other programs (a caption button over their title bars)
// and so takes input while a form of this program is modal; `stays` false before it goes.
void StayEnabledWhileModal(HWND window, bool stays = true);

class ModalForm : public Window {
 public:
  ModalForm(const char* className, std::string caption, int clientWidth, int clientHeight);
  bool CreateForm(HWND owner);
  bool Visible() const;
  // Centres the form on the desktop, shows it modally and hides it when the loop ends.
  // Nothing happens when it is already visible.
  void ShowModalOnce();
  // Ends the modal loop.
  void CloseModal();
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  // The form's font (MS Sans Serif 8 pt), which its controls take when they are created.
  HFONT Font() const noexcept { return font_.get(); }
  // Handlers of the form's controls, consulted before the form's own messages.
  ControlEvents& Events() noexcept { return events_; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept override;
  // Runs each time before the form is shown.
  virtual void FormShow() {}
  // Runs each time the modal loop has ended, before the form is hidden.
  virtual void FormClose() {}
  // The DPI the form is laid out at now.
  UINT Dpi() const noexcept { return dpi_; }

 private:
  void DpiChanged(UINT dpi, const RECT& suggested);

  const char* className_;
  std::string caption_;
  int clientWidth_;
  int clientHeight_;
  HWND owner_ = nullptr;
  bool modal_ = false;
  FontHandle font_;
  UINT dpi_ = kLayoutDpi;
  // Fonts made when the form moved to a monitor of another DPI (its controls use them).
  std::vector<FontHandle> rescaledFonts_;
  ControlEvents events_;
};

}  // namespace corvel
