// The session against peers that flood, churn, hold places or answer late:
// what they make the host hold stays bounded, a flooder is slowed and the
// machines that read stay, ids and places cannot be used up, and late
// answers and ids go to their own requests.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "loopback_capacity.h"
#include "net/session_commands.h"
#include "net_test_support.h"
#include "raw_machine.h"
#include "session_test_support.h"

namespace {

using qvl_test::Bytes;
using qvl_test::closed_by_host;
using qvl_test::HostedSession;
using qvl_test::join_machines;
using qvl_test::payload_text;
using qvl_test::RawMachine;
using qvl_test::ReaderThread;
using qvl_test::str;
using qvl_test::text_packet;
using qvl_test::wait_for;

int64_t held_peak(NetSession& s) {
  SessionLock hold(s);
  return s.held_peak;
}

// Every departure the host has recorded so far, and those that come
// within wait_s.
std::set<int> departures(double wait_s = 0) {
  std::set<int> left;
  wait_for(wait_s, [&] {
    for (int id; (id = qvl_net_session_next_left_player()) != 0;) left.insert(id);
    return false;
  });
  for (int id; (id = qvl_net_session_next_left_player()) != 0;) left.insert(id);
  return left;
}

// --- Texts for a player whose program does not read ---------------------------------

struct FloodCase {
  int length;
  int texts;
};

class SessionUnreadTexts : public testing::TestWithParam<FloodCase> {};

// A machine sends more texts than their bound to a host player whose
// program reads nothing: the player keeps the newest up to the bound, the
// host holds no more than that, and the machine, which only sent, stays.
TEST_P(SessionUnreadTexts, ThePlayerKeepsTheNewestAndTheSenderStays) {
  const FloodCase c = GetParam();
  HostedSession host;
  ASSERT_TRUE(host.ok);
  ASSERT_EQ(qvl_net_session_add_player(BasicString("idle")), 101);
  RawMachine flood(host.port);
  ASSERT_TRUE(flood.join("flood"));
  const Bytes all = qvl_test::text_burst(flood.id, 101, c.texts, [&](int i) {
    return qvl_test::numbered_text(flood.id, i, static_cast<size_t>(c.length));
  });
  ASSERT_TRUE(qvl_test::send_all(flood.fd, all.data(), all.size()));
  EXPECT_TRUE(round_trip(flood));  // everything it sent was handled
  EXPECT_TRUE(departures().empty());
  int kept = 0;
  std::string last;
  for (BasicString t; (t = qvl_net_session_next_message(101)).length > 0; ++kept) last = str(t);
  EXPECT_EQ(kept, std::min<int64_t>(kPlayerTextLimit,
                                    kPlayerTextBytes / TextQueue::cost_of(c.length)));
  EXPECT_EQ(last, qvl_test::numbered_text(flood.id, c.texts - 1, static_cast<size_t>(c.length)));
  EXPECT_LE(held_peak(*host.record.s), kSessionMemoryLimit);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SessionUnreadTexts,
                         testing::Values(FloodCase{16, 5000}, FloodCase{1024, 4200}),
                         [](const testing::TestParamInfo<FloodCase>& i) {
                           return std::to_string(i.param.texts) + "TextsOf" +
                                  std::to_string(i.param.length);
                         });

// --- A machine that floods the others ------------------------------------------------

// A machine with many players: it announces count players and reads
// their ids.
std::unique_ptr<RawMachine> crowd(int port, int count, int receive_buffer) {
  auto m = std::make_unique<RawMachine>(port, receive_buffer);
  if (!m->join("crowd")) return nullptr;
  Bytes all;
  for (int i = 1; i < count; ++i) {
    Bytes one = qvl_test::wire(qvl_test::announcement(0, "crowd"));
    all.insert(all.end(), one.begin(), one.end());
  }
  if (!qvl_test::send_all(m->fd, all.data(), all.size())) return nullptr;
  if (qvl_test::read_bytes(m->fd, size_t{7} * (count - 1)).size() != size_t{7} * (count - 1))
    return nullptr;
  return m;
}

// One write of texts to everybody from a machine among machines of 256
// players each, none of which reads: the copies are queued a pass's
// budget at a time, the host holds a bounded amount, the writer is slowed
// rather than dropped, and the machines that read nothing leave.
TEST(SessionFlood, OneWriteToEverybodyIsSlowedAndTheMachinesThatDoNotReadLeave) {
  constexpr int kMachines = 8;
  constexpr int kPlayers = kMaxPlayersPerConnection;
  constexpr int kSmallWindow = 4096;
  HostedSession host;
  ASSERT_TRUE(host.ok);
  std::vector<std::unique_ptr<RawMachine>> machines;
  for (int i = 0; i < kMachines; ++i) {
    machines.push_back(crowd(host.port, kPlayers, kSmallWindow));
    ASSERT_NE(machines.back(), nullptr) << i;
  }
  RawMachine& writer = *machines[0];
  // Enough texts that what each machine is sent passes what its socket
  // holds by more than a queue may.
  const size_t per_text = size_t{kPlayers} * (7 + 1024);
  const size_t texts = (qvl_test::loopback_capacity(kSmallWindow) + 2 * kSessionQueueLimit) /
                           per_text + 1;
  const Bytes all = qvl_test::text_burst(writer.id, kPlayerIdAll, static_cast<int>(texts),
                                         [](int) { return std::string(1024, 'f'); });
  // The host takes the write as the others' queues allow; they never read
  // and are dropped, and then the rest goes to the writer's own players
  // (it reads, as an honest machine does).
  ReaderThread drain({writer.fd}, [](int, const NetPacket&) {});
  std::thread write([&] { qvl_test::send_all(writer.fd, all.data(), all.size()); });
  std::set<int> others;
  for (size_t i = 1; i < machines.size(); ++i)
    for (int p = 0; p < kPlayers; ++p) others.insert(machines[i]->id + p);
  std::set<int> left;
  wait_for(30, [&] {
    for (int id; (id = qvl_net_session_next_left_player()) != 0;) left.insert(id);
    return left.size() >= others.size();
  });
  write.join();
  EXPECT_EQ(left, others);
  EXPECT_EQ(qvl_net_session_player_count(), kPlayers);
  EXPECT_LE(held_peak(*host.record.s), kSessionMemoryLimit);
}

// A machine sends texts to everybody at full speed while two machines read
// what they get, but more slowly than that: the flooder is slowed to
// their pace, nobody is dropped, and the readers get every text in order.
TEST(SessionFlood, TheFlooderIsSlowedAndTheReadersStay) {
  constexpr int kTexts = 3000;
  constexpr int kSmallWindow = 4096;
  HostedSession host;
  ASSERT_TRUE(host.ok);
  auto readers = join_machines(host.port, 2, "reader", kSmallWindow);
  RawMachine flooder(host.port);
  ASSERT_TRUE(flooder.join("flooder"));
  ASSERT_FALSE(testing::Test::HasFailure());

  // The readers take 2 KiB each every 2 ms, and count the texts that came
  // in order.
  std::atomic<bool> stop{false};
  std::atomic<int> in_order[2] = {{0}, {0}};
  std::thread reading([&] {
    std::vector<qvl_test::StrictStream> streams(readers.size());
    std::vector<uint8_t> piece(2048);
    while (!stop) {
      for (size_t i = 0; i < readers.size(); ++i) {
        ssize_t n = recv(readers[i]->fd, piece.data(), piece.size(), MSG_DONTWAIT);
        if (n > 0)
          streams[i].feed(piece.data(), static_cast<size_t>(n), [&](const NetPacket& p) {
            if (p.type == kPacketText &&
                payload_text(p) == qvl_test::numbered_text(flooder.id, in_order[i]))
              ++in_order[i];
          });
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  const Bytes all = qvl_test::text_burst(flooder.id, kPlayerIdAll, kTexts, [&](int n) {
    return qvl_test::numbered_text(flooder.id, n);
  });
  EXPECT_TRUE(qvl_test::send_all(flooder.fd, all.data(), all.size()));
  EXPECT_TRUE(wait_for(60, [&] { return in_order[0] == kTexts && in_order[1] == kTexts; }));
  stop = true;
  reading.join();
  EXPECT_TRUE(round_trip(flooder));
  EXPECT_TRUE(departures().empty());
  EXPECT_EQ(qvl_net_session_player_count(), 3);
}

// --- Ids and places ---------------------------------------------------------------------

// One address connects again and again, each time announcing as many
// players as a connection may have and leaving: it gets the new ids its
// budget allows, and the session keeps ids for a good machine and for the
// host's own program.
TEST(SessionChurn, OneAddressCannotUseUpTheIds) {
  HostedSession host;
  ASSERT_TRUE(host.ok);
  const uint32_t churner = qvl_test::next_loopback_address();
  Bytes all;
  for (int i = 0; i < kMaxPlayersPerConnection; ++i) {
    Bytes one = qvl_test::wire(qvl_test::announcement(0, "churn"));
    all.insert(all.end(), one.begin(), one.end());
  }
  const int rounds = (kPlayerIdLast - 101) / kMaxPlayersPerConnection + 2;
  int ids = 0;
  for (int round = 0; round < rounds; ++round) {
    int fd = qvl_test::plain_connect(host.port, 0, churner);
    ASSERT_TRUE(qvl_test::send_all(fd, all.data(), all.size())) << round;
    shutdown(fd, SHUT_WR);  // the host reads all of it, then closes
    Bytes answers;
    uint8_t piece[4096];
    for (ssize_t n; (n = recv(fd, piece, sizeof piece, 0)) > 0;)
      answers.insert(answers.end(), piece, piece + n);
    ids += static_cast<int>(answers.size() / 7);
    close(fd);
  }
  EXPECT_LT(ids, 2 * 512);
  RawMachine good(host.port);
  ASSERT_TRUE(good.join("good"));
  EXPECT_NE(qvl_net_session_add_player(BasicString("host")), 0);
  EXPECT_EQ(qvl_net_session_player_count(), 2);
}

// Connections that never announce a player are closed after a few
// seconds, so they cannot hold the places; a machine joins after them.
TEST(SessionPlaces, SilentConnectionsAreClosed) {
  HostedSession host;
  ASSERT_TRUE(host.ok);
  std::vector<int> silent;
  for (int i = 0; i < 127; ++i) silent.push_back(qvl_test::plain_connect(host.port));
  for (int fd : silent) {
    EXPECT_TRUE(closed_by_host(fd));
    close(fd);
  }
  RawMachine good(host.port);
  EXPECT_TRUE(good.join("good"));
}

// One address holds at most 16 connections: the next is closed at once,
// while those it holds are served and other addresses still get in.
TEST(SessionPlaces, OneAddressHoldsAtMost16Connections) {
  HostedSession host;
  ASSERT_TRUE(host.ok);
  const uint32_t from = qvl_test::next_loopback_address();
  std::vector<std::unique_ptr<RawMachine>> held;
  for (int i = 0; i < 16; ++i) {
    held.push_back(std::make_unique<RawMachine>(host.port, 0, from));
    ASSERT_TRUE(held.back()->join("held")) << i;
  }
  RawMachine extra(host.port, 0, from);
  EXPECT_TRUE(closed_by_host(extra.fd));
  RawMachine other(host.port);
  EXPECT_TRUE(other.join("other"));
  for (auto& m : held) EXPECT_TRUE(round_trip(*m));
}

// A hundred machines connect at once while the host takes none: they all
// wait to be let in, and when the host takes machines again every one is
// let in and gets its id.
TEST(SessionPlaces, ABurstOfJoinsWaitsToBeLetIn) {
  constexpr int kMachines = 100;
  HostedSession host;
  ASSERT_TRUE(host.ok);
  ASSERT_EQ(qvl_net_session_allow_join(0), 0);
  std::vector<int> fds;
  for (int i = 0; i < kMachines; ++i) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    qvl_test::bind_loopback(fd, qvl_test::next_loopback_address());
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    at.sin_port = htons(static_cast<uint16_t>(host.port));
    connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at);
    fds.push_back(fd);
  }
  int connected = 0;
  for (int fd : fds) {
    pollfd p{fd, POLLOUT, 0};
    int error = -1;
    socklen_t length = sizeof error;
    if (poll(&p, 1, 10000) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
        error == 0)
      ++connected;
  }
  EXPECT_EQ(connected, kMachines);
  ASSERT_EQ(qvl_net_session_allow_join(1), 0);
  std::set<int> ids;
  const Bytes announce = qvl_test::wire(qvl_test::announcement(0, "burst"));
  for (int fd : fds) {
    int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    ASSERT_TRUE(qvl_test::send_all(fd, announce.data(), announce.size()));
  }
  for (int fd : fds) {
    Bytes id = qvl_test::read_bytes(fd, 7);
    if (id.size() == 7) ids.insert(id[3] | id[4] << 8);
    close(fd);
  }
  EXPECT_EQ(ids.size(), size_t{kMachines});
}

// --- A host played by hand ----------------------------------------------------------

// A host on a plain listener for one joining machine: it reads whole
// packets and answers as its script says, on a thread of its own.
class FakeHost {
 public:
  FakeHost() : listener_(qvl_test::plain_listener(&port_)) {}
  ~FakeHost() {
    if (fd_ >= 0) close(fd_);
    close(listener_);
  }
  int port() const { return port_; }

  // The next packet from the machine; false when none came in time.
  bool next(NetPacket& packet, int timeout_ms = 20000) {
    if (fd_ < 0) {
      pollfd p{listener_, POLLIN, 0};
      if (poll(&p, 1, timeout_ms) != 1) return false;
      fd_ = accept(listener_, nullptr, nullptr);
      timeval limit{10, 0};
      setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    }
    while (packets_.empty()) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, timeout_ms) != 1) return false;
      uint8_t piece[16384];
      ssize_t n = recv(fd_, piece, sizeof piece, 0);
      if (n <= 0) return false;
      stream_.feed(piece, static_cast<size_t>(n),
                   [&](const NetPacket& got) { packets_.push_back(got); });
    }
    packet = packets_.front();
    packets_.erase(packets_.begin());
    return true;
  }
  // False when the machine no longer takes packets.
  bool send(const NetPacket& packet) {
    const Bytes bytes = qvl_test::wire(packet);
    return qvl_test::send_all(fd_, bytes.data(), bytes.size());
  }
  void send_id(uint16_t id) { send(qvl_net_packet(kPacketIdAssigned, id, 0)); }
  void answer_hello(uint16_t asker) {
    NetPacket p = qvl_net_packet(kPacketHello, asker, 0);
    qvl_net_packet_set_u16(p, 1);
    send(p);
  }
  // Lets the machine join: its query player gets id 101.
  bool welcome() {
    NetPacket p;
    if (!next(p) || p.type != kPacketAnnounce) return false;
    send_id(101);
    if (!next(p) || p.type != kPacketHello) return false;
    answer_hello(101);
    return true;
  }
  // Whether the machine closed its connection within timeout_ms.
  bool closed(int timeout_ms = 20000) {
    NetPacket p;
    while (next(p, timeout_ms)) {
    }
    pollfd q{fd_, POLLIN, 0};
    return poll(&q, 1, 0) == 1 && recv(fd_, &p, 1, MSG_DONTWAIT) == 0;
  }

 private:
  int port_ = 0;
  int listener_;
  int fd_ = -1;
  qvl_test::StrictStream stream_;
  std::vector<NetPacket> packets_;
};

// A joined machine whose program reads nothing of a player while its host
// sends it more texts than their bound: the machine stays in the session,
// and the player keeps the newest texts up to the bound.
TEST(SessionUnreadTexts, AJoinedMachineStaysAndKeepsTheNewest) {
  constexpr int kTexts = 5000;
  qvl_test::SessionRecord record;
  FakeHost host;
  std::thread script([&] {
    NetPacket p;
    ASSERT_TRUE(host.welcome());
    ASSERT_TRUE(host.next(p));
    host.send_id(102);
    for (int i = 0; i < kTexts; ++i) host.send(text_packet(103, 102, qvl_test::numbered_text(103, i, 16)));
    // The count's answer comes behind every text.
    while (host.next(p) && p.type != kPacketPlayerCount) {
    }
    NetPacket count = qvl_net_packet(kPacketPlayerCount, 101, 0);
    qvl_net_packet_set_u16(count, 2);
    host.send(count);
    host.closed();
  });
  ASSERT_EQ(qvl_net_session_join(BasicString("127.0.0.1"), host.port()), 1);
  ASSERT_EQ(qvl_net_session_add_player(BasicString("idle")), 102);
  EXPECT_EQ(qvl_net_session_player_count(), 2);
  EXPECT_EQ(qvl_net_session_is_running(), 1);
  int kept = 0;
  std::string last;
  for (BasicString t; (t = qvl_net_session_next_message(102)).length > 0; ++kept) last = str(t);
  EXPECT_EQ(kept, kPlayerTextLimit);
  EXPECT_EQ(last, qvl_test::numbered_text(103, kTexts - 1, 16));
  qvl_net_session_end();
  script.join();
}

// A name request given up after its wait leaves its place: the answer
// that comes for it late is dropped, and the next request gets its own.
TEST(SessionLateAnswers, GoToTheRequestTheyAnswer) {
  qvl_test::SessionRecord record;
  FakeHost host;
  std::thread script([&] {
    NetPacket p;
    ASSERT_TRUE(host.welcome());
    ASSERT_TRUE(host.next(p));  // the name of 101: not answered yet
    ASSERT_EQ(p.type, kPacketPlayerName);
    ASSERT_TRUE(host.next(p));  // the name of 102
    for (const char* name : {"NAME-OF-101", "NAME-OF-102"}) {
      NetPacket answer = qvl_net_packet(kPacketPlayerName, 101, 0);
      qvl_net_packet_set_payload(answer, name, static_cast<int>(std::strlen(name)));
      host.send(answer);
    }
    host.closed();
  });
  ASSERT_EQ(qvl_net_session_join(BasicString("127.0.0.1"), host.port()), 1);
  EXPECT_EQ(str(qvl_net_session_player_name(101)), "NO_DATA");
  EXPECT_EQ(str(qvl_net_session_player_name(102)), "NAME-OF-102");
  qvl_net_session_end();
  script.join();
}

// A player whose id did not come in time keeps its place: when the id
// comes late it is taken there and given back to the host with a removal,
// and the next player gets the id that is its own. When the host refused
// the player, the next player gets the next id all the same.
class SessionLateIds : public testing::TestWithParam<bool> {};

TEST_P(SessionLateIds, GoToThePlayerTheyWereFor) {
  const bool late = GetParam();
  qvl_test::SessionRecord record;
  FakeHost host;
  std::vector<NetPacket> before_count;
  std::thread script([&] {
    NetPacket p;
    ASSERT_TRUE(host.welcome());
    ASSERT_TRUE(host.next(p));  // "first": no answer yet
    ASSERT_EQ(p.type, kPacketAnnounce);
    // Whatever comes up to "second"'s announcement is answered in order
    // behind the late id, as a host that was slow would.
    std::vector<NetPacket> between;
    while (host.next(p) && p.type != kPacketAnnounce) between.push_back(p);
    uint16_t next_id = 102;
    if (late) host.send_id(next_id++);
    for (const NetPacket& asked : between)
      if (asked.type == kPacketHello) host.answer_hello(asked.sender);
    host.send_id(next_id);
    while (host.next(p) && p.type != kPacketPlayerCount) before_count.push_back(p);
    NetPacket count = qvl_net_packet(kPacketPlayerCount, 101, 0);
    qvl_net_packet_set_u16(count, 1);
    host.send(count);
    host.closed();
  });
  ASSERT_EQ(qvl_net_session_join(BasicString("127.0.0.1"), host.port()), 1);
  EXPECT_EQ(qvl_net_session_add_player(BasicString("first")), 0);
  const int second = late ? 103 : 102;
  EXPECT_EQ(qvl_net_session_add_player(BasicString("second")), second);
  EXPECT_EQ(qvl_net_session_player_count(), 1);
  EXPECT_EQ(record.s->local_ids(), (std::vector<uint16_t>{101, static_cast<uint16_t>(second)}));
  qvl_net_session_end();
  script.join();
  std::vector<Bytes> removals;
  for (const NetPacket& p : before_count)
    if (p.type == kPacketRemovePlayer) removals.push_back(qvl_test::wire(p));
  if (late) EXPECT_EQ(removals, (std::vector<Bytes>{{4, 0, 0, 0, 0, 102, 0}}));
  else EXPECT_TRUE(removals.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, SessionLateIds, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& i) {
                           return i.param ? "Late" : "Refused";
                         });

}  // namespace
