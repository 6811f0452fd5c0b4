// Leak-check settings for programs that open SDL windows and GL contexts
// (the player, tools and test programs). Include in exactly one file of such
// a program; outside AddressSanitizer builds it adds nothing.
//
// The GL driver and SDL's video back ends keep allocations of their own for
// the life of the process; they are suppressed by library, never our code.
// The driver is unloaded when the last context goes, and a leak report
// cannot name the library of an unloaded module, so the libraries that
// allocate are kept loaded for the life of the process.
#pragma once

#if defined(__SANITIZE_ADDRESS__)

#include <dlfcn.h>

extern "C" const char* __lsan_default_suppressions() {
  return "leak:libGLdispatch.so\n"
         "leak:libGLX_mesa.so\n"
         "leak:libEGL_mesa.so\n"
         "leak:libLLVM\n"
         "leak:_dri.so\n"
         "leak:libSDL2-2.0.so\n"
         "leak:libX11.so\n"
         "leak:libxcb\n"
         "leak:libdbus-1.so\n";
}

// The sanitizer runtime's own record of the dynamic TLS blocks that
// __tls_get_addr hands out can hold garbage for the driver's modules (a
// block "at 0xde7" of some hundred gigabytes was seen), and the leak check
// then crashes while it scans the threads. Without that record the blocks
// are still found: they are heap blocks reached from each thread's DTV.
extern "C" const char* __asan_default_options() { return "intercept_tls_get_addr=0"; }

namespace qvl_gl_sanitizer {

__attribute__((constructor)) inline void keep_gl_libraries_loaded() {
  const char* libs[] = {"libEGL_mesa.so.0", "libGLX_mesa.so.0",
                        "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"};
  for (const char* lib : libs) dlopen(lib, RTLD_LAZY | RTLD_NODELETE);
}

}  // namespace qvl_gl_sanitizer

#endif  // __SANITIZE_ADDRESS__
