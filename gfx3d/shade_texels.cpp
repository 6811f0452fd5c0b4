#include "gfx3d/shade_texels.h"

#include <cstdlib>
#include <cstring>

#include "gfx3d/mesh_records.h"

GrowVector<uint8_t> qvl_x3d_shade_table(128, 512);

namespace {

constexpr uint8_t kDefaultShades[16] = {100, 160, 160, 160, 160, 160, 160, 207,
                                        255, 255, 255, 255, 255, 255, 255, 255};

int rows_for(int values) {
  if (values < 2) return 1;
  if (values == 2) return 2;
  if (values > 16384) return values;
  int n = 4;
  while (n < values) n *= 2;
  return n;
}

int width_for(int shades) {
  if (4 * shades <= 64) return 64;
  for (int w : {128, 256}) {
    if (w >= 4 * shades) return w;
  }
  return 512;
}

}  // namespace

bool qvl_x3d_shade_table_store(const uint8_t* bytes, int length) {
  const uint8_t single = 255;
  if (length <= 0 || !bytes) {
    bytes = &single;
    length = 1;
  }
  if (!qvl_x3d_shade_table.reserve(length)) return false;
  std::memcpy(qvl_x3d_shade_table.data, bytes, static_cast<size_t>(length));
  qvl_x3d_shade_table.count = length;
  return true;
}

ShadeTexels::~ShadeTexels() { std::free(pixels); }

bool qvl_x3d_shade_texels(const GrowVector<uint32_t>& values, bool bgra, ShadeTexels& out) {
  if (qvl_x3d_shade_table.count == 0 && !qvl_x3d_shade_table_store(kDefaultShades, 16))
    return false;
  const GrowVector<uint8_t>& shades = qvl_x3d_shade_table;
  const int count = values.count > 0 ? values.count : 0;
  const int height = rows_for(count);
  const int width = width_for(shades.count);
  std::free(out.pixels);
  out.pixels = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(width) * height * 4));
  if (!out.pixels) return false;
  out.width = width;
  out.height = height;
  out.step = 1.0f / static_cast<float>(height);
  uint8_t* p = out.pixels;
  for (int r = 0; r < height; ++r) {
    const uint32_t c = r < count ? values[r] : count > 0 ? values[0] : kRunList;
    const uint32_t red = c & 0xFF, green = (c >> 8) & 0xFF, blue = (c >> 16) & 0xFF;
    for (int j = 0; j < width; ++j, p += 4) {
      const uint32_t s = shades[static_cast<int>((static_cast<int64_t>(j) * shades.count) / width)];
      uint8_t rgb[3] = {static_cast<uint8_t>(s), static_cast<uint8_t>(s), static_cast<uint8_t>(s)};
      if (c < kWhiteWords) {
        rgb[0] = static_cast<uint8_t>(red * s / 255);
        rgb[1] = static_cast<uint8_t>(green * s / 255);
        rgb[2] = static_cast<uint8_t>(blue * s / 255);
      }
      p[0] = bgra ? rgb[2] : rgb[0];
      p[1] = rgb[1];
      p[2] = bgra ? rgb[0] : rgb[2];
      p[3] = 255;
    }
  }
  return true;
}
