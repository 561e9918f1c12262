// The transparency and colour dialog of the floating windows.
#pragma once
#include "platform/modal_form.h"

namespace corvel {

class TSetBlendForm : public ModalForm {
 public:
  TSetBlendForm() : ModalForm("TSetBlendForm", "Transparency and color", 222, 214) {}
};

}  // namespace corvel
