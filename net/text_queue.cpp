#include "net/text_queue.h"

#include <cstring>

namespace {

// A queue that emptied keeps at most this much room for the next texts;
// the block of a larger backlog goes back to the system.
constexpr size_t kRoomKept = 16 << 10;

}  // namespace

TextQueue::Record TextQueue::record_at(size_t at) const {
  Record r;
  std::memcpy(&r, bytes_.data() + at, sizeof r);
  return r;
}

void TextQueue::push(uint32_t source, uint16_t sender, const uint8_t* text, int length) {
  const Record r{source, sender, static_cast<uint16_t>(length)};
  const auto* head = reinterpret_cast<const uint8_t*>(&r);
  bytes_.insert(bytes_.end(), head, head + sizeof r);
  if (length > 0) bytes_.insert(bytes_.end(), text, text + length);
  ++count_;
  cost_ += cost_of(length);
}

uint16_t TextQueue::front_sender() const { return record_at(start_).sender; }

int TextQueue::front_length() const { return record_at(start_).length; }

const uint8_t* TextQueue::front_text() const { return bytes_.data() + start_ + sizeof(Record); }

int64_t TextQueue::pop() {
  if (count_ == 0) return 0;
  const Record r = record_at(start_);
  start_ += sizeof r + r.length;
  --count_;
  cost_ -= cost_of(r.length);
  if (count_ == 0) {
    clear();
  } else if (start_ >= kRoomKept && start_ * 2 >= bytes_.size()) {
    // What was read is dropped once it is the larger part.
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
  return cost_of(r.length);
}

int64_t TextQueue::purge(uint32_t source) {
  std::vector<uint8_t> kept;
  int64_t freed = 0;
  int count = 0;
  for (size_t at = start_; at < bytes_.size();) {
    const Record r = record_at(at);
    const size_t size = sizeof r + r.length;
    if (r.source == source) {
      freed += cost_of(r.length);
    } else {
      kept.insert(kept.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at),
                  bytes_.begin() + static_cast<std::ptrdiff_t>(at + size));
      ++count;
    }
    at += size;
  }
  if (freed == 0) return 0;
  bytes_.swap(kept);
  start_ = 0;
  count_ = count;
  cost_ -= freed;
  return freed;
}

void TextQueue::add_costs(SourceTally& tally) const {
  for (size_t at = start_; at < bytes_.size();) {
    const Record r = record_at(at);
    tally[r.source] += cost_of(r.length);
    at += sizeof r + r.length;
  }
}

void TextQueue::clear() {
  start_ = 0;
  count_ = 0;
  cost_ = 0;
  if (bytes_.capacity() > kRoomKept) std::vector<uint8_t>().swap(bytes_);
  else bytes_.clear();
}
