#include "gfx3d/position_hash.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr int64_t kNanCell = INT64_MIN;

int64_t saturate(double cell) {
  if (std::isnan(cell)) return kNanCell;
  if (cell >= 9.2e18) return INT64_MAX;
  if (cell <= -9.2e18) return INT64_MIN + 1;  // apart from NaN's cell
  return static_cast<int64_t>(cell);
}

uint64_t mix(uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  return h;
}

}  // namespace

int64_t qvl_grid_round(double v, double scale) { return saturate(std::nearbyint(v * scale)); }
int64_t qvl_grid_floor(double v, double scale) { return saturate(std::floor(v * scale)); }

PositionHash::~PositionHash() { std::free(slots_); }

bool PositionHash::reset(int64_t expected) {
  used_ = 0;
  failed_ = false;
  size_t size = 256;
  while (static_cast<int64_t>(size) < expected * 2 && size < (size_t{1} << 30)) size *= 2;
  if (!slots_ || size > mask_ + 1) {
    std::free(slots_);
    slots_ = static_cast<Slot*>(std::malloc(size * sizeof(Slot)));
    mask_ = slots_ ? size - 1 : 0;
    if (!slots_) {
      failed_ = true;
      return false;
    }
  }
  for (size_t i = 0; i <= mask_; ++i) slots_[i].index = -1;
  return true;
}

bool PositionHash::grow() {
  const size_t size = (mask_ + 1) * 2;
  Slot* fresh = static_cast<Slot*>(std::malloc(size * sizeof(Slot)));
  if (!fresh) return false;
  Slot* old = slots_;
  const size_t old_size = mask_ + 1;
  slots_ = fresh;
  mask_ = size - 1;
  for (size_t i = 0; i < size; ++i) slots_[i].index = -1;
  for (size_t i = 0; i < old_size; ++i) {
    if (old[i].index < 0) continue;
    size_t j = slot_of(old[i].key);
    while (slots_[j].index >= 0) j = (j + 1) & mask_;
    slots_[j] = old[i];
  }
  std::free(old);
  return true;
}

size_t PositionHash::slot_of(const GridKey& key) const {
  uint64_t h = mix(static_cast<uint64_t>(key.x) * 0x9E3779B97F4A7C15ULL ^
                   mix(static_cast<uint64_t>(key.y) + 0x632BE59BD9B4E019ULL) ^
                   (static_cast<uint64_t>(key.z) * 0xC2B2AE3D27D4EB4FULL));
  return static_cast<size_t>(h) & mask_;
}

int32_t PositionHash::find(const GridKey& key) const {
  if (!slots_) return -1;
  for (size_t i = slot_of(key);; i = (i + 1) & mask_) {
    const Slot& s = slots_[i];
    if (s.index < 0) return -1;
    if (s.key == key) return s.index;
  }
}

int32_t PositionHash::find_or_insert(const GridKey& key, int32_t index) {
  if (!slots_) {
    failed_ = true;
    return -1;
  }
  for (size_t i = slot_of(key);; i = (i + 1) & mask_) {
    Slot& s = slots_[i];
    if (s.index >= 0) {
      if (s.key == key) return s.index;
      continue;
    }
    // At half full the table doubles before it takes the key.
    if ((used_ + 1) * 2 > mask_ + 1) {
      if (!grow()) {
        failed_ = true;
        return -1;
      }
      return find_or_insert(key, index);
    }
    s.key = key;
    s.index = index;
    ++used_;
    return -1;
  }
}
