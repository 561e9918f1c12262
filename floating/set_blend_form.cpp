#include "floating/set_blend_form.h"

namespace corvel {

void TSetBlendForm::FloatingWindowGone(const TBlendWin* window) {
  if (!window || window != FloatingWindow) return;
  FloatingWindow = nullptr;
  FloatingWindowHandle = nullptr;
  CloseModal();
}

}  // namespace corvel
