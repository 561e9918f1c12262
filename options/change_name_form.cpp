#include "options/change_name_form.h"
