// The options dialog.
#pragma once
#include "platform/modal_form.h"

namespace corvel {

class TForm2 : public ModalForm {
 public:
  TForm2() : ModalForm("TForm2", "Options", 669, 407) {}
};

}  // namespace corvel
