// Sanitizer settings for this GL test program.
#include "platform/gl_leak_suppressions.h"
