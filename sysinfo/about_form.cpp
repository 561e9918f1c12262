#include "sysinfo/about_form.h"
