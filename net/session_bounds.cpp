// What the session thread may hold, whose reading it holds back, and whom
// it drops.
//
// A machine is dropped only for what it does itself. What a peer sends
// faster than its receivers read slows that peer down: while a joined
// machine's queue is past kReceiverHoldLimit, every connection with
// packets in it is not read (nor one with kSourceHoldLimit waiting in all
// the queues), so their sockets fill and TCP's flow control slows their
// senders; nobody is dropped for it. A receiver is dropped only for not
// reading: when its queue has not moved for kSessionStallLimitMs, or its
// oldest packet has waited kQueueWaitLimitMs (a machine that reads, if
// slowly, has its senders slowed to its pace and stays; one that takes a
// little now and then is told apart by how long its oldest packet waits).
// Once it is gone, what held the senders back is gone with it.
//
// The texts for this machine's players: a player whose program read it
// within kPlayerUnreadMs holds the reading back (of the host, on a joined
// machine; of every peer, on the host) while it is at its bound, so it
// gets every text; a player not read for that long loses its own oldest
// texts past the bound, and nothing else happens.
//
// All the thread holds passes kSessionMemoryLimit: nothing is read until
// it went down, and the players not read lose their oldest texts first.
//
// Besides, a connection that has had no player for kPlayerlessLimitMs, or
// that holds part of a packet kUnfinishedLimitMs without a packet coming
// whole, is closed.
#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "net/session_thread.h"
#include "net/sockets.h"

namespace qvl_session {

namespace {

// Bytes held that must have gone since the last look before the
// allocator is asked to give its free memory back.
constexpr int64_t kGiveBackBytes = 1 << 20;
// Addresses remembered at most; past it those without a connection are
// forgotten (their budgets start again).
constexpr size_t kAddressesKept = 1024;

}  // namespace

// --- Addresses ---------------------------------------------------------------------

bool AddressKey::operator<(const AddressKey& other) const {
  if (family != other.family) return family < other.family;
  return std::memcmp(bytes, other.bytes, sizeof bytes) < 0;
}

AddressKey AddressBook::key_of(const NetAddress& address) {
  AddressKey key;
  key.family = address.family;
  // An IPv6 host usually has a whole /64 network to take addresses from.
  std::memcpy(key.bytes, address.address, address.family == kNetFamilyIpv6 ? 8 : 4);
  return key;
}

bool AddressBook::may_connect(const AddressKey& key) const {
  auto it = states_.find(key);
  return it == states_.end() || it->second.connections < kConnectionsPerAddress;
}

void AddressBook::connected(const AddressKey& key, double now) {
  if (states_.size() >= kAddressesKept && !states_.count(key)) {
    for (auto it = states_.begin(); it != states_.end();)
      it = it->second.connections == 0 ? states_.erase(it) : std::next(it);
  }
  auto [it, added] = states_.try_emplace(key);
  if (added) it->second.counted_at = now;
  ++it->second.connections;
}

void AddressBook::disconnected(const AddressKey& key) {
  auto it = states_.find(key);
  if (it != states_.end() && it->second.connections > 0) --it->second.connections;
}

void AddressBook::refill(State& state, double now) const {
  const double earned = (now - state.counted_at) / 1000 * kIdsPerSecond;
  state.ids = std::min<double>(kIdBurst, state.ids + earned);
  state.counted_at = now;
}

bool AddressBook::take_id(const AddressKey& key, double now) {
  auto it = states_.find(key);
  if (it == states_.end()) return true;
  refill(it->second, now);
  if (it->second.ids < 1) return false;
  it->second.ids -= 1;
  return true;
}

// --- Holding back -------------------------------------------------------------------

bool SessionThread::read_recently(const NetPlayer& p) const {
  return now_ - p.read_at < kPlayerUnreadMs;
}

// With the lock held. The text may join the player's: one the program
// reads keeps them all and holds the reading back (up to twice its bound,
// which one pass never brings); one it does not read loses its oldest.
bool SessionThread::make_room(NetPlayer& p, int64_t cost) {
  int limit = kPlayerTextLimit;
  int64_t bytes = kPlayerTextBytes;
  if (read_recently(p)) {
    behind_ = true;
    limit *= 2;
    bytes *= 2;
  }
  while (!p.messages.empty() && qvl_net_texts_at_bound(p.messages, cost, limit, bytes))
    s_.local_text_cost -= p.messages.pop();
  return true;
}

// With the lock held: past the memory bound, the players not read lose
// their oldest texts, the one holding most first. What is held then.
int64_t SessionThread::trim_unread_locked(int64_t total) {
  while (total > kSessionMemoryLimit) {
    NetPlayer* most = nullptr;
    for (ChainNode<NetPlayer>* n = s_.local_players.head; n; n = n->next) {
      NetPlayer& p = n->payload;
      if (!read_recently(p) && !p.messages.empty() &&
          (!most || p.messages.cost() > most->messages.cost()))
        most = &p;
    }
    if (!most) return total;
    // Down to half its texts at a time, so the look over the players is
    // made a few times only.
    const int64_t keep = most->messages.cost() / 2;
    while (!most->messages.empty() && most->messages.cost() > keep) {
      const int64_t freed = most->messages.pop();
      s_.local_text_cost -= freed;
      total -= freed;
    }
  }
  return total;
}

// Decides, before the look, which connections this pass reads.
void SessionThread::hold_back() {
  bool all = false;
  bool full;
  {
    SessionLock hold(s_);
    for (ChainNode<NetPlayer>* n = s_.local_players.head; n; n = n->next) {
      NetPlayer& p = n->payload;
      if (!qvl_net_texts_at_bound(p.messages)) continue;
      if (read_recently(p)) {
        all = true;
        continue;
      }
      while (p.messages.count() > kPlayerTextLimit || p.messages.cost() > kPlayerTextBytes)
        s_.local_text_cost -= p.messages.pop();
    }
    // Under the same lock the texts' cost cannot change between the
    // count and the trim, so the trim's remainder is what is held after.
    int64_t total = queues_held() + s_.local_text_cost;
    if (total > kSessionMemoryLimit) total = trim_unread_locked(total);
    full = total > kSessionMemoryLimit;
  }
  // Only a joined machine holds back its reading of the host; the host
  // always drains its own connection.
  client_.held_back = !hosting_ && (all || full);
  if (!hosting_) return;
  // What each peer has waiting in the queues, and the peers with packets
  // in a queue past its bound.
  SourceTally waiting;
  std::unordered_set<uint32_t> held;
  for (int i = 0; i < joined_count_; ++i) {
    const Connection& c = joined_[i];
    if (c.own || c.doomed) continue;
    const bool past = c.out.held() > kReceiverHoldLimit;
    for (const auto& [source, bytes] : c.out.by_source()) {
      waiting[source] += bytes;
      if (past) held.insert(source);
    }
  }
  for (int i = 0; i < joined_count_; ++i) {
    Connection& c = joined_[i];
    auto it = waiting.find(c.source);
    c.held_back = full || (all && !c.own) ||
                  (it != waiting.end() && it->second >= kSourceHoldLimit) ||
                  held.count(c.source) > 0;
    // Part of a packet that waits because its connection is not read is
    // no fault of the peer's.
    if (c.held_back && c.unfinished_since >= 0) c.unfinished_since = now_;
  }
}

// --- The bounds ----------------------------------------------------------------------

int64_t SessionThread::queues_held() const {
  int64_t total = client_.out.held();
  for (int i = 0; i < joined_count_; ++i)
    if (!joined_[i].doomed) total += joined_[i].out.held();
  return total;
}

int64_t SessionThread::held_total() {
  const int64_t total = queues_held();
  SessionLock hold(s_);
  return total + s_.local_text_cost;
}

void SessionThread::note_held() {
  const int64_t total = held_total();
  if (total > held_high_) held_high_ = total;
  SessionLock hold(s_);
  if (total > s_.held_peak) s_.held_peak = total;
}

// The queues give their blocks back as they drain, and a dropped
// connection all of it, but the allocator keeps freed memory for itself:
// once several MiB went, at most once a second, it is asked to hand its
// free pages back to the system.
void SessionThread::give_back() {
  const int64_t total = held_total();
  if (held_high_ - total < kGiveBackBytes || now_ - released_at_ < 1000) return;
  malloc_trim(0);
  released_at_ = now_;
  held_high_ = total;
}

// A queue that has not moved for the limit has stalled, unless the peer
// is still taking, however slowly, what its socket holds: a full socket
// is not reported writable before much of it has gone.
bool SessionThread::stalled(Connection& c) {
  if (c.out.empty() || now_ - c.moved_at < kSessionStallLimitMs) return false;
  const int unsent = qvl_net_unsent(c.slot);
  if (unsent < 0 || c.unsent < 0 || unsent >= c.unsent) return true;
  c.unsent = unsent;
  c.moved_at = now_;
  return false;
}

bool SessionThread::check_bounds() {
  int players[kMaxJoined];
  {
    SessionLock hold(s_);
    for (int i = 0; i < joined_count_; ++i) players[i] = s_.remote_players.players_of(joined_[i].slot);
  }
  bool any = false;
  for (int i = 0; i < joined_count_; ++i) {
    Connection& c = joined_[i];
    if (c.own || c.doomed) continue;
    if (players[i] > 0) c.playerless_since = now_;
    const bool playerless = now_ - c.playerless_since >= kPlayerlessLimitMs;
    const bool unfinished = c.unfinished_since >= 0 && now_ - c.unfinished_since >= kUnfinishedLimitMs;
    const bool slow = !c.out.empty() && now_ - c.out.oldest_at() >= kQueueWaitLimitMs;
    if (playerless || unfinished || slow || stalled(c)) {
      c.doomed = true;
      any = true;
    }
  }
  return any;
}

}  // namespace qvl_session
