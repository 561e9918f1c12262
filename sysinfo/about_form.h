// The about box.
#pragma once
#include "platform/modal_form.h"

namespace corvel {

class TAForm : public ModalForm {
 public:
  TAForm() : ModalForm("TAForm", "About Corvel", 411, 237) {}
};

}  // namespace corvel
