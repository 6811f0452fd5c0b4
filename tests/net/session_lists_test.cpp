// The session's lists and queues: the texts waiting for a player, the
// packets waiting for a connection, the host's player list, and the record
// as the shutdown empties it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/net_session.h"
#include "session_test_support.h"

namespace {

void push_text(TextQueue& q, uint32_t source, uint16_t sender, const std::string& text) {
  q.push(source, sender, reinterpret_cast<const uint8_t*>(text.data()),
         static_cast<int>(text.size()));
}

// {sender, text} of every waiting text, taken.
std::vector<std::pair<int, std::string>> take_all(TextQueue& q) {
  std::vector<std::pair<int, std::string>> all;
  for (; !q.empty(); q.pop())
    all.emplace_back(q.front_sender(),
                     std::string(reinterpret_cast<const char*>(q.front_text()),
                                 static_cast<size_t>(q.front_length())));
  return all;
}

using Texts = std::vector<std::pair<int, std::string>>;

// A text costs its length and a fixed 16 bytes, whatever it is; texts come
// out oldest first with their senders, and a source's texts can be dropped
// from anywhere in the queue.
TEST(TextQueue, CostsByLengthAndDropsOneSourcesTexts) {
  TextQueue q;
  push_text(q, 7, 101, "");
  push_text(q, 8, 102, "hello");
  push_text(q, 7, 103, std::string(1024, 'x'));
  push_text(q, 8, 104, "again");
  EXPECT_EQ(q.count(), 4);
  EXPECT_EQ(q.cost(), 0 + 5 + 1024 + 5 + 4 * TextQueue::kTextCost);
  SourceTally tally;
  q.add_costs(tally);
  EXPECT_EQ(tally, (SourceTally{{7, 1024 + 32}, {8, 10 + 32}}));

  EXPECT_EQ(q.pop(), TextQueue::kTextCost);  // the empty one
  EXPECT_EQ(q.purge(7), 1024 + TextQueue::kTextCost);
  EXPECT_EQ(q.purge(9), 0);
  EXPECT_EQ(q.count(), 2);
  EXPECT_EQ(take_all(q), (Texts{{102, "hello"}, {104, "again"}}));
  EXPECT_EQ(q.cost(), 0);
}

// A long backlog read in part keeps its order, also across the queue's
// dropping of what was read.
TEST(TextQueue, KeepsItsOrderWhileABacklogIsRead) {
  TextQueue q;
  auto text = [](int i) { return std::to_string(i) + std::string(100, '.'); };
  for (int i = 0; i < 3000; ++i) push_text(q, 1, static_cast<uint16_t>(i), text(i));
  for (int i = 0; i < 1000; ++i) q.pop();
  push_text(q, 1, 3000, text(3000));
  Texts got = take_all(q);
  ASSERT_EQ(got.size(), 2001u);
  for (size_t k = 0; k < got.size(); ++k)
    ASSERT_EQ(got[k], (std::pair<int, std::string>{1000 + int(k), text(1000 + int(k))}));
}

std::vector<uint8_t> queue_bytes(const PacketQueue& q) {
  return std::vector<uint8_t>(q.data(), q.data() + q.size());
}

// Dropping a source's packets leaves the others whole and in order, and
// never the rest of a packet that has begun to go out, whoever sent it.
TEST(PacketQueue, PurgeKeepsThePacketOnItsWayOut) {
  using qvl_test::wire;
  const NetPacket a = qvl_net_packet(kPacketText, 1, 2);
  NetPacket b = qvl_net_packet(kPacketText, 3, 4);
  qvl_net_packet_set_payload(b, "bbbb", 4);
  const NetPacket c = qvl_net_packet(kPacketHello, 5, 6);
  PacketQueue q;
  q.push(b, 9);
  q.push(a, 1);
  q.push(b, 9);
  q.push(c, 1);
  std::unordered_map<uint32_t, int64_t> tally;
  q.add_held(tally);
  EXPECT_EQ(tally[9], 2 * (11 + PacketQueue::kPacketCost));
  EXPECT_EQ(q.held(), 11 + 7 + 11 + 7 + 4 * PacketQueue::kPacketCost);

  q.consume(3);  // the first b has begun to go
  EXPECT_EQ(q.purge(9), 11 + PacketQueue::kPacketCost);
  const std::vector<uint8_t> b_wire = wire(b);
  std::vector<uint8_t> want(b_wire.begin() + 3, b_wire.end());
  for (const NetPacket* p : {&a, &c}) {
    std::vector<uint8_t> w = wire(*p);
    want.insert(want.end(), w.begin(), w.end());
  }
  EXPECT_EQ(queue_bytes(q), want);
  EXPECT_EQ(q.held(), 8 + 7 + 7 + 3 * PacketQueue::kPacketCost);

  // Taken behind another queue, the part of b still counts as its own.
  PacketQueue behind;
  behind.push(c, 5);
  behind.take(q);
  EXPECT_TRUE(q.empty());
  tally.clear();
  behind.add_held(tally);
  EXPECT_EQ(tally[9], 8 + PacketQueue::kPacketCost);
  EXPECT_EQ(behind.purge(1), 2 * (7 + PacketQueue::kPacketCost));
  behind.consume(7 + 8);
  EXPECT_TRUE(behind.empty());
}

std::vector<uint16_t> roster_ids(const PlayerRoster& r) {
  std::vector<uint16_t> ids;
  r.for_each([&](const NetPlayer& p) { ids.push_back(p.id); });
  return ids;
}

// The host's list keeps the order of announcement, however ids are found
// and players leave, and counts and places only players that are not
// query players.
TEST(PlayerRoster, KeepsTheOrderOfAnnouncement) {
  PlayerRoster r;
  r.add(5, 300, 0, "a");
  r.add(6, 101, 1, "query");
  r.add(5, 200, 0, "b");
  r.add(7, 150, 0, "c");
  EXPECT_EQ(roster_ids(r), (std::vector<uint16_t>{300, 101, 200, 150}));
  EXPECT_EQ(r.counted(), 3);
  EXPECT_EQ(r.counted_id(1), 200);
  EXPECT_EQ(r.counted_id(3), 0);
  EXPECT_EQ(r.players_of(5), 2);
  EXPECT_EQ(r.ids_of(5), (std::vector<uint16_t>{300, 200}));
  EXPECT_STREQ(r.find(150)->name, "c");
  EXPECT_EQ(r.find(151), nullptr);

  uint8_t query = 9;
  EXPECT_TRUE(r.remove(300, &query));
  EXPECT_EQ(query, 0);
  EXPECT_FALSE(r.remove(300));
  r.add(5, 300, 0, "a again");  // at the end now
  EXPECT_EQ(roster_ids(r), (std::vector<uint16_t>{101, 200, 150, 300}));
  EXPECT_EQ(r.counted_id(0), 200);
  EXPECT_EQ(r.ids_of(5), (std::vector<uint16_t>{200, 300}));

  // Walking on from a place: a player that left is passed over.
  std::vector<uint16_t> seen;
  uint64_t resume = r.visit_from(0, [&](NetPlayer& p) {
    seen.push_back(p.id);
    return p.id != 200;
  });
  EXPECT_EQ(seen, (std::vector<uint16_t>{101, 200}));
  r.remove(200);
  seen.clear();
  EXPECT_EQ(r.visit_from(resume, [&](NetPlayer& p) {
    seen.push_back(p.id);
    return true;
  }),
            PlayerRoster::kEnd);
  EXPECT_EQ(seen, (std::vector<uint16_t>{150, 300}));
}

// Fresh ids while they last; then those of players that left, longest
// gone first; none while every one is in use.
TEST(PlayerRoster, ReusesIdsOnlyPastTheLastAndOldestDepartureFirst) {
  PlayerRoster r;
  uint16_t next = kPlayerIdLast - 1;
  for (uint16_t id : {uint16_t(101), uint16_t(102), uint16_t(103)}) r.add(1, id, 0, "old");
  r.remove(102);
  EXPECT_EQ(r.take_id(next), kPlayerIdLast - 1);  // fresh ones first
  EXPECT_EQ(r.take_id(next), kPlayerIdLast);
  r.remove(101);
  r.remove(103);
  EXPECT_EQ(r.take_id(next), 102);
  EXPECT_EQ(r.take_id(next), 101);
  EXPECT_EQ(r.take_id(next), 103);
  EXPECT_FALSE(r.has_free_id(next));
  EXPECT_EQ(r.take_id(next), 0);
}

// Every node and every text a player holds is freed (the leak checker sees
// the rest), and the session's lists end empty.
TEST(SessionLists, FreeListsDrainsPlayersWithTheirMessagesAndEveryQueue) {
  auto* s = new NetSession;
  s->init_idle();
  for (uint16_t id : {101, 102}) {
    NetPlayer* p = s->local_players.push_back();
    p->id = id;
    push_text(p->messages, 1, 7, "hello");
    push_text(p->messages, 1, 7, "again");
  }
  s->remote_players.add(3, 7, 0, "remote");
  s->received.push_back()->packet = qvl_net_packet(kPacketText, 1, 2);
  s->replies.push_back()->packet = qvl_net_packet(kPacketHello, 1, 0);
  s->left_players.push_back()->id = 9;
  s->left_players.push_back()->id = 10;

  s->free_lists();
  for (const auto* count : {&s->local_players.count, &s->received.count, &s->replies.count,
                            &s->left_players.count})
    EXPECT_EQ(*count, 0);
  EXPECT_TRUE(s->remote_players.empty());
  EXPECT_EQ(s->local_players.head, nullptr);
  EXPECT_EQ(s->left_players.tail, nullptr);
  s->free_lists();  // already empty: nothing
  qvl_sys_mutex_destroy(&s->lock);
  delete s;
}

// The departures a host keeps for its program are bounded: past the bound
// the oldest go, and the newest come first.
TEST(SessionLists, DeparturesKeepTheNewest) {
  NetSession s;
  s.init_idle();
  for (int id = 1; id <= kLeftPlayersKept + 10; ++id) s.record_departure(static_cast<uint16_t>(id));
  EXPECT_EQ(s.left_players.count, kLeftPlayersKept);
  EXPECT_EQ(s.left_players.front()->id, 11);
  EXPECT_EQ(s.left_players.tail->payload.id, kLeftPlayersKept + 10);
  s.free_lists();
  qvl_sys_mutex_destroy(&s.lock);
}

}  // namespace
