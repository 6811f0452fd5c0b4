// The session thread's own state, shared by its two files:
// session_thread.cpp (the passes: reading, handling, writing, accepting)
// and session_bounds.cpp (what it may hold, whose reading it holds back
// and whom it drops).
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "net/net_session.h"
#include "net/session_dispatch.h"

namespace qvl_session {

constexpr int kMaxJoined = 128;
// Bytes a pass queues for the joined connections before it reads no more
// and a text to everybody waits for the next pass.
constexpr int kPassBudget = 1 << 20;
// No connection but the host's own ever holds more than this, whatever
// one pass brings; the bounds proper are looked at before the reads, so a
// queue at them when a pass begins can take that pass's budget and one
// more packet.
constexpr int kQueueHardLimit = kSessionQueueLimit + kPassBudget + 2 * kPacketMaxWire;
// A joined machine's queue past this holds back the reading of every
// connection with packets in it, until the machine has taken some: what a
// peer sends faster than its receivers read slows that peer down, through
// TCP's own flow control, and drops nobody.
constexpr int kReceiverHoldLimit = 128 << 10;
// A connection with this much waiting in all the queues is not read
// either, however it is spread.
constexpr int kSourceHoldLimit = 1 << 20;
// A joined machine whose oldest waiting packet has waited this long does
// not read fast enough for what it is sent, and is dropped (at most about
// kReceiverHoldLimit waits for it, so a machine that reads 32 KB a second
// stays).
constexpr int kQueueWaitLimitMs = 4000;
// A joined connection that has had no player for this long (from when it
// came, or since its last player left), or that has held the start of a
// packet this long without a packet coming whole, is closed, so that it
// cannot hold a place.
constexpr int kPlayerlessLimitMs = 5000;
constexpr int kUnfinishedLimitMs = 5000;
// The joined connections one address may hold at once (the host's own is
// not counted); an IPv6 address counts by its /64 network.
constexpr int kConnectionsPerAddress = 16;
// The new ids one address may take: this many at once, then this many a
// second (the host's own connection takes as many as it likes).
constexpr int kIdBurst = 512;
constexpr int kIdsPerSecond = 8;

// Sources: what the thread holds is answerable to the connection whose
// packet made it. 0 is this machine's program (its sends, announcements),
// 1 the client connection (the host's word); joined connections get 2, 3,
// ... in the order they come, never twice.
constexpr uint32_t kProgramSource = 0;
constexpr uint32_t kClientSource = 1;

struct AddressKey {
  int32_t family = 0;
  uint8_t bytes[16] = {};
  bool operator<(const AddressKey& other) const;
};

// What the host keeps per address: its connections and its budget of new
// ids.
class AddressBook {
 public:
  static AddressKey key_of(const NetAddress& address);
  bool may_connect(const AddressKey& key) const;
  void connected(const AddressKey& key, double now);
  void disconnected(const AddressKey& key);
  // Takes one new id from the address's budget; false when it is spent.
  bool take_id(const AddressKey& key, double now);

 private:
  struct State {
    int connections = 0;
    double ids = kIdBurst;  // new ids it may take now
    double counted_at = 0;  // when ids was last brought up to date
  };
  void refill(State& state, double now) const;
  std::map<AddressKey, State> states_;
};

struct Connection {
  int slot = -1;
  uint32_t source = 0;
  PacketAssembler in;
  PacketQueue out;
  FanOut fan;
  // When the queue last moved: bytes went out, or it filled from empty; or
  // the peer took bytes of what its socket held (unsent then).
  double moved_at = 0;
  int unsent = -1;
  // Since when the connection has had no player (when it came, or when
  // its last player left).
  double playerless_since = 0;
  // Since when part of a packet has waited in `in` with no packet coming
  // whole; -1 while none waits.
  double unfinished_since = -1;
  // Not read in this pass: what it sent waits in too many queues. On a
  // joined machine, for the client connection: a player its program reads
  // is at its bound, or the thread holds all it may (never on the host).
  bool held_back = false;
  // The socket had room at the last look, or its queue was empty then.
  bool may_write = true;
  // On the host: the accepted end of its own client connection.
  bool own = false;
  // Counted among its address's connections.
  bool counted = false;
  AddressKey address;
  // Packets wait in `in`, or a text to everybody in `fan`, for the next
  // pass's budget.
  bool waiting = false;
  // To be dropped at the end of the step: closed, broken, stalled, without
  // a player, or too far behind. It gets nothing more meanwhile.
  bool doomed = false;
};

struct ReadResult {
  bool active = false;  // bytes came
  bool closed = false;  // the peer closed, or its stream broke
};

class SessionThread;

// The dispatch's view of the thread.
class ThreadSender : public SessionSender {
 public:
  explicit ThreadSender(SessionThread& thread) : thread_(thread) {}
  int send(int slot, const NetPacket& packet, uint32_t source) override;
  void to_host(const NetPacket& packet) override;
  int64_t budget() override;
  bool take_new_id(int slot) override;
  bool make_room(NetPlayer& player, int64_t cost) override;

 private:
  SessionThread& thread_;
};

class SessionThread {
 public:
  explicit SessionThread(NetSession& s);
  void run();

  // For ThreadSender.
  int queue_for(int slot, const NetPacket& packet, uint32_t source);
  void queue_for_host(const NetPacket& packet) { client_.out.push(packet, kProgramSource); }
  int64_t budget() const { return kPassBudget - queued_; }
  bool take_new_id(int slot);
  // With the lock held.
  bool make_room(NetPlayer& player, int64_t cost);

 private:

  // session_thread.cpp
  void open_wake();
  bool pass();
  void take_outbox_and_announce();
  void look(int server, bool accept, int timeout_ms);
  ReadResult read(Connection& c, int max_reads, bool budgeted);
  bool handle_waiting(Connection& c, bool budgeted);
  bool accept_all(int server, bool accept);
  bool serve_joined(int server, bool accept);
  int write(Connection& c);
  bool write_all();
  bool drain_own();
  void publish();
  void add_joined(int slot, bool own, const AddressKey& key);
  bool drop_doomed();
  void drop(int index);
  void doom(int slot);
  int index_of(int slot) const;
  void flush_client(int limit_ms);
  void end(bool flush);

  // session_bounds.cpp
  void hold_back();
  bool read_recently(const NetPlayer& p) const;
  int64_t trim_unread_locked(int64_t total);
  bool check_bounds();
  bool stalled(Connection& c);
  int64_t queues_held() const;  // without the texts, so without the lock
  int64_t held_total();
  void note_held();
  void give_back();

  NetSession& s_;
  ThreadSender sender_;
  Connection client_;
  Connection joined_[kMaxJoined];
  int joined_count_ = 0;
  int16_t index_of_[kSocketSlots];  // a slot's place in joined_, -1 for none
  int own_ = -1;                    // the place of the host's own connection
  NetAddress client_local_ = net_none_address;
  AddressBook addresses_;
  bool client_readable_ = false;
  bool server_readable_ = false;
  bool joined_readable_[kMaxJoined] = {};
  int looked_at_ = 0;    // joined connections the last look covered
  int next_read_ = 0;    // where the reads of the joined connections start
  int queued_ = 0;       // bytes this pass queued for joined connections
  int own_sent_ = 0;     // bytes written to the own connection, not yet read
  uint32_t next_source_ = kClientSource + 1;
  bool woken_ = false;   // the main thread asked for a pass
  bool idle_ = false;    // the last pass found nothing to do
  bool client_failed_ = false;  // a send to the host failed
  // A player the program reads passed its bound in this pass: no more is
  // read from the peers until the next pass looks again.
  bool behind_ = false;
  // The most the thread held since it last gave memory back to the
  // system, and when that was.
  int64_t held_high_ = 0;
  double released_at_ = 0;
  bool stop_asked_ = false;
  bool hosting_ = false;
  double now_ = 0;
  int wake_fd_ = -1;
  NetMessage message_;  // the packet being handled
  std::vector<int> broken_;
};

}  // namespace qvl_session
