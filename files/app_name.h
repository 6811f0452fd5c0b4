// The application's name, set by its project settings and shown as the
// window caption.
#pragma once

#include "core/basic_string.h"

// The stored name, assigned through this reference. Built empty on first use.
BasicString& qvl_sys_app_name();
