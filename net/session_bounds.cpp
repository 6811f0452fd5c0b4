// What the session thread may hold, and whom it drops past that.
//
// Everything the thread holds is answerable to a source: the connection
// whose packet made the host queue it (a relayed text and each copy of a
// text to everybody, an answer, an id) or put it among a local player's
// texts. When something passes its bound, the blame goes to the source
// that holds the most of it, so a machine that floods is dropped and the
// machines that read are not:
// - a joined machine's queue passes kSessionQueueLimit: the machine whose
//   packets fill most of it is dropped, and all it put anywhere with it;
//   when that is the receiver itself, or this machine's program, the
//   receiver is dropped, as one that does not keep up;
// - a local player's texts pass kPlayerTextLimit or kPlayerTextBytes: the
//   same, except that a text from this machine's own players is dropped
//   instead, and that a joined machine, whose texts all come from the
//   host, leaves the session;
// - everything held passes kSessionMemoryLimit: the same over all the
//   queues and texts, the largest queue's receiver dropped when the
//   program holds most.
// What a connection that is gone left behind is dropped when it is the
// largest part. Besides, a receiver whose queue has not moved for
// kSessionStallLimitMs is dropped, and so is a connection that has had no
// player accepted kAnnounceLimitMs after it came.
#include <algorithm>
#include <cstring>

#include "net/session_thread.h"
#include "net/sockets.h"

namespace qvl_session {

namespace {

// Addresses remembered at most; past it those without a connection are
// forgotten (their budgets start again).
constexpr size_t kAddressesKept = 1024;
// Rounds of blame for one bound in one pass; each drops or frees something.
constexpr int kBlameRounds = 8;

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

// --- Blame ---------------------------------------------------------------------------

SessionThread::Blame SessionThread::blame(uint32_t source) const {
  if (source == kProgramSource) return {Kind::program, -1};
  if (source == kClientSource) return {hosting_ ? Kind::program : Kind::host_link, -1};
  for (int i = 0; i < joined_count_; ++i) {
    const Connection& c = joined_[i];
    if (c.source != source) continue;
    if (c.doomed) break;
    return {c.own ? Kind::program : Kind::peer, i};
  }
  return {Kind::gone, -1};
}

uint32_t SessionThread::largest(const SourceTally& tally) const {
  uint32_t top = kProgramSource;
  int64_t most = -1;
  for (const auto& [source, bytes] : tally) {
    if (bytes > most || (bytes == most && source < top)) {
      top = source;
      most = bytes;
    }
  }
  return top;
}

bool SessionThread::dropped(uint32_t source) const {
  return std::find(flooders_.begin(), flooders_.end(), source) != flooders_.end();
}

// The flooder goes, and all it made the thread hold with it.
void SessionThread::drop_flooder(int index) {
  Connection& c = joined_[index];
  c.doomed = true;
  flooders_.push_back(c.source);
  purge(c.source);
}

void SessionThread::purge(uint32_t source) {
  for (int i = 0; i < joined_count_; ++i)
    if (!joined_[i].doomed) joined_[i].out.purge(source);
  SessionLock hold(s_);
  purge_texts_locked(source);
}

void SessionThread::purge_texts_locked(uint32_t source) {
  for (ChainNode<NetPlayer>* n = s_.local_players.head; n; n = n->next)
    s_.local_text_cost -= n->payload.messages.purge(source);
}

bool SessionThread::make_room(NetPlayer& player, uint32_t source, int64_t cost) {
  // A joined machine's texts all come from the host: it leaves, as a
  // machine that stops reading is dropped by its host.
  if (!hosting_) {
    leave_ = true;
    return false;
  }
  auto full = [&] {
    return player.messages.count() >= kPlayerTextLimit ||
           player.messages.cost() + cost > kPlayerTextBytes;
  };
  for (int round = 0; round < kBlameRounds && full(); ++round) {
    SourceTally tally;
    player.messages.add_costs(tally);
    const uint32_t top = largest(tally);
    const Blame b = blame(top);
    if (b.kind == Kind::peer) {
      Connection& flooder = joined_[b.index];
      flooder.doomed = true;
      flooders_.push_back(top);
      for (int i = 0; i < joined_count_; ++i)
        if (!joined_[i].doomed) joined_[i].out.purge(top);
      purge_texts_locked(top);  // the lock is held here
      if (top == source) return false;
    } else if (b.kind == Kind::gone) {
      purge_texts_locked(top);
    } else {
      return false;  // this machine's players fill it: the text is dropped
    }
  }
  return !full();
}

// --- The bounds ----------------------------------------------------------------------

int64_t SessionThread::held_total() {
  int64_t total = client_.out.held();
  for (int i = 0; i < joined_count_; ++i)
    if (!joined_[i].doomed) total += joined_[i].out.held();
  SessionLock hold(s_);
  return total + s_.local_text_cost;
}

void SessionThread::note_held() {
  const int64_t total = held_total();
  SessionLock hold(s_);
  if (total > s_.held_peak) s_.held_peak = total;
}

void SessionThread::blame_queue(Connection& receiver) {
  SourceTally tally;
  receiver.out.add_held(tally);
  const uint32_t top = largest(tally);
  const Blame b = blame(top);
  if (b.kind == Kind::peer && &joined_[b.index] != &receiver) {
    drop_flooder(b.index);
    return;
  }
  if (b.kind == Kind::gone) {
    const int64_t before = receiver.out.held();
    purge(top);
    if (receiver.out.held() < before) return;
  }
  receiver.doomed = true;
}

void SessionThread::blame_total() {
  for (int round = 0; round < kBlameRounds && held_total() > kSessionMemoryLimit; ++round) {
    if (!hosting_) {
      leave_ = true;  // all of it waits for this machine's players
      return;
    }
    SourceTally tally;
    for (int i = 0; i < joined_count_; ++i)
      if (!joined_[i].doomed) joined_[i].out.add_held(tally);
    {
      SessionLock hold(s_);
      for (ChainNode<NetPlayer>* n = s_.local_players.head; n; n = n->next)
        n->payload.messages.add_costs(tally);
    }
    const uint32_t top = largest(tally);
    const Blame b = blame(top);
    if (b.kind == Kind::peer) {
      drop_flooder(b.index);
      continue;
    }
    if (b.kind == Kind::gone) {
      const int64_t before = held_total();
      purge(top);
      if (held_total() < before) continue;
    }
    // This machine's program holds the most: the receiver that is furthest
    // behind goes.
    int slowest = -1;
    for (int i = 0; i < joined_count_; ++i) {
      const Connection& c = joined_[i];
      if (c.own || c.doomed) continue;
      if (slowest < 0 || c.out.held() > joined_[slowest].out.held()) slowest = i;
    }
    if (slowest < 0) return;
    joined_[slowest].doomed = true;
  }
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
  bool any = false;
  for (int i = 0; i < joined_count_; ++i) {
    Connection& c = joined_[i];
    if (c.own || c.doomed) continue;
    const bool silent = !c.announced && now_ - c.accepted_at >= kAnnounceLimitMs;
    if (silent || stalled(c)) {
      c.doomed = true;
      any = true;
    }
  }
  for (int i = 0; i < joined_count_; ++i) {
    Connection& c = joined_[i];
    for (int round = 0; round < kBlameRounds && !c.own && !c.doomed &&
                        c.out.held() > kSessionQueueLimit;
         ++round) {
      blame_queue(c);
      any = true;
    }
  }
  if (held_total() > kSessionMemoryLimit) {
    blame_total();
    any = true;
  }
  flooders_.clear();
  return any;
}

}  // namespace qvl_session
