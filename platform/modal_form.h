// A dialog-like top-level form that is created hidden at start-up, shown modally on demand and
// hidden again when its modal loop ends.
#pragma once
#include <string>
#include "platform/window.h"

namespace corvel {

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

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept override;
  virtual void FormShow() {}

 private:
  const char* className_;
  std::string caption_;
  int clientWidth_;
  int clientHeight_;
  HWND owner_ = nullptr;
  bool modal_ = false;
};

}  // namespace corvel
