// The texts waiting for one of this machine's players until its program
// reads them, oldest first. They lie one after another in one block, each
// a small record (where it came from, its sender, its length) and its
// bytes, so a text costs its length and a few bytes, not a packet's room.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/source_tally.h"

class TextQueue {
 public:
  // What a waiting text is counted as besides its bytes: its record and
  // some of the block's slack.
  static constexpr int kTextCost = 16;

  static int64_t cost_of(int length) { return length + kTextCost; }

  void push(uint32_t source, uint16_t sender, const uint8_t* text, int length);
  bool empty() const { return count_ == 0; }
  int count() const { return count_; }
  // The sum of cost_of over the waiting texts.
  int64_t cost() const { return cost_; }

  // The oldest text; only when not empty.
  uint16_t front_sender() const;
  int front_length() const;
  const uint8_t* front_text() const;
  // Takes the oldest text out; its cost.
  int64_t pop();

  // Drops every text from the source; the cost freed.
  int64_t purge(uint32_t source);
  // Adds each source's cost to tally.
  void add_costs(SourceTally& tally) const;
  void clear();

 private:
  struct Record {
    uint32_t source;
    uint16_t sender;
    uint16_t length;
  };
  Record record_at(size_t at) const;

  std::vector<uint8_t> bytes_;
  size_t start_ = 0;
  int count_ = 0;
  int64_t cost_ = 0;
};
