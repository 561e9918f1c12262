#include "floating/set_blend_form.h"
