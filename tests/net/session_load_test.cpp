// The session under load and against machines that stop reading, stall or
// flood: the host's thread never waits on one peer, never loses its own
// connection, never puts part of a packet on a stream, and one machine
// cannot take every player id.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "net/session_commands.h"
#include "loopback_capacity.h"
#include "net_test_support.h"
#include "raw_machine.h"
#include "session_test_support.h"

namespace {

using qvl_test::numbered_text;
using qvl_test::parse_numbered;
using qvl_test::payload_text;
using qvl_test::RawMachine;
using qvl_test::str;
using qvl_test::text_packet;
using qvl_test::Clock;
using qvl_test::join_machines;
using qvl_test::ReaderThread;
using qvl_test::seconds_since;
using qvl_test::wait_for;

// --- Many machines bursting at once ----------------------------------------------

struct BurstCase {
  int host_players;
  int machines;
};

class SessionBurst : public testing::TestWithParam<BurstCase> {};

// Every machine sends 16 texts of 1 KB to everybody at once, and every
// machine reads. The relay fills the loopback buffers of the host's own
// connection, which only the host's thread drains: the host must keep its
// session, and every copy must arrive, in order per sender.
TEST_P(SessionBurst, HostKeepsItsSessionAndEveryCopyArrives) {
  constexpr int kTexts = 16;
  const BurstCase c = GetParam();
  qvl_test::SessionRecord record;
  const int port = qvl_test::unused_port();
  ASSERT_EQ(qvl_net_session_host(port), 1);
  std::vector<int> host_ids;
  for (int i = 0; i < c.host_players; ++i) {
    host_ids.push_back(qvl_net_session_add_player(BasicString("local")));
    ASSERT_NE(host_ids.back(), 0);
  }
  auto machines = join_machines(port, c.machines, "remote");
  ASSERT_FALSE(testing::Test::HasFailure());

  std::mutex lock;
  std::vector<int> got(c.machines, 0);
  std::vector<std::map<int, int>> next_from(c.machines);
  std::string fault;
  std::vector<int> fds;
  for (auto& m : machines) fds.push_back(m->fd);
  ReaderThread readers(fds, [&](int m, const NetPacket& p) {
    std::lock_guard<std::mutex> hold(lock);
    int from = 0, number = -1;
    if (p.type != kPacketText || p.target != machines[m]->id || p.length != 1024 ||
        !parse_numbered(payload_text(p), &from, &number) || from != p.sender ||
        number != next_from[m][from]++) {
      if (fault.empty())
        fault = "machine " + std::to_string(m) + ": " + payload_text(p).substr(0, 20);
      return;
    }
    ++got[m];
  });

  for (int n = 0; n < kTexts; ++n)
    for (auto& m : machines)
      ASSERT_TRUE(m->send_packet(text_packet(m->id, kPlayerIdAll, numbered_text(m->id, n))));

  for (int id : host_ids) {
    std::map<int, int> next;
    for (int n = 0; n < c.machines * kTexts; ++n) {
      const std::string t = qvl_test::next_text(id);
      int from = 0, number = -1;
      ASSERT_TRUE(parse_numbered(t, &from, &number))
          << "player " << id << " text " << n << ": " << t;
      ASSERT_EQ(t.size(), 1024u);
      ASSERT_EQ(from, qvl_net_session_last_sender());
      ASSERT_EQ(number, next[from]++) << "from " << from;
    }
  }
  const int each = (c.machines - 1) * kTexts;
  wait_for(20, [&] {
    std::lock_guard<std::mutex> hold(lock);
    for (int g : got)
      if (g < each) return false;
    return true;
  });
  {
    std::lock_guard<std::mutex> hold(lock);
    EXPECT_EQ(fault, "");
    for (int m = 0; m < c.machines; ++m) EXPECT_EQ(got[m], each) << "machine " << m;
  }
  EXPECT_FALSE(readers.broken());
  EXPECT_EQ(qvl_net_session_is_running(), 1);
  EXPECT_EQ(qvl_net_session_next_left_player(), 0);
  EXPECT_EQ(qvl_net_session_player_count(), c.host_players + c.machines);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SessionBurst,
                         testing::Values(BurstCase{8, 100}, BurstCase{8, 60}, BurstCase{4, 127}),
                         [](const testing::TestParamInfo<BurstCase>& i) {
                           return std::to_string(i.param.host_players) + "HostPlayers" +
                                  std::to_string(i.param.machines) + "Machines";
                         });

// --- Machines that never read -------------------------------------------------------

class SessionSilentMachines : public testing::TestWithParam<int> {};

// Machines that stopped reading, with more waiting for each than the
// sockets hold: a text between two good players still arrives at once,
// requests are answered right, and each silent machine leaves on its own
// after its stall, with one departure.
TEST_P(SessionSilentMachines, DelayNobodyAndLeaveAfterTheirStall) {
  const int silent_count = GetParam();
  constexpr int kSmallWindow = 4096;
  const size_t fill = qvl_test::loopback_capacity(kSmallWindow) + (400 << 10);
  qvl_test::SessionRecord record;
  const int port = qvl_test::unused_port();
  ASSERT_EQ(qvl_net_session_host(port), 1);
  ASSERT_EQ(qvl_net_session_add_player(BasicString("good")), 101);
  RawMachine guest(port);
  ASSERT_TRUE(guest.join("guest"));
  auto silent = join_machines(port, silent_count, "silent", kSmallWindow);
  ASSERT_FALSE(testing::Test::HasFailure());

  std::mutex lock;
  std::map<std::string, Clock::time_point> texts;  // what the guest got, when
  std::map<uint8_t, uint16_t> answers;
  ReaderThread reader({guest.fd}, [&](int, const NetPacket& p) {
    std::lock_guard<std::mutex> hold(lock);
    if (p.type == kPacketText) texts[payload_text(p)] = Clock::now();
    else if (p.type >= kPacketFirstAnswer) answers[p.type] = qvl_net_packet_u16(p);
  });
  auto guest_got = [&](const std::string& t) {
    std::lock_guard<std::mutex> hold(lock);
    return texts.count(t) ? texts[t] : Clock::time_point();
  };
  auto ask = [&](uint8_t type) {
    {
      std::lock_guard<std::mutex> hold(lock);
      answers.erase(type);
    }
    EXPECT_TRUE(guest.send_packet(qvl_net_packet(type, 0, guest.id)));
    int answer = -1;
    wait_for(10, [&] {
      std::lock_guard<std::mutex> hold(lock);
      if (answers.count(type)) answer = answers[type];
      return answer >= 0;
    });
    return answer;
  };

  // Texts to everybody until each silent connection is full and more
  // waits at the host; the hello's answer says the host has handled them.
  // The host's player reads them as they come, a batch at a time.
  const int fill_texts = static_cast<int>(fill / kPacketMaxWire) + 1;
  for (int n = 0, read = 0; n < fill_texts; ++n) {
    ASSERT_TRUE(guest.send_packet(text_packet(guest.id, kPlayerIdAll, numbered_text(guest.id, n))));
    if (n % 500 == 499 || n == fill_texts - 1) {
      for (; read <= n; ++read) ASSERT_EQ(qvl_test::next_text(101), numbered_text(guest.id, read));
    }
  }
  ASSERT_EQ(ask(kPacketHello), 1);

  auto t0 = Clock::now();
  ASSERT_EQ(qvl_net_session_send_text(101, guest.id, BasicString("ping")), 1);
  ASSERT_TRUE(wait_for(10, [&] { return guest_got("ping") != Clock::time_point(); }));
  EXPECT_LT(std::chrono::duration<double>(guest_got("ping") - t0).count(), 0.5);

  // The count is right for the players there are. The silent machines are
  // all there unless a slow build took so long since their stall began
  // that some left already: the departures seen around the request say.
  std::set<int> left;
  auto departures = [&] {
    for (int id; (id = qvl_net_session_next_left_player()) != 0;) left.insert(id);
    return static_cast<int>(left.size());
  };
  auto count_is_right = [&](const std::function<int()>& count) {
    const int before = departures();
    const int answer = count();
    const int after = departures();
    EXPECT_GE(answer, 2 + silent_count - after);
    EXPECT_LE(answer, 2 + silent_count - before);
  };
  count_is_right([&] { return ask(kPacketPlayerCount); });
  count_is_right([] { return qvl_net_session_player_count(); });

  t0 = Clock::now();
  ASSERT_TRUE(guest.send_packet(text_packet(guest.id, 101, "pong")));
  EXPECT_EQ(qvl_test::next_text(101), "pong");
  EXPECT_LT(seconds_since(t0), 0.5);

  std::set<int> silent_ids;
  for (auto& m : silent) silent_ids.insert(m->id);
  while (departures() < silent_count) {
    const int id = qvl_test::next_departure();
    if (id == 0) break;
    left.insert(id);
  }
  EXPECT_EQ(left, silent_ids);
  EXPECT_EQ(qvl_net_session_player_count(), 2);
  EXPECT_EQ(ask(kPacketPlayerCount), 2);
  ASSERT_EQ(qvl_net_session_send_text(101, guest.id, BasicString("after")), 1);
  EXPECT_TRUE(wait_for(10, [&] { return guest_got("after") != Clock::time_point(); }));
  EXPECT_FALSE(reader.broken());
}

INSTANTIATE_TEST_SUITE_P(Counts, SessionSilentMachines, testing::Values(10, 30),
                         [](const testing::TestParamInfo<int>& i) {
                           return std::to_string(i.param) + "Machines";
                         });

// --- A host that stops reading ---------------------------------------------------------

// The joined machine's program goes on sending while its host reads
// nothing: no send holds the program for long, a refused text is 0 and
// never arrives, and once the host reads again it finds every text that
// was taken, whole and in order, and nothing else.
TEST(SessionStalledHost, TextsStayWholeAndTheProgramIsNeverHeld) {
  qvl_test::SessionRecord record;
  int port = 0;
  int listener = qvl_test::plain_listener(&port);
  std::atomic<bool> resume{false};
  std::mutex lock;
  std::vector<std::string> arrived;
  bool foreign = false, broken = false;
  std::thread host([&] {
    using qvl_test::read_bytes;
    using qvl_test::send_bytes;
    int fd = accept(listener, nullptr, nullptr);
    read_bytes(fd, 143);  // the query player
    send_bytes(fd, {2, 0, 0, 101, 0, 0, 0});
    read_bytes(fd, 7);  // the hello
    send_bytes(fd, {104, 2, 0, 101, 0, 0, 0, 1, 0});
    read_bytes(fd, 143);  // bob
    send_bytes(fd, {2, 0, 0, 102, 0, 0, 0});
    wait_for(60, [&] { return resume.load(); });
    qvl_test::StrictStream stream;
    std::vector<uint8_t> buffer(64 << 10);
    for (;;) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, 10000) <= 0) break;
      ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
      if (n <= 0) break;
      stream.feed(buffer.data(), static_cast<size_t>(n), [&](const NetPacket& packet) {
        std::lock_guard<std::mutex> hold(lock);
        if (packet.type == kPacketText && packet.sender == 102 && packet.target == kPlayerIdAll)
          arrived.push_back(payload_text(packet));
        else
          foreign = true;
      });
    }
    std::lock_guard<std::mutex> hold(lock);
    broken = stream.broken() || stream.pending() != 0;
    close(fd);
  });

  // However the test ends, the host thread is let go and joined.
  struct Release {
    std::function<void()> run;
    ~Release() { run(); }
  } release{[&] {
    resume = true;
    qvl_net_session_end();
    if (host.joinable()) host.join();
    close(listener);
  }};

  ASSERT_EQ(qvl_net_session_join(BasicString("127.0.0.1"), port), 1);
  ASSERT_EQ(qvl_net_session_add_player(BasicString("bob")), 102);
  std::vector<std::string> taken;
  std::vector<double> refusals;
  double slowest = 0;
  for (int n = 0; n < 100000 && refusals.size() < 3 && slowest < 5; ++n) {
    const std::string t = numbered_text(102, n);
    auto t0 = Clock::now();
    int sent = qvl_net_session_send_text(102, 0, qvl_test::bytes(t));
    const double took = seconds_since(t0);
    slowest = std::max(slowest, took);
    if (sent == 1) taken.push_back(t);
    else refusals.push_back(took);
  }
  resume = true;
  EXPECT_LT(slowest, 5.0);  // the wait for room ends with the stall, not later
  EXPECT_EQ(refusals.size(), 3u);
  // Once the stall is known, a text is refused at once.
  for (size_t i = 1; i < refusals.size(); ++i) EXPECT_LT(refusals[i], 0.5);

  auto arrived_count = [&] {
    std::lock_guard<std::mutex> hold(lock);
    return arrived.size();
  };
  EXPECT_TRUE(wait_for(20, [&] { return arrived_count() >= taken.size(); }));
  const std::string after = numbered_text(102, 999999);
  EXPECT_TRUE(wait_for(
      5, [&] { return qvl_net_session_send_text(102, 0, qvl_test::bytes(after)) == 1; }));
  taken.push_back(after);
  EXPECT_TRUE(wait_for(10, [&] { return arrived_count() >= taken.size(); }));
  release.run();
  release.run = [] {};
  EXPECT_FALSE(broken);
  EXPECT_FALSE(foreign);
  EXPECT_TRUE(arrived == taken) << arrived.size() << " arrived, " << taken.size() << " taken";
}

// --- One machine announcing without end -------------------------------------------------

// One connection announces a player for every id the host has left: it
// gets 256 of them, the rest are refused like announcements past the last
// id, and every other machine can still add players.
TEST(SessionIdFlood, StopsAtThePlayersOneConnectionMayHave) {
  constexpr int kPerConnection = 256;
  qvl_test::SessionRecord record;
  const int port = qvl_test::unused_port();
  ASSERT_EQ(qvl_net_session_host(port), 1);
  ASSERT_EQ(qvl_net_session_add_player(BasicString("host")), 101);

  RawMachine flood(port);
  const qvl_test::Bytes one = qvl_test::wire(qvl_test::announcement(0, "flood"));
  const int ids_left = kPlayerIdLast - 101;
  std::vector<uint8_t> all;
  all.reserve(one.size() * ids_left);
  for (int i = 0; i < ids_left; ++i) all.insert(all.end(), one.begin(), one.end());
  ASSERT_TRUE(qvl_test::send_all(flood.fd, all.data(), all.size()));

  // The first id speaks for the connection; the hello's answer comes after
  // every announcement was handled.
  qvl_test::Bytes first = qvl_test::read_bytes(flood.fd, 7);
  ASSERT_EQ(first.size(), 7u);
  const uint16_t first_id = static_cast<uint16_t>(first[3] | first[4] << 8);
  EXPECT_EQ(first_id, 102);
  ASSERT_TRUE(flood.send_packet(qvl_net_packet(kPacketHello, 0, first_id)));
  int ids = 1;
  bool answered = false;
  qvl_test::StrictStream stream;
  uint8_t piece[4096];
  for (pollfd p{flood.fd, POLLIN, 0}; !answered && poll(&p, 1, 10000) == 1;) {
    ssize_t n = recv(flood.fd, piece, sizeof piece, 0);
    if (n <= 0) break;
    stream.feed(piece, static_cast<size_t>(n), [&](const NetPacket& packet) {
      if (packet.type == kPacketIdAssigned) ++ids;
      if (packet.type == kPacketHello) answered = true;
    });
  }
  EXPECT_TRUE(answered);
  EXPECT_EQ(ids, kPerConnection);

  RawMachine good(port);
  ASSERT_TRUE(good.join("good"));
  EXPECT_EQ(good.id, 102 + kPerConnection);
  EXPECT_EQ(qvl_net_session_add_player(BasicString("late")), good.id + 1);
  EXPECT_EQ(qvl_net_session_player_count(), 1 + kPerConnection + 2);
}

}  // namespace
