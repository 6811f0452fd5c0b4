#include "gfx2d/texture_cache_name.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/temp_folder.h"

const char* qvl_tex_cache_file_name(const OpenGLRainbows* gfx) {
  static char path[1024];
  static bool have_number = false;
  static uint32_t number = 0;
  if (!have_number) {
    number = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(gfx)) +
             static_cast<uint32_t>(std::rand());
    have_number = true;
  }
  // Room for the name behind the longest folder, so it is never cut.
  char folder[1024 - 24];
  qvl_os_temp_folder(folder, sizeof folder);
  std::snprintf(path, sizeof path, "%sqvltxs%x.bin", folder, number);
  return path;
}
