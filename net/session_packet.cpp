#include "net/session_packet.h"

#include <cstring>
#include <utility>

namespace {

void put_u16(uint8_t* at, uint16_t v) {
  at[0] = static_cast<uint8_t>(v);
  at[1] = static_cast<uint8_t>(v >> 8);
}

uint16_t get_u16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

}  // namespace

NetPacket qvl_net_packet(uint8_t type, uint16_t target, uint16_t sender) {
  NetPacket p;
  p.type = type;
  p.length = 0;
  p.target = target;
  p.sender = sender;
  p.payload[0] = 0;
  return p;
}

void qvl_net_packet_set_payload(NetPacket& packet, const void* bytes, int length) {
  if (length < 0) length = 0;
  if (length > kPacketMaxPayload) length = kPacketMaxPayload;
  if (length > 0) std::memcpy(packet.payload, bytes, static_cast<size_t>(length));
  packet.payload[length] = 0;
  packet.length = static_cast<uint16_t>(length);
}

uint16_t qvl_net_packet_u16(const NetPacket& packet) {
  return packet.length >= 2 ? get_u16(packet.payload) : 0;
}

void qvl_net_packet_set_u16(NetPacket& packet, uint16_t value) {
  uint8_t bytes[2];
  put_u16(bytes, value);
  qvl_net_packet_set_payload(packet, bytes, 2);
}

int qvl_net_packet_encode(const NetPacket& packet, uint8_t* out) {
  int length = packet.length > kPacketMaxPayload ? kPacketMaxPayload : packet.length;
  out[0] = packet.type;
  put_u16(out + 1, static_cast<uint16_t>(length));
  put_u16(out + 3, packet.target);
  put_u16(out + 5, packet.sender);
  std::memcpy(out + kPacketHeaderSize, packet.payload, static_cast<size_t>(length));
  return kPacketHeaderSize + length;
}

void qvl_net_packet_decode_header(const uint8_t* in, NetPacket& packet) {
  packet.type = in[0];
  packet.length = get_u16(in + 1);
  packet.target = get_u16(in + 3);
  packet.sender = get_u16(in + 5);
}

void qvl_net_copy_name(char name[kPlayerNameRoom], const char* text) {
  std::memset(name, 0, kPlayerNameRoom);
  if (text) std::strncpy(name, text, kPlayerNameRoom - 1);
}

void qvl_net_announcement_encode(uint8_t query, const char* name,
                                 uint8_t out[kAnnouncementSize]) {
  std::memset(out, 0, kAnnouncementSize);
  std::memset(out, 0xFF, 4);  // slot -1: a local player
  put_u16(out + 4, kPlayerIdUnannounced);
  out[6] = query;
  out[7] = 0;
  qvl_net_copy_name(reinterpret_cast<char*>(out + 8), name);
}

bool qvl_net_announcement_decode(const NetPacket& packet, uint8_t* query,
                                 char name[kPlayerNameRoom]) {
  if (packet.length < kAnnouncementSize) return false;
  *query = packet.payload[6];
  std::memcpy(name, packet.payload + 8, kPlayerNameRoom - 1);
  name[kPlayerNameRoom - 1] = 0;
  return true;
}

// --- Reassembly ----------------------------------------------------------------

uint8_t* PacketAssembler::space() {
  if (bytes_.empty()) bytes_.resize(kCapacity);
  if (start_ > 0) {
    std::memmove(bytes_.data(), bytes_.data() + start_, static_cast<size_t>(end_ - start_));
    end_ -= start_;
    start_ = 0;
  }
  return bytes_.data() + end_;
}

int PacketAssembler::space_size() {
  space();
  return kCapacity - end_;
}

void PacketAssembler::commit(int n) {
  if (n > 0) end_ += n;
}

bool PacketAssembler::ready() const {
  if (broken_) return true;
  const int waiting = end_ - start_;
  if (waiting < kPacketHeaderSize) return false;
  const int length = get_u16(bytes_.data() + start_ + 1);
  return length > kPacketMaxPayload || waiting >= kPacketHeaderSize + length;
}

int PacketAssembler::next(NetPacket& out) {
  if (broken_) return -1;
  const int waiting = end_ - start_;
  if (waiting < kPacketHeaderSize) return 0;
  const uint8_t* at = bytes_.data() + start_;
  const int length = get_u16(at + 1);
  if (length > kPacketMaxPayload) {
    // The room holds 1024 bytes; what follows such a header cannot be
    // told apart from the next packet, so the stream is given up.
    broken_ = true;
    return -1;
  }
  if (waiting < kPacketHeaderSize + length) return 0;
  qvl_net_packet_decode_header(at, out);
  std::memcpy(out.payload, at + kPacketHeaderSize, static_cast<size_t>(length));
  out.payload[length] = 0;
  start_ += kPacketHeaderSize + length;
  if (start_ == end_) start_ = end_ = 0;
  return 1;
}

// --- The outgoing queue ----------------------------------------------------------

namespace {

// A queue that emptied keeps at most this much room for the next packets;
// a larger one (a burst, a slow reader) goes back to the system.
constexpr size_t kQueueRoomKept = 16 << 10;

}  // namespace

void PacketQueue::count(const Entry& e, int sign) {
  int64_t& held = by_source_[e.source];
  held += sign * (int64_t{e.size} + kPacketCost);
  if (held <= 0) by_source_.erase(e.source);
}

void PacketQueue::push(const NetPacket& packet, uint32_t source, double at) {
  uint8_t wire[kPacketMaxWire];
  const int n = qvl_net_packet_encode(packet, wire);
  bytes_.insert(bytes_.end(), wire, wire + n);
  entries_.push_back(Entry{source, static_cast<uint16_t>(n), at});
  count(entries_.back(), 1);
}

void PacketQueue::take(PacketQueue& other) {
  if (other.empty()) return;
  if (empty()) {
    std::swap(bytes_, other.bytes_);
    std::swap(start_, other.start_);
    std::swap(entries_, other.entries_);
    std::swap(head_sent_, other.head_sent_);
    std::swap(by_source_, other.by_source_);
  } else {
    bytes_.insert(bytes_.end(), other.data(), other.data() + other.size());
    // A packet the other queue had begun to send is whole here: only the
    // rest of it was copied, so it counts as that many bytes.
    bool first = true;
    for (const Entry& e : other.entries_) {
      Entry copy = e;
      if (first) copy.size = static_cast<uint16_t>(e.size - other.head_sent_);
      first = false;
      entries_.push_back(copy);
      count(copy, 1);
    }
  }
  other.clear();
}

void PacketQueue::consume(int n) {
  start_ += static_cast<size_t>(n);
  head_sent_ += n;
  while (!entries_.empty() && head_sent_ >= entries_.front().size) {
    head_sent_ -= entries_.front().size;
    count(entries_.front(), -1);
    entries_.pop_front();
  }
  if (start_ >= bytes_.size()) {
    clear();
  } else if (start_ >= kQueueRoomKept && start_ * 2 >= bytes_.size()) {
    // What went out is dropped once it is the larger part.
    bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
  }
}

void PacketQueue::clear() {
  start_ = 0;
  head_sent_ = 0;
  std::deque<Entry>().swap(entries_);
  SourceTally().swap(by_source_);
  if (bytes_.capacity() > kQueueRoomKept) std::vector<uint8_t>().swap(bytes_);
  else bytes_.clear();
}

int64_t PacketQueue::purge(uint32_t source) {
  int64_t freed = 0;
  for (size_t i = head_sent_ > 0 ? 1 : 0; i < entries_.size(); ++i)
    if (entries_[i].source == source) freed += entries_[i].size + kPacketCost;
  if (freed == 0) return 0;
  std::vector<uint8_t> bytes;
  std::deque<Entry> entries;
  size_t at = start_;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const Entry& e = entries_[i];
    // The packet on its way out stays, whoever it came from: the stream
    // must not carry part of it followed by another.
    const size_t size = i == 0 ? e.size - static_cast<size_t>(head_sent_) : e.size;
    if (e.source != source || (i == 0 && head_sent_ > 0)) {
      bytes.insert(bytes.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(at),
                   bytes_.begin() + static_cast<std::ptrdiff_t>(at + size));
      entries.push_back(Entry{e.source, static_cast<uint16_t>(size), e.queued_at});
    }
    at += size;
  }
  bytes_.swap(bytes);
  entries_.swap(entries);
  start_ = 0;
  head_sent_ = 0;
  by_source_.clear();
  for (const Entry& e : entries_) count(e, 1);
  return freed;
}

void PacketQueue::add_held(SourceTally& tally) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    const int size = i == 0 ? entries_[i].size - head_sent_ : entries_[i].size;
    tally[entries_[i].source] += size + kPacketCost;
  }
}
