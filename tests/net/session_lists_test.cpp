// The session's player lists and queues, as the shutdown empties them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "net/net_session.h"

namespace {

void add_message(ChainList<NetMessage>& list, const char* text) {
  NetMessage* m = list.push_back();
  m->packet = qvl_net_packet(kPacketText, 1, 2);
  qvl_net_packet_set_payload(m->packet, text, static_cast<int>(std::strlen(text)));
}

// Every node and every message a player holds is freed (the leak checker
// sees the rest), and the session's lists end empty.
TEST(SessionLists, FreeListsDrainsPlayersWithTheirMessagesAndEveryQueue) {
  auto* s = new NetSession;
  s->init_idle();
  for (uint16_t id : {101, 102}) {
    NetPlayer* p = s->local_players.push_back();
    p->id = id;
    add_message(p->messages, "hello");
    add_message(p->messages, "again");
  }
  s->remote_players.push_back()->id = 7;  // a player without messages
  add_message(s->received, "packet");
  add_message(s->replies, "reply");
  s->left_players.push_back()->id = 9;
  s->left_players.push_back()->id = 10;
  ASSERT_EQ(s->local_players.count, 2);
  EXPECT_EQ(s->local_players.head->payload.messages.count, 2);

  s->free_lists();
  for (const auto* count : {&s->local_players.count, &s->remote_players.count, &s->received.count,
                            &s->replies.count, &s->left_players.count})
    EXPECT_EQ(*count, 0);
  EXPECT_EQ(s->local_players.head, nullptr);
  EXPECT_EQ(s->left_players.tail, nullptr);
  s->free_lists();  // already empty: nothing
  qvl_sys_mutex_destroy(&s->lock);
  delete s;
}

// Popping a player frees its own messages with it and leaves the next one.
TEST(SessionLists, PopFrontTakesThePlayersMessagesAlong) {
  ChainList<NetPlayer> players;
  NetPlayer* first = players.push_back();
  first->id = 1;
  add_message(first->messages, "for the first");
  NetPlayer* second = players.push_back();
  second->id = 2;
  add_message(second->messages, "for the second");
  players.pop_front();
  ASSERT_EQ(players.count, 1);
  EXPECT_EQ(players.front()->id, 2);
  EXPECT_EQ(players.front()->messages.count, 1);
  EXPECT_STREQ(reinterpret_cast<char*>(players.front()->messages.front()->packet.payload),
               "for the second");
  players.clear();
}

}  // namespace
