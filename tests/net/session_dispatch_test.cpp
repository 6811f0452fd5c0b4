// The host's handling of the session's packets and what every machine
// takes from the host, run on the session record without sockets.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "net/session_dispatch.h"
#include "session_test_support.h"

namespace {

using qvl_test::payload_text;
using qvl_test::RecordingSender;
using qvl_test::wire;

// Slot 0 is the host's client connection; the joined connections are 1
// (the host's own loop), 2 and 3.
constexpr int kClient = 0;

// Takes every text waiting for the player.
std::vector<std::string> texts(NetPlayer& p) {
  std::vector<std::string> all;
  for (; !p.messages.empty(); p.messages.pop())
    all.emplace_back(reinterpret_cast<const char*>(p.messages.front_text()),
                     static_cast<size_t>(p.messages.front_length()));
  return all;
}

struct Host {
  NetSession s;
  RecordingSender out;
  std::vector<int> broken;

  explicit Host(bool hosting = true) {
    s.init_idle();
    s.hosting = hosting ? 1 : 0;
    s.client_slot = kClient;
  }
  ~Host() {
    s.free_lists();
    qvl_sys_mutex_destroy(&s.lock);
  }

  void receive(int origin, const NetPacket& p) {
    NetMessage* m = s.received.push_back();
    m->packet = p;
    m->origin = origin;
    m->source = static_cast<uint32_t>(origin) + 100;
  }
  void announce(int origin, const char* name, uint8_t query = 0) {
    receive(origin, qvl_test::announcement(query, name));
  }
  void text(int origin, uint16_t from, uint16_t to, const char* t) {
    NetPacket p = qvl_net_packet(kPacketText, to, from);
    qvl_net_packet_set_payload(p, t, static_cast<int>(std::strlen(t)));
    receive(origin, p);
  }
  void ask(int origin, uint8_t type, uint16_t asker, int arg = -1) {
    NetPacket p = qvl_net_packet(type, 0, asker);
    if (arg >= 0) qvl_net_packet_set_u16(p, static_cast<uint16_t>(arg));
    receive(origin, p);
  }
  NetPlayer* remote(int slot, uint16_t id, uint8_t query = 0, const char* name = "p") {
    return &s.remote_players.add(slot, id, query, name);
  }
  NetPlayer* local(uint16_t id) {
    NetPlayer* p = s.local_players.push_back();
    s.set_local_id(s.local_players.tail, id);
    return p;
  }
  // One dispatch, as the thread runs it; returns what was sent.
  std::vector<RecordingSender::Sent> run() {
    out.sent.clear();
    broken.clear();
    qvl_sys_mutex_lock(&s.lock);
    qvl_net_session_dispatch(s, out, broken);
    qvl_sys_mutex_unlock(&s.lock);
    EXPECT_EQ(s.received.count, 0);
    return out.sent;
  }
  std::vector<uint16_t> remote_ids() const {
    std::vector<uint16_t> ids;
    s.remote_players.for_each([&](const NetPlayer& p) { ids.push_back(p.id); });
    return ids;
  }
  std::vector<uint16_t> departures() const {
    std::vector<uint16_t> ids;
    for (auto* n = s.left_players.head; n; n = n->next) ids.push_back(n->payload.id);
    return ids;
  }
};

// Ids go out in order of announcement whoever announces, query players
// included, each answered on its own connection with a 7-byte type-2
// packet.
TEST(SessionHost, AnnouncementsTakeIdsInOrderOnTheirConnection) {
  Host h;
  h.announce(1, "alice");
  h.announce(1, "query", 1);
  h.announce(2, "bob");
  h.announce(3, std::string(200, 'n').c_str());
  auto sent = h.run();
  ASSERT_EQ(sent.size(), 4u);
  const int slots[] = {1, 1, 2, 3};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(sent[i].slot, slots[i]);
    EXPECT_EQ(wire(sent[i].packet),
              (std::vector<uint8_t>{2, 0, 0, static_cast<uint8_t>(101 + i), 0, 0, 0}));
  }
  EXPECT_EQ(h.remote_ids(), (std::vector<uint16_t>{101, 102, 103, 104}));
  const NetPlayer& query = *h.s.remote_players.find(102);
  EXPECT_EQ(query.query, 1);
  EXPECT_STREQ(query.name, "query");
  EXPECT_EQ(std::string(h.s.remote_players.find(104)->name), std::string(127, 'n'));
  EXPECT_EQ(h.s.next_id, 105);
}

// Refused announcements get no answer and no player: while the host takes
// no new players, past the last id, and when the payload is short.
TEST(SessionHost, RefusedAnnouncementsGetNoAnswer) {
  Host h;
  h.s.accept_new = 0;
  h.announce(2, "late");
  EXPECT_TRUE(h.run().empty());

  h.s.accept_new = 1;
  NetPacket short_one = qvl_net_packet(kPacketAnnounce, 0, 0);
  qvl_net_packet_set_payload(short_one, "\xff\xff\xff\xff\xfe\xff", 6);
  h.receive(2, short_one);
  EXPECT_TRUE(h.run().empty());

  // Past what the connection's address may take for now: refused, and the
  // connection is to be closed at once.
  h.out.new_ids = 1;
  h.announce(2, "allowed");
  h.announce(2, "over the budget");
  EXPECT_EQ(h.run().size(), 1u);
  EXPECT_EQ(h.broken, std::vector<int>{2});
  h.out.new_ids = INT32_MAX;

  h.s.next_id = kPlayerIdLast;
  h.announce(2, "last");
  h.announce(2, "one too many");
  auto sent = h.run();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].packet.target, 0xFEFF);
  EXPECT_EQ(h.remote_ids(), (std::vector<uint16_t>{101, 0xFEFF}));
}

// Ids are not reused while fresh ones last; past the last one, the ids of
// players that left go out again, the longest gone first, so the session
// takes players as long as fewer than every id are present.
TEST(SessionHost, IdsOfPlayersThatLeftAreHandedOutPastTheLast) {
  Host h;
  h.s.next_id = kPlayerIdLast - 1;
  h.remote(2, 101);
  h.remote(3, 102);
  h.remote(2, 103);
  h.receive(2, qvl_net_packet(kPacketRemovePlayer, 0, 103));
  h.receive(3, qvl_net_packet(kPacketRemovePlayer, 0, 102));
  h.announce(3, "fresh");
  h.announce(3, "last fresh");
  h.announce(3, "first again");
  h.run();
  EXPECT_EQ(qvl_net_session_drop_connection(h.s, 2), 1);  // 101 leaves last
  h.announce(3, "second again");
  h.announce(3, "third again");
  h.announce(3, "none left");
  h.run();
  EXPECT_EQ(h.remote_ids(),
            (std::vector<uint16_t>{kPlayerIdLast - 1, kPlayerIdLast, 103, 102, 101}));
  EXPECT_EQ(h.departures(), (std::vector<uint16_t>{103, 102, 101}));
}

// One connection speaks for at most 256 players, its query player among
// them: past that its announcements are refused like those past the last
// id, other connections are served, and a player that leaves makes room.
TEST(SessionHost, OneConnectionHoldsAtMost256Players) {
  Host h;
  for (int i = 0; i < 255; ++i) h.remote(2, static_cast<uint16_t>(101 + i));
  h.s.next_id = 356;
  h.announce(2, "query", 1);
  h.announce(2, "one too many");
  h.announce(3, "other");
  using Ids = std::vector<std::pair<int, int>>;  // {slot, id} of each answer
  auto answers = [&] {
    Ids ids;
    for (const auto& sent : h.run()) ids.emplace_back(sent.slot, sent.packet.target);
    return ids;
  };
  EXPECT_EQ(answers(), (Ids{{2, 356}, {3, 357}}));

  h.receive(2, qvl_net_packet(kPacketRemovePlayer, 0, 101));
  h.announce(2, "again");
  EXPECT_EQ(answers(), (Ids{{2, 358}}));
}

// A text to all reaches every other player that is not a query player,
// one copy each with its own id as target; a text to one player goes to
// that player's connection unchanged, and to nobody when the id is unknown.
TEST(SessionHost, TextsAreRelayed) {
  Host h;
  h.remote(1, 101);
  h.remote(2, 102);
  h.remote(2, 103, 1);
  h.remote(3, 104);
  h.text(2, 102, kPlayerIdAll, "to all");
  h.text(2, 102, 104, "to one");
  h.text(2, 102, 999, "to nobody");
  auto sent = h.run();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[0].slot, 1);
  EXPECT_EQ(sent[0].packet.target, 101);
  EXPECT_EQ(sent[1].slot, 3);
  EXPECT_EQ(sent[1].packet.target, 104);
  for (int i : {0, 1}) {
    EXPECT_EQ(sent[i].packet.sender, 102);
    EXPECT_EQ(payload_text(sent[i].packet), "to all");
  }
  EXPECT_EQ(sent[2].slot, 3);
  EXPECT_EQ(wire(sent[2].packet)[3], 104);
  EXPECT_EQ(payload_text(sent[2].packet), "to one");
}

// A connection speaks only for the players announced over it: a text,
// remove-player packet or request in another player's name is ignored.
TEST(SessionHost, PacketsInAnotherConnectionsNameAreIgnored) {
  Host h;
  h.remote(1, 101);
  h.remote(2, 102);
  h.remote(2, 103, 1);
  h.local(101);
  h.text(2, 101, kPlayerIdAll, "forged");
  h.text(2, 101, 101, "forged to a local player");
  h.receive(2, qvl_net_packet(kPacketRemovePlayer, 0, 101));
  h.ask(2, kPacketHello, 101);
  EXPECT_TRUE(h.run().empty());
  EXPECT_EQ(h.remote_ids(), (std::vector<uint16_t>{101, 102, 103}));
  EXPECT_EQ(h.s.local_players.front()->messages.count(), 0);

  // In its own name it works, and a query player leaves no departure.
  h.receive(2, qvl_net_packet(kPacketRemovePlayer, 0, 102));
  h.receive(2, qvl_net_packet(kPacketRemovePlayer, 0, 103));
  h.text(1, 101, 101, "own");
  h.run();
  EXPECT_EQ(h.remote_ids(), (std::vector<uint16_t>{101}));
  EXPECT_EQ(h.departures(), (std::vector<uint16_t>{102}));
  EXPECT_EQ(h.s.local_players.front()->messages.count(), 1);
}

// Every request's answer, byte by byte, to the asker's connection.
TEST(SessionHost, RequestsAreAnswered) {
  Host h;
  h.remote(1, 101, 0, "alice");
  h.remote(1, 102, 1, "query");
  h.remote(2, 103, 1, "query");
  h.remote(2, 104, 0, "bob");
  h.remote(3, 105, 0, "");
  h.remote(3, 106, 0, "carol");
  struct Case {
    uint8_t type;
    int arg;
    std::vector<uint8_t> payload;
  } cases[] = {
      {kPacketPlayerCount, -1, {4, 0}},  // the query players are not counted
      {kPacketPlayerId, 0, {101, 0}},
      {kPacketPlayerId, 1, {104, 0}},
      {kPacketPlayerId, 3, {106, 0}},
      {kPacketPlayerId, 4, {0, 0}},  // past the last player: none
      {kPacketPlayerId, 0xFFFF, {0, 0}},
      {kPacketPlayerName, 104, {'b', 'o', 'b'}},
      {kPacketPlayerName, 102, {'q', 'u', 'e', 'r', 'y'}},
      {kPacketPlayerName, 105, {'N', 'O', '_', 'D', 'A', 'T', 'A'}},  // empty name
      {kPacketPlayerName, 999, {'N', 'O', '_', 'D', 'A', 'T', 'A'}},
      {kPacketHello, -1, {1, 0}},
  };
  for (const Case& c : cases) {
    h.ask(2, c.type, 103, c.arg);
    auto sent = h.run();
    ASSERT_EQ(sent.size(), 1u) << int(c.type) << " " << c.arg;
    EXPECT_EQ(sent[0].slot, 2);
    std::vector<uint8_t> want = {c.type, static_cast<uint8_t>(c.payload.size()), 0, 103, 0, 0, 0};
    want.insert(want.end(), c.payload.begin(), c.payload.end());
    EXPECT_EQ(wire(sent[0].packet), want) << int(c.type) << " " << c.arg;
  }

  // Requests the host does not handle: short payloads, a target other
  // than the host, an asker it does not know.
  NetPacket short_id = qvl_net_packet(kPacketPlayerId, 0, 103);
  qvl_net_packet_set_payload(short_id, "\x01", 1);
  h.receive(2, short_id);
  h.receive(2, qvl_net_packet(kPacketPlayerName, 0, 103));
  h.receive(2, qvl_net_packet(kPacketHello, 101, 103));
  h.ask(2, kPacketHello, 999);
  EXPECT_TRUE(h.run().empty());
}

// A closed connection takes every player that came over it, with one
// departure for each that is not a query player.
TEST(SessionHost, ClosedConnectionTakesAllItsPlayers) {
  Host h;
  h.remote(1, 101);
  h.remote(2, 103, 1);
  h.remote(2, 104);
  h.remote(3, 105);
  h.remote(2, 106);
  EXPECT_EQ(qvl_net_session_drop_connection(h.s, 2), 3);
  EXPECT_EQ(h.remote_ids(), (std::vector<uint16_t>{101, 105}));
  EXPECT_EQ(h.departures(), (std::vector<uint16_t>{104, 106}));
}

// A connection whose send failed gets nothing more in that pass and is
// reported for dropping; the others are served.
TEST(SessionHost, FailedSendMarksTheConnectionBroken) {
  Host h;
  h.remote(1, 101);
  h.remote(2, 102);
  h.remote(3, 103);
  h.out.refuse = {3};
  h.text(1, 101, kPlayerIdAll, "a");
  h.text(1, 101, kPlayerIdAll, "b");
  auto sent = h.run();
  EXPECT_EQ(h.broken, std::vector<int>{3});
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].slot, 2);
  EXPECT_EQ(sent[1].slot, 2);
}

// Ids and answers count only when they come from the host over the client
// connection; texts for this machine's players too, unless the host reads
// them from their sender's own connection.
TEST(SessionClient, TakesTheHostsWordOnlyFromTheClientConnection) {
  Host h;  // hosting, so joined connections exist
  h.remote(2, 103);
  NetPlayer* a = h.local(kPlayerIdWaiting);
  NetPlayer* b = h.local(kPlayerIdWaiting);
  NetPlayer* mine = h.local(101);
  h.receive(2, qvl_net_packet(kPacketIdAssigned, 150, 0));  // forged by a peer
  h.receive(kClient, qvl_net_packet(kPacketIdAssigned, kPlayerIdUnannounced, 0));  // no id
  h.receive(kClient, qvl_net_packet(kPacketIdAssigned, 102, 0));
  NetPacket answer = qvl_net_packet(kPacketHello, 102, 0);
  qvl_net_packet_set_u16(answer, 1);
  h.s.owe_answer(kPacketHello, 1, 0);
  h.receive(2, answer);
  h.receive(kClient, answer);
  h.text(kClient, 104, 101, "relayed by the host");
  h.text(2, 103, 101, "from its own connection");
  h.text(2, 104, 101, "in another's name");
  h.run();
  EXPECT_EQ(a->id, 102);
  EXPECT_EQ(b->id, kPlayerIdWaiting);
  ASSERT_EQ(h.s.replies.count, 1);
  EXPECT_EQ(texts(*mine),
            (std::vector<std::string>{"relayed by the host", "from its own connection"}));
}

// A text to everybody is copied out as far as the pass's budget goes, and
// goes on in the next pass with the next player, passing over one that
// left meanwhile; the host's own players get their copies at once, marked
// with the connection the text came over.
TEST(SessionHost, TextToEverybodyGoesOutAsTheBudgetAllows) {
  Host h;
  h.s.own_slot = 1;
  NetPlayer* own = h.local(101);
  h.remote(1, 101);
  h.remote(2, 102);
  for (int i = 0; i < 6; ++i) h.remote(3, static_cast<uint16_t>(103 + i));
  NetMessage m;
  m.packet = qvl_net_packet(kPacketText, kPlayerIdAll, 102);
  qvl_net_packet_set_payload(m.packet, "hi", 2);
  m.origin = 2;
  m.source = 42;
  const int64_t copy = 7 + 2;
  h.out.left = 2 * copy;
  FanOut fan;
  qvl_sys_mutex_lock(&h.s.lock);
  qvl_net_session_handle(h.s, m, h.out, h.broken, fan);
  EXPECT_TRUE(fan.active);
  auto targets = [&] {
    std::vector<int> t;
    for (const auto& sent : h.out.sent) t.push_back(sent.packet.target);
    h.out.sent.clear();
    return t;
  };
  EXPECT_EQ(targets(), (std::vector<int>{103, 104}));
  h.s.remote_players.remove(105);
  h.out.left = 0;
  EXPECT_FALSE(qvl_net_session_fan_out(h.s, fan, h.out, h.broken));  // nothing goes
  h.out.left = 10 * copy;
  EXPECT_TRUE(qvl_net_session_fan_out(h.s, fan, h.out, h.broken));
  EXPECT_FALSE(fan.active);
  qvl_sys_mutex_unlock(&h.s.lock);
  for (const auto& sent : h.out.sent) EXPECT_EQ(sent.source, 42u);
  EXPECT_EQ(targets(), (std::vector<int>{106, 107, 108}));
  SourceTally tally;
  own->messages.add_costs(tally);
  EXPECT_EQ(tally, (SourceTally{{42, TextQueue::cost_of(2)}}));
  EXPECT_EQ(h.s.local_text_cost, TextQueue::cost_of(2));
  EXPECT_EQ(texts(*own), std::vector<std::string>{"hi"});
}

// A local player's texts stop at their count and their cost; past either,
// the thread is asked to make room, and without room the text is dropped.
TEST(SessionClient, TextsForAPlayerStopAtTheirBounds) {
  struct Case {
    int length;
    int kept;
  } cases[] = {
      {0, kPlayerTextLimit},
      {1024, static_cast<int>(kPlayerTextBytes / TextQueue::cost_of(1024))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    Host h(false);
    NetPlayer* p = h.local(101);
    const std::string text(static_cast<size_t>(c.length), 't');
    for (int i = 0; i < c.kept + 10; ++i) h.text(kClient, 102, 101, text.c_str());
    h.run();
    EXPECT_EQ(p->messages.count(), c.kept);
    EXPECT_EQ(h.s.local_text_cost, int64_t{c.kept} * TextQueue::cost_of(c.length));
  }
}

// Answers come in the order of the requests: one for a request given up
// is dropped when it comes, and one that comes for a later request shows
// that the older ones will get none.
TEST(SessionClient, AnswersGoToTheirOwnRequests) {
  Host h(false);
  auto answer = [&](uint8_t type, const char* text) {
    NetPacket p = qvl_net_packet(type, 101, 0);
    qvl_net_packet_set_payload(p, text, static_cast<int>(std::strlen(text)));
    h.receive(kClient, p);
  };
  const uint32_t given_up = h.s.owe_answer(kPacketPlayerName, 0, 0);
  const uint32_t waited = h.s.owe_answer(kPacketPlayerName, 1, 0);
  answer(kPacketPlayerName, "NAME-OF-101");
  h.run();
  EXPECT_EQ(h.s.replies.count, 0);
  EXPECT_FALSE(h.s.owes(given_up));
  EXPECT_TRUE(h.s.owes(waited));
  answer(kPacketPlayerName, "NAME-OF-102");
  answer(kPacketPlayerName, "unasked");
  h.run();
  ASSERT_EQ(h.s.replies.count, 1);
  EXPECT_EQ(payload_text(h.s.replies.front()->packet), "NAME-OF-102");
  h.s.replies.clear();

  // A count given up and never answered, then an id awaited: the id's
  // answer passes the count over.
  h.s.owe_answer(kPacketPlayerCount, 0, 0);
  const uint32_t id = h.s.owe_answer(kPacketPlayerId, 1, 0);
  const uint32_t hello = h.s.owe_answer(kPacketHello, 1, 0);
  answer(kPacketPlayerId, "\x66\x00");
  h.run();
  EXPECT_EQ(h.s.replies.count, 1);
  EXPECT_FALSE(h.s.owes(id));
  // A name's answer when a hello is owed: the hello will get none.
  answer(kPacketPlayerName, "x");
  h.run();
  EXPECT_FALSE(h.s.owes(hello));
  EXPECT_EQ(h.s.replies.count, 1);
}

// A player whose id did not come waits as a placeholder. An id that comes
// late is its own, not the next player's: the placeholder goes and the
// host is asked to drop that player. An answer to the hello sent behind
// it shows that no id is coming: the placeholder goes, and the next id is
// the next player's.
TEST(SessionClient, LateIdsGoToTheirPlaceholders) {
  Host h(false);
  NetPlayer* late = h.local(kPlayerIdWaiting);
  late->placeholder = 1;
  late->marker = h.s.owe_answer(kPacketHello, 0, 1);
  NetPlayer* next = h.local(kPlayerIdWaiting);
  h.receive(kClient, qvl_net_packet(kPacketIdAssigned, 102, 0));
  NetPacket hello = qvl_net_packet(kPacketHello, 101, 0);
  qvl_net_packet_set_u16(hello, 1);
  h.receive(kClient, hello);
  h.receive(kClient, qvl_net_packet(kPacketIdAssigned, 103, 0));
  h.run();
  EXPECT_EQ(h.s.local_players.count, 1);
  EXPECT_EQ(next->id, 103);
  ASSERT_EQ(h.out.to_the_host.size(), 1u);
  EXPECT_EQ(wire(h.out.to_the_host[0]), (std::vector<uint8_t>{4, 0, 0, 0, 0, 102, 0}));

  NetPlayer* refused = h.local(kPlayerIdWaiting);
  refused->placeholder = 1;
  refused->marker = h.s.owe_answer(kPacketHello, 0, 1);
  NetPlayer* after = h.local(kPlayerIdWaiting);
  h.receive(kClient, hello);
  h.receive(kClient, qvl_net_packet(kPacketIdAssigned, 104, 0));
  h.out.to_the_host.clear();
  h.run();
  EXPECT_EQ(h.s.local_players.count, 2);
  EXPECT_EQ(after->id, 104);
  EXPECT_TRUE(h.out.to_the_host.empty());
}

// Past the last fresh id, an id that one of the host's own players still
// holds is passed over, and stays free for later.
TEST(SessionHost, IdsTheHostsOwnPlayersHoldAreNotHandedOut) {
  Host h;
  h.s.next_id = kPlayerIdLast + 1;  // the fresh ids are used up
  h.remote(2, 101);
  h.remote(2, 102);
  h.receive(2, qvl_net_packet(kPacketRemovePlayer, 0, 101));
  h.receive(2, qvl_net_packet(kPacketRemovePlayer, 0, 102));
  h.run();
  h.local(101);
  h.announce(3, "new");
  auto sent = h.run();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].packet.target, 102);
  h.announce(3, "next");
  EXPECT_TRUE(h.run().empty());  // 101 is still held
}

}  // namespace
