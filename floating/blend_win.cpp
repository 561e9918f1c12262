#include "floating/blend_win.h"
