// Who stays in a session: a machine is dropped only for what it does
// itself, and a player whose program reads it gets every text. Honest
// bursts, floods, slow and lazy readers and programs that read only some
// of their players, each with the machines that must stay and what the
// readers must get; then ids that come back after the host's own players
// left, and connections that would hold a place without a player.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "net/session_commands.h"
#include "net_test_support.h"
#include "raw_machine.h"
#include "session_test_support.h"

namespace {

using qvl_test::Bytes;
using qvl_test::closed_by_host;
using qvl_test::HostedSession;
using qvl_test::LineChannel;
using qvl_test::payload_text;
using qvl_test::PeerProcess;
using qvl_test::RawMachine;
using qvl_test::ReaderThread;
using qvl_test::str;
using qvl_test::text_packet;
using qvl_test::wait_for;

// Texts of 8 bytes, numbered from 0, so a reader tells order and loss.
std::string short_text(int n) {
  char t[16];
  std::snprintf(t, sizeof t, "%08d", n);
  return t;
}

// Counts the texts that came in order, from 0 on; a text out of its place
// stops the count.
struct InOrder {
  int next = 0;
  bool broken = false;
  void take(const std::string& t) {
    if (!broken && t == short_text(next)) ++next;
    else broken = true;
  }
};

// Reads the local player as a game loop does, everything waiting once a
// frame of 50 ms, until count texts came or none came for 10 s: the texts
// that came in order.
int read_player(int id, int count) {
  InOrder got;
  auto last = qvl_test::Clock::now();
  while (got.next < count && !got.broken && qvl_test::seconds_since(last) < 10) {
    for (BasicString t; (t = qvl_net_session_next_message(id)).length > 0;) {
      got.take(str(t));
      last = qvl_test::Clock::now();
    }
    if (got.next < count) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return got.next;
}

// What waits for a local player that was never read: the count and the
// last text.
std::string unread(int id) {
  int count = 0;
  std::string last;
  for (BasicString t; (t = qvl_net_session_next_message(id)).length > 0; ++count) last = str(t);
  return std::to_string(count) + " last " + last;
}

// A joined machine in a process of its own, driven line by line:
// "read ID N", "send FROM TO N", "unread ID", "running".
void joined_machine(LineChannel& c, std::vector<std::string> names) {
  const int port = std::stoi(c.read_line());
  c.write_line("join " + std::to_string(qvl_net_session_join(BasicString("127.0.0.1"), port)));
  for (const std::string& name : names)
    c.write_line("id " + std::to_string(qvl_net_session_add_player(BasicString(name.c_str()))));
  for (;;) {
    std::string line = c.read_line(60000);
    int a = 0, b = 0, n = 0;
    if (std::sscanf(line.c_str(), "read %d %d", &a, &n) == 2) {
      c.write_line("got " + std::to_string(read_player(a, n)));
    } else if (std::sscanf(line.c_str(), "send %d %d %d", &a, &b, &n) == 3) {
      int sent = 0;
      for (int i = 0; i < n; ++i)
        sent += qvl_net_session_send_text(a, b, BasicString(short_text(i).c_str()));
      c.write_line("sent " + std::to_string(sent));
    } else if (std::sscanf(line.c_str(), "unread %d", &a) == 1) {
      c.write_line("unread " + unread(a));
    } else if (line == "running") {
      c.write_line("running " + std::to_string(qvl_net_session_is_running()));
    } else {
      return;
    }
  }
}

// A joined machine's process, its players' ids as it reports them.
struct Joined {
  PeerProcess process;
  std::vector<int> ids;
  explicit Joined(std::vector<std::string> names)
      : process([names](LineChannel& c) { joined_machine(c, names); }), count_(names.size()) {}
  bool start(int port) {
    process.write_line(std::to_string(port));
    if (process.read_line() != "join 1") return false;
    for (size_t i = 0; i < count_; ++i) {
      int id = 0;
      if (std::sscanf(process.read_line().c_str(), "id %d", &id) != 1 || id == 0) return false;
      ids.push_back(id);
    }
    return true;
  }
  std::string ask(const std::string& line) {
    process.write_line(line);
    return process.read_line(60000);
  }
  int number_after(const std::string& line) {
    std::string answer = process.read_line(60000);
    int n = -1;
    std::sscanf(answer.c_str(), (line + " %d").c_str(), &n);
    return n;
  }
  bool stayed() { return ask("running") == "running 1"; }

 private:
  size_t count_;
};

// What a case ends with: the machines still there, what each reader got
// (in order), and what waits for a player never read.
struct Outcome {
  std::set<std::string> stayed;
  std::map<std::string, std::string> got;
};

struct StayCase {
  const char* name;
  std::function<void(Outcome&)> run;
  std::set<std::string> stays;
  std::map<std::string, std::string> gets;
};

constexpr int k2x = 2 * kPlayerTextLimit;
constexpr int k5x = 5 * kPlayerTextLimit;

// A machine floods a player of a joined machine whose program reads it:
// the flood is slowed to the reader's pace, nobody leaves.
void direct_flood_at_joined_player(Outcome& out) {
  Joined reader({"reader"});
  HostedSession host;
  ASSERT_EQ(host.started, 1);
  ASSERT_TRUE(reader.start(host.port));
  RawMachine flooder(host.port);
  ASSERT_TRUE(flooder.join("flooder"));
  const Bytes burst =
      qvl_test::text_burst(flooder.id, static_cast<uint16_t>(reader.ids[0]), k5x, short_text);
  reader.process.write_line("read " + std::to_string(reader.ids[0]) + " " + std::to_string(k5x));
  std::thread flood([&] { qvl_test::send_all(flooder.fd, burst.data(), burst.size()); });
  out.got["reader"] = std::to_string(reader.number_after("got"));
  flood.join();
  if (reader.stayed()) out.stayed.insert("reader");
  if (round_trip(flooder)) out.stayed.insert("flooder");
}

// A joined machine's program sends a burst to a player of the host's
// program, which reads it in a tight loop.
void burst_to_host_player(Outcome& out, int count) {
  Joined sender({"sender"});
  HostedSession host;
  ASSERT_EQ(host.started, 1);
  const int reader = qvl_net_session_add_player(BasicString("reader"));
  ASSERT_TRUE(sender.start(host.port));
  sender.process.write_line("send " + std::to_string(sender.ids[0]) + " " +
                            std::to_string(reader) + " " + std::to_string(count));
  out.got["reader"] = std::to_string(read_player(reader, count));
  out.got["sender"] = std::to_string(sender.number_after("sent"));
  if (sender.stayed()) out.stayed.insert("sender");
}

// The same to a player of another joined machine.
void burst_to_joined_player(Outcome& out, int count) {
  Joined sender({"sender"});
  Joined reader({"reader"});
  HostedSession host;
  ASSERT_EQ(host.started, 1);
  ASSERT_TRUE(sender.start(host.port));
  ASSERT_TRUE(reader.start(host.port));
  reader.process.write_line("read " + std::to_string(reader.ids[0]) + " " + std::to_string(count));
  out.got["sender"] = sender.ask("send " + std::to_string(sender.ids[0]) + " " +
                                 std::to_string(reader.ids[0]) + " " + std::to_string(count))
                          .substr(5);
  out.got["reader"] = std::to_string(reader.number_after("got"));
  if (sender.stayed()) out.stayed.insert("sender");
  if (reader.stayed()) out.stayed.insert("reader");
}

// Texts to everybody of 1 KB, numbered, from `senders` machines at full
// speed while a prompt reader reads, and one more reader reads `piece`
// bytes every `every_ms`. The senders read what they get, as honest
// machines do.
void texts_to_everybody(Outcome& out, int senders, int count, int piece, int every_ms) {
  constexpr int kSmallWindow = 4096;
  HostedSession host;
  ASSERT_EQ(host.started, 1);
  std::vector<std::unique_ptr<RawMachine>> sending;
  for (int i = 0; i < senders; ++i) {
    sending.push_back(std::make_unique<RawMachine>(host.port));
    ASSERT_TRUE(sending.back()->join("sender"));
  }
  RawMachine prompt(host.port);
  ASSERT_TRUE(prompt.join("prompt"));
  RawMachine other(host.port, kSmallWindow);
  ASSERT_TRUE(other.join("other"));

  // The prompt reader and the senders take everything at once; each
  // counts, per sender, the texts that came in order.
  std::mutex lock;
  std::vector<int> fds{prompt.fd};
  for (auto& s : sending) fds.push_back(s->fd);
  std::map<int, int> prompt_got;  // sender id -> texts in order
  auto on_packet = [&](int machine, const NetPacket& p) {
    int from = 0, number = 0;
    if (machine != 0 || p.type != kPacketText) return;
    std::lock_guard<std::mutex> hold(lock);
    if (qvl_test::parse_numbered(payload_text(p), &from, &number) && number == prompt_got[from])
      ++prompt_got[from];
  };
  auto reading = std::make_unique<ReaderThread>(fds, on_packet);

  // The other reader reads until it is told to stop or the host closed
  // its connection.
  const int total = senders * count;
  std::atomic<int> other_got{0};
  std::atomic<bool> stop{false};
  std::thread slow([&] {
    qvl_test::StrictStream stream;
    std::vector<uint8_t> bytes(static_cast<size_t>(piece));
    while (!stop) {
      ssize_t n = recv(other.fd, bytes.data(), bytes.size(), MSG_DONTWAIT);
      if (n == 0) break;  // dropped
      if (n > 0)
        stream.feed(bytes.data(), static_cast<size_t>(n), [&](const NetPacket& p) {
          other_got += p.type == kPacketText;
        });
      std::this_thread::sleep_for(std::chrono::milliseconds(every_ms));
    }
  });
  std::vector<std::thread> sends;
  for (auto& s : sending) {
    RawMachine* m = s.get();
    sends.emplace_back([m, count] {
      for (int i = 0; i < count; ++i) {
        const Bytes one = qvl_test::wire(
            text_packet(m->id, kPlayerIdAll, qvl_test::numbered_text(m->id, i, 1024)));
        if (!qvl_test::send_all(m->fd, one.data(), one.size())) return;
      }
    });
  }
  for (auto& t : sends) t.join();
  wait_for(60, [&] {
    std::lock_guard<std::mutex> hold(lock);
    for (auto& s : sending)
      if (prompt_got[s->id] < count) return false;
    return true;
  });
  int least = count;
  {
    std::lock_guard<std::mutex> hold(lock);
    for (auto& s : sending) least = std::min(least, prompt_got[s->id]);
  }
  out.got["prompt"] = std::to_string(least);
  // The other reader stays when the host has not dropped it, and then
  // gets everything, at its pace.
  std::set<int> left;
  wait_for(30, [&] {
    for (int id; (id = qvl_net_session_next_left_player()) != 0;) left.insert(id);
    return other_got == total || left.count(other.id) > 0;
  });
  stop = true;
  slow.join();
  if (other_got == total) out.got["other"] = "all";
  if (left.count(other.id) == 0) out.stayed.insert("other");
  reading.reset();
  for (size_t i = 0; i < sending.size(); ++i)
    if (round_trip(*sending[i])) out.stayed.insert("sender " + std::to_string(i));
  if (round_trip(prompt)) out.stayed.insert("prompt");
}

// Texts to everybody from one machine to a program that reads only the
// first of its two players.
void one_of_two_players_on_the_host(Outcome& out) {
  HostedSession host;
  ASSERT_EQ(host.started, 1);
  const int read = qvl_net_session_add_player(BasicString("read"));
  const int never = qvl_net_session_add_player(BasicString("never read"));
  RawMachine sender(host.port);
  ASSERT_TRUE(sender.join("sender"));
  const Bytes burst = qvl_test::text_burst(sender.id, kPlayerIdAll, k5x, short_text);
  std::thread send([&] { qvl_test::send_all(sender.fd, burst.data(), burst.size()); });
  out.got["read"] = std::to_string(read_player(read, k5x));
  send.join();
  if (round_trip(sender)) out.stayed.insert("sender");
  out.got["never read"] = unread(never);
}

void one_of_two_players_joined(Outcome& out) {
  Joined program({"read", "never read"});
  HostedSession host;
  ASSERT_EQ(host.started, 1);
  ASSERT_TRUE(program.start(host.port));
  RawMachine sender(host.port);
  ASSERT_TRUE(sender.join("sender"));
  const Bytes burst = qvl_test::text_burst(sender.id, kPlayerIdAll, k5x, short_text);
  program.process.write_line("read " + std::to_string(program.ids[0]) + " " + std::to_string(k5x));
  std::thread send([&] { qvl_test::send_all(sender.fd, burst.data(), burst.size()); });
  out.got["read"] = std::to_string(program.number_after("got"));
  send.join();
  if (round_trip(sender)) out.stayed.insert("sender");
  out.got["never read"] = program.ask("unread " + std::to_string(program.ids[1])).substr(7);
  if (program.stayed()) out.stayed.insert("program");
}

const std::string kNewestKept =
    std::to_string(kPlayerTextLimit) + " last " + short_text(k5x - 1);

const StayCase kStayCases[] = {
    {"DirectFloodAtAJoinedPlayer", direct_flood_at_joined_player, {"reader", "flooder"},
     {{"reader", std::to_string(k5x)}}},
    {"BurstOf2xToAHostPlayer", [](Outcome& o) { burst_to_host_player(o, k2x); }, {"sender"},
     {{"reader", std::to_string(k2x)}, {"sender", std::to_string(k2x)}}},
    {"BurstOf5xToAHostPlayer", [](Outcome& o) { burst_to_host_player(o, k5x); }, {"sender"},
     {{"reader", std::to_string(k5x)}, {"sender", std::to_string(k5x)}}},
    {"BurstOf2xToAJoinedPlayer", [](Outcome& o) { burst_to_joined_player(o, k2x); },
     {"sender", "reader"}, {{"reader", std::to_string(k2x)}, {"sender", std::to_string(k2x)}}},
    {"BurstOf5xToAJoinedPlayer", [](Outcome& o) { burst_to_joined_player(o, k5x); },
     {"sender", "reader"}, {{"reader", std::to_string(k5x)}, {"sender", std::to_string(k5x)}}},
    // 4 KB every 1.5 s against a sender at full speed, with more than the
    // sockets hold: the lazy reader goes, the sender and the prompt reader
    // stay.
    {"LazyReaderOfTextsToEverybody",
     [](Outcome& o) { texts_to_everybody(o, 1, 6000, 4096, 1500); },
     {"sender 0", "prompt"}, {{"prompt", "6000"}}},
    // Two senders at full speed, with more than the sockets hold, and a
    // reader that takes 8 KB every 5 ms: slower than they send, but it
    // reads, so they are slowed and nobody goes.
    {"SlowLiveReaderOfTextsToEverybody",
     [](Outcome& o) { texts_to_everybody(o, 2, 2500, 8192, 5); },
     {"sender 0", "sender 1", "prompt", "other"}, {{"prompt", "2500"}, {"other", "all"}}},
    {"ProgramReadsOneOfTwoPlayersOnTheHost", one_of_two_players_on_the_host, {"sender"},
     {{"read", std::to_string(k5x)}, {"never read", kNewestKept}}},
    {"ProgramReadsOneOfTwoPlayersJoined", one_of_two_players_joined, {"sender", "program"},
     {{"read", std::to_string(k5x)}, {"never read", kNewestKept}}},
};

void PrintTo(const StayCase& c, std::ostream* os) { *os << c.name; }

class SessionStays : public testing::TestWithParam<StayCase> {};

TEST_P(SessionStays, WhoStaysAndWhatTheReadersGet) {
  const StayCase& c = GetParam();
  Outcome out;
  c.run(out);
  EXPECT_EQ(out.stayed, c.stays);
  EXPECT_EQ(out.got, c.gets);
}

INSTANTIATE_TEST_SUITE_P(Cases, SessionStays, testing::ValuesIn(kStayCases),
                         [](const testing::TestParamInfo<StayCase>& i) { return i.param.name; });

// --- Ids that come back ------------------------------------------------------------------

// Once the fresh ids are used up, the id of a player the host's program
// removed goes to a newcomer, and a text to that id reaches the newcomer,
// not the removed player.
TEST(SessionIdReuse, ATextToAReusedIdReachesItsNewOwner) {
  HostedSession host;
  ASSERT_EQ(host.started, 1);
  ASSERT_EQ(qvl_net_session_player_count(), 0);  // the query player takes its id now
  {
    SessionLock hold(*host.record.s);
    host.record.s->next_id = kPlayerIdLast - 1;  // as after 65,176 players
  }
  const int removed = qvl_net_session_add_player(BasicString("removed"));
  const int sender = qvl_net_session_add_player(BasicString("sender"));
  ASSERT_EQ(removed, kPlayerIdLast - 1);
  ASSERT_EQ(sender, kPlayerIdLast);
  EXPECT_EQ(qvl_net_session_remove_player(removed), 7);
  EXPECT_EQ(qvl_net_session_player_count(), 1);  // the removal is in
  RawMachine newcomer(host.port);
  ASSERT_TRUE(newcomer.join("newcomer"));
  ASSERT_EQ(newcomer.id, removed);
  ASSERT_EQ(qvl_net_session_send_text(sender, removed, BasicString("for the newcomer")), 1);
  const Bytes got = qvl_test::read_bytes(newcomer.fd, 7 + 16);
  EXPECT_EQ(got, qvl_test::wire(text_packet(static_cast<uint16_t>(sender),
                                            static_cast<uint16_t>(removed), "for the newcomer")));
  EXPECT_EQ(str(qvl_net_session_next_message(removed)), "");
}

// --- Places held without a player --------------------------------------------------------

// How many of the machines' connections the host closed within 20 s in
// all.
int closed_by_host(const std::vector<std::unique_ptr<RawMachine>>& machines) {
  std::vector<bool> closed(machines.size());
  int count = 0;
  wait_for(20, [&] {
    uint8_t piece[4096];
    for (size_t i = 0; i < machines.size(); ++i) {
      if (closed[i]) continue;
      const ssize_t n = recv(machines[i]->fd, piece, sizeof piece, MSG_DONTWAIT);
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)) {
        closed[i] = true;
        ++count;
      }
    }
    return count == static_cast<int>(machines.size());
  });
  return count;
}

// Eight addresses take every place with connections that announced a
// player and then hold half a packet, or removed their only player: they
// are closed within seconds, and an honest machine gets in after them.
// An announcement past an address's budget of new ids closes its
// connection at once.
TEST(SessionPlaces, ConnectionsWithoutAPlayerOrWithHalfAPacketAreClosed) {
  HostedSession host;
  ASSERT_EQ(host.started, 1);
  std::vector<std::unique_ptr<RawMachine>> holders;
  for (int i = 0; i < 127; ++i) {  // every place but the host's own
    static uint32_t address = 0;
    if (i % 16 == 0) address = qvl_test::next_loopback_address();
    holders.push_back(std::make_unique<RawMachine>(host.port, 0, address));
    RawMachine& m = *holders.back();
    ASSERT_TRUE(m.join("holder")) << i;
    if (i % 2 == 0) {
      const Bytes half{kPacketText, 8, 0};
      qvl_test::send_bytes(m.fd, half);
    } else {
      m.send_packet(qvl_net_packet(kPacketRemovePlayer, 0, m.id));
    }
  }
  EXPECT_EQ(closed_by_host(holders), static_cast<int>(holders.size()));
  RawMachine honest(host.port);
  EXPECT_TRUE(honest.join("honest"));

  // One address takes its budget of new ids on two connections; a third
  // whose announcements pass it is closed at once, not left unanswered.
  const uint32_t greedy = qvl_test::next_loopback_address();
  const Bytes one = qvl_test::wire(qvl_test::announcement(0, "greedy"));
  Bytes all;
  for (int i = 0; i < kMaxPlayersPerConnection; ++i) all.insert(all.end(), one.begin(), one.end());
  std::vector<std::unique_ptr<RawMachine>> greedy_ones;
  for (int c = 0; c < 2; ++c) {
    greedy_ones.push_back(std::make_unique<RawMachine>(host.port, 0, greedy));
    qvl_test::send_bytes(greedy_ones.back()->fd, all);
    EXPECT_EQ(qvl_test::read_bytes(greedy_ones.back()->fd, 7 * kMaxPlayersPerConnection).size(),
              size_t{7} * kMaxPlayersPerConnection);
  }
  RawMachine past(host.port, 0, greedy);
  qvl_test::send_bytes(past.fd, Bytes(all.begin(), all.begin() + 64 * kAnnouncementSize));
  EXPECT_TRUE(closed_by_host(past.fd));
}

}  // namespace
