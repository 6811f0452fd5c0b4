// Whole pictures of the GL frame, read back and compared channel by
// channel, for tests that draw the same scene two ways.
#pragma once

#include <GL/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace qvl_test {

// The w x h frame as 0xAABBGGRR, bottom row first (after what the caller
// has flushed); glFinish first.
inline std::vector<uint32_t> read_frame(int w, int h) {
  glFinish();
  std::vector<uint32_t> pixels(size_t(w) * size_t(h));
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

// The pixels of two frames whose red, green or blue differ by more than
// `tolerance`: how many, the largest difference anywhere, and the first
// few as "(x, y) aaaaaa / bbbbbb" with y counted from the top.
struct FrameDifference {
  int pixels = 0;
  int worst = 0;
  std::string first;
};

inline FrameDifference compare_frames(const std::vector<uint32_t>& a,
                                      const std::vector<uint32_t>& b, int w, int h,
                                      int tolerance) {
  FrameDifference d;
  std::ostringstream first;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    int most = 0;
    for (int shift : {0, 8, 16})
      most = std::max(most, std::abs(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF)));
    d.worst = std::max(d.worst, most);
    if (most <= tolerance) continue;
    if (++d.pixels <= 8)
      first << " (" << int(i % size_t(w)) << ", " << h - 1 - int(i / size_t(w)) << ") "
            << std::hex << (a[i] & 0xFFFFFF) << " / " << (b[i] & 0xFFFFFF) << std::dec;
  }
  d.first = first.str();
  return d;
}

}  // namespace qvl_test
