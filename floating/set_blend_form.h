// The transparency and colour dialog of the floating windows.
#pragma once
#include "platform/modal_form.h"

namespace corvel {

class TBlendWin;

class TSetBlendForm : public ModalForm {
 public:
  TSetBlendForm() : ModalForm("TSetBlendForm", "Transparency and color", 222, 214) {}

  // The floating window being edited; set by the caller before each showing.
  HWND FloatingWindowHandle = nullptr;
  TBlendWin* FloatingWindow = nullptr;

  // The floating window goes: nothing refers to it any more, and the dialog closes if it edits it.
  void FloatingWindowGone(const TBlendWin* window);
};

}  // namespace corvel
