// The multiplayer session's packets: the 7-byte header, the player
// announcement, the reassembly of a TCP stream into whole packets, and the
// queue of whole packets waiting to go out on one.
//
// Everything here is plain bytes and records, so tests and the fuzz target
// drive it without sockets. Integers on the wire are little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "net/source_tally.h"

// Packet types.
enum : uint8_t {
  kPacketAnnounce = 1,      // a client connection announces a player
  kPacketIdAssigned = 2,    // the host gives the announced player its id
  kPacketText = 3,          // a text from one player to one or all
  kPacketRemovePlayer = 4,  // a client connection takes a player out
  kPacketPlayerCount = 101, // requests, answered with the same type
  kPacketPlayerId = 102,
  kPacketPlayerName = 103,
  kPacketHello = 104,
};
// Types from here up are answers the host gives to requests.
constexpr uint8_t kPacketFirstAnswer = 100;

constexpr int kSessionDefaultPort = 27910;
constexpr int kPacketHeaderSize = 7;
constexpr int kPacketMaxPayload = 1024;
constexpr int kPacketMaxWire = kPacketHeaderSize + kPacketMaxPayload;
constexpr int kAnnouncementSize = 136;
constexpr int kPlayerNameRoom = 128;  // NUL-terminated, at most 127 used

// Player ids.
constexpr uint16_t kPlayerIdHost = 0;            // the host as sender or target
constexpr uint16_t kPlayerIdFirst = 101;         // the host hands out 101, 102, ...
constexpr uint16_t kPlayerIdLast = 0xFEFF;       // the last id the host hands out
constexpr uint16_t kPlayerIdWaiting = 0xFFFC;    // announced, its id not yet come
constexpr uint16_t kPlayerIdUnannounced = 0xFFFE;
constexpr uint16_t kPlayerIdAll = 0xFFFF;        // every player, as a text's target

// An id the host handed out: not 0 and below 0xFF00.
inline bool qvl_net_id_assigned(uint32_t id) { return id != 0 && id <= kPlayerIdLast; }

// A packet in memory: the header's fields in host order, then the payload
// with a 0 byte behind it.
struct __attribute__((packed)) NetPacket {
  uint8_t type;
  uint16_t length;  // payload bytes, 0 to 1024
  uint16_t target;  // player id; 0 the host; 0xFFFF all players (texts)
  uint16_t sender;  // player id; 0 the host
  uint8_t payload[kPacketMaxPayload + 1];
};
static_assert(sizeof(NetPacket) == 1032);

// A packet without payload.
NetPacket qvl_net_packet(uint8_t type, uint16_t target, uint16_t sender);
// Sets the payload (at most 1024 bytes are taken) and its trailing 0.
void qvl_net_packet_set_payload(NetPacket& packet, const void* bytes, int length);
// The payload's first two bytes as a little-endian u16; a payload shorter
// than that gives 0.
uint16_t qvl_net_packet_u16(const NetPacket& packet);
void qvl_net_packet_set_u16(NetPacket& packet, uint16_t value);

// The packet as it goes on the wire (header, then length payload bytes)
// into out, which holds kPacketMaxWire bytes; returns the byte count. A
// length above 1024 is sent as 1024.
int qvl_net_packet_encode(const NetPacket& packet, uint8_t* out);
// The header's fields from 7 wire bytes; the payload is left alone.
void qvl_net_packet_decode_header(const uint8_t* in, NetPacket& packet);

// The announcement payload of a local player: slot -1, id 0xFFFE, the
// query flag, a reserved 0, the name in 128 bytes.
void qvl_net_announcement_encode(uint8_t query, const char* name,
                                 uint8_t out[kAnnouncementSize]);
// The query flag and the name (cut to 127 characters, NUL-terminated) of
// an announcement; false when the payload is shorter than one.
bool qvl_net_announcement_decode(const NetPacket& packet, uint8_t* query,
                                 char name[kPlayerNameRoom]);

// Copies text into a player's name field, cut to 127 characters.
void qvl_net_copy_name(char name[kPlayerNameRoom], const char* text);

// One connection's incoming byte stream, cut into whole packets. A header
// or payload that arrives in pieces waits here until the rest has come, so
// the stream never loses its place and the reader never waits for a peer.
class PacketAssembler {
 public:
  // Bytes kept at most: a few whole packets.
  static constexpr int kCapacity = 8 * 1024;

  // Where the next read goes and how many bytes fit there; after next()
  // gave 0 there is room for at least one whole packet.
  uint8_t* space();
  int space_size();
  // Counts n bytes read into space().
  void commit(int n);
  // 1: the next whole packet is in out (its payload followed by a 0 byte);
  // 0: more bytes are needed; -1: the stream is broken (a header announcing
  // more than 1024 payload bytes), and stays so.
  int next(NetPacket& out);
  // Bytes waiting that are not yet a whole packet.
  int pending() const { return end_ - start_; }
  // Whether next() would give a packet (or find the stream broken).
  bool ready() const;

 private:
  std::vector<uint8_t> bytes_;
  int start_ = 0;
  int end_ = 0;
  bool broken_ = false;
};

// One connection's outgoing stream: the wire bytes of whole packets, in
// order. A packet goes in whole or not at all, so however much of the
// queue a socket takes at a time, the stream never carries part of a
// packet followed by something else. Each packet remembers its source
// (the connection whose packet made the host send it), so that what one
// connection makes the host hold can be told and dropped.
class PacketQueue {
 public:
  // What a waiting packet is counted as besides its wire bytes.
  static constexpr int kPacketCost = 8;

  // Queues the packet whole, as held for source since at (a clock in ms).
  void push(const NetPacket& packet, uint32_t source = 0, double at = 0);
  // Moves every packet of other behind this queue's, leaving other empty.
  void take(PacketQueue& other);
  const uint8_t* data() const { return bytes_.data() + start_; }
  int size() const { return static_cast<int>(bytes_.size() - start_); }
  bool empty() const { return start_ == bytes_.size(); }
  // The waiting bytes with kPacketCost for each packet.
  int64_t held() const {
    return size() + int64_t{kPacketCost} * static_cast<int64_t>(entries_.size());
  }
  // Drops the first n bytes, which went out.
  void consume(int n);
  void clear();
  // Drops the packets from the source that have not begun to go out; the
  // held bytes freed.
  int64_t purge(uint32_t source);
  // Adds the bytes each source holds here to tally.
  void add_held(SourceTally& tally) const;
  // What each source holds here, kept as packets come and go: a packet
  // counts whole until its last byte went out.
  const SourceTally& by_source() const { return by_source_; }
  // When the oldest waiting packet was queued; only when not empty.
  double oldest_at() const { return entries_.front().queued_at; }

 private:
  struct Entry {
    uint32_t source;
    uint16_t size;  // wire bytes
    double queued_at;
  };
  void count(const Entry& e, int sign);
  std::vector<uint8_t> bytes_;
  size_t start_ = 0;
  std::deque<Entry> entries_;  // one per packet still (partly) waiting
  int head_sent_ = 0;          // bytes of the first packet gone out
  SourceTally by_source_;
};
