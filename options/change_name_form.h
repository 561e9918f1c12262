// The "Edit name" dialog of the Quick run page.
#pragma once
#include "platform/modal_form.h"

namespace corvel {

class TChangeNameForm : public ModalForm {
 public:
  TChangeNameForm() : ModalForm("TChangeNameForm", "ChangeNameForm", 261, 119) {}
};

}  // namespace corvel
