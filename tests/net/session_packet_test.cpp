// The session's packet bytes and the reassembly of a stream cut anywhere.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/session_packet.h"
#include "session_test_support.h"

namespace {

using qvl_test::payload_text;
using qvl_test::wire;

std::vector<uint8_t> announce_wire(uint8_t query, const char* name) {
  return wire(qvl_test::announcement(query, name));
}

TEST(SessionPacket, AnnouncementIs143Bytes) {
  std::vector<uint8_t> want = {1, 136, 0, 0, 0, 0, 0,  // header: type, length, target, sender
                               0xFF, 0xFF, 0xFF, 0xFF,  // slot -1
                               0xFE, 0xFF,              // id: not yet announced
                               1, 0,                    // query flag, reserved
                               'q', 'u', 'e', 'r', 'y'};
  want.resize(143, 0);
  EXPECT_EQ(announce_wire(1, "query"), want);

  // A name is cut to 127 characters and always ends in a 0 byte.
  std::vector<uint8_t> long_name = announce_wire(0, std::string(300, 'x').c_str());
  ASSERT_EQ(long_name.size(), 143u);
  EXPECT_EQ(long_name[13], 0);
  EXPECT_EQ(long_name[15 + 126], 'x');
  EXPECT_EQ(long_name[15 + 127], 0);
}

TEST(SessionPacket, AnnouncementDecodeChecksTheLengthAndCutsTheName) {
  NetPacket p = qvl_net_packet(kPacketAnnounce, 0, 0);
  uint8_t payload[kAnnouncementSize];
  std::memset(payload, 'y', sizeof payload);  // a name without its 0 byte
  payload[6] = 1;
  qvl_net_packet_set_payload(p, payload, kAnnouncementSize);
  uint8_t query = 0;
  char name[kPlayerNameRoom];
  ASSERT_TRUE(qvl_net_announcement_decode(p, &query, name));
  EXPECT_EQ(query, 1);
  EXPECT_EQ(std::string(name), std::string(127, 'y'));
  p.length = kAnnouncementSize - 1;
  EXPECT_FALSE(qvl_net_announcement_decode(p, &query, name));
}

// A stream of packets cut into pieces of every size from one byte up comes
// out as the same packets, each payload followed by a 0 byte.
TEST(SessionPacket, AssemblerRejoinsPiecesOfAnySize) {
  std::vector<uint8_t> stream;
  NetPacket text = qvl_net_packet(kPacketText, 0xFFFF, 101);
  qvl_net_packet_set_payload(text, "hello", 5);
  NetPacket big = qvl_net_packet(kPacketText, 102, 101);
  std::string full(kPacketMaxPayload, 'b');
  qvl_net_packet_set_payload(big, full.data(), kPacketMaxPayload);
  for (const NetPacket& p : {text, qvl_net_packet(kPacketIdAssigned, 101, 0), big, text}) {
    std::vector<uint8_t> w = wire(p);
    stream.insert(stream.end(), w.begin(), w.end());
  }
  for (size_t piece : {size_t{1}, size_t{2}, size_t{6}, size_t{7}, size_t{8}, size_t{1000},
                       stream.size()}) {
    PacketAssembler in;
    std::vector<NetPacket> got;
    for (size_t at = 0; at < stream.size(); at += piece) {
      size_t n = std::min(piece, stream.size() - at);
      ASSERT_GE(in.space_size(), static_cast<int>(n));
      std::memcpy(in.space(), stream.data() + at, n);
      in.commit(static_cast<int>(n));
      NetPacket p;
      while (in.next(p) == 1) got.push_back(p);
    }
    ASSERT_EQ(got.size(), 4u) << "pieces of " << piece;
    EXPECT_EQ(payload_text(got[0]), "hello");
    EXPECT_EQ(got[0].payload[5], 0);
    EXPECT_EQ(got[0].target, 0xFFFF);
    EXPECT_EQ(got[0].sender, 101);
    EXPECT_EQ(got[1].type, kPacketIdAssigned);
    EXPECT_EQ(got[1].length, 0);
    EXPECT_EQ(payload_text(got[2]), full);
    EXPECT_EQ(got[2].payload[kPacketMaxPayload], 0);
    EXPECT_EQ(payload_text(got[3]), "hello");
    EXPECT_EQ(in.pending(), 0);
  }
}

// A header announcing more than 1024 payload bytes breaks the stream for
// good: the payload room never overflows and nothing after it is trusted.
TEST(SessionPacket, AssemblerRefusesPayloadsAbove1024) {
  PacketAssembler in;
  const uint8_t header[] = {3, 0x01, 0x04, 0, 0, 0, 0};  // 1025 bytes
  std::memcpy(in.space(), header, sizeof header);
  in.commit(sizeof header);
  NetPacket p;
  EXPECT_EQ(in.next(p), -1);
  std::vector<uint8_t> good = wire(qvl_net_packet(kPacketHello, 0, 101));
  std::memcpy(in.space(), good.data(), good.size());
  in.commit(static_cast<int>(good.size()));
  EXPECT_EQ(in.next(p), -1);
}

TEST(SessionPacket, U16PayloadOfAShortPacketIsZero) {
  NetPacket p = qvl_net_packet(kPacketPlayerCount, 0, 0);
  EXPECT_EQ(qvl_net_packet_u16(p), 0);
  qvl_net_packet_set_u16(p, 0x1234);
  EXPECT_EQ(wire(p), (std::vector<uint8_t>{101, 2, 0, 0, 0, 0, 0, 0x34, 0x12}));
  EXPECT_EQ(qvl_net_packet_u16(p), 0x1234);
}

}  // namespace
