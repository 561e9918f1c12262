#include "options/options_form.h"
