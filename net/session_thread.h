// The session thread's own state, shared by its two files:
// session_thread.cpp (the passes: reading, handling, writing, accepting)
// and session_bounds.cpp (what it may hold, and whom it drops past that).
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
// one pass brings; the bound proper is looked at after the writes, so a
// queue at it when a pass begins can take that pass's budget and one more
// packet.
constexpr int kQueueHardLimit = kSessionQueueLimit + kPassBudget + 2 * kPacketMaxWire;
// A joined connection that has not had a player accepted this long after
// it came is closed, so that silent connections cannot hold the places.
constexpr int kAnnounceLimitMs = 5000;
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
  double accepted_at = 0;
  // The socket had room at the last look, or its queue was empty then.
  bool may_write = true;
  // On the host: the accepted end of its own client connection.
  bool own = false;
  // A player came over it; until then it may be closed as silent.
  bool announced = false;
  // Counted among its address's connections.
  bool counted = false;
  AddressKey address;
  // Packets wait in `in`, or a text to everybody in `fan`, for the next
  // pass's budget.
  bool waiting = false;
  // To be dropped at the end of the step: closed, broken, stalled, silent
  // or too far behind. It gets nothing more meanwhile.
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
  bool make_room(NetPlayer& player, uint32_t source, int64_t cost) override;
  bool dropped(uint32_t source) const override;

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
  bool make_room(NetPlayer& player, uint32_t source, int64_t cost);
  bool dropped(uint32_t source) const;

 private:
  // What a source is to the thread now.
  enum class Kind { program, host_link, peer, gone };
  struct Blame {
    Kind kind = Kind::gone;
    int index = -1;  // the peer's place in joined_
  };

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
  bool check_bounds();
  bool stalled(Connection& c);
  void blame_queue(Connection& receiver);
  void blame_total();
  Blame blame(uint32_t source) const;
  uint32_t largest(const SourceTally& tally) const;
  void drop_flooder(int index);
  void purge(uint32_t source);
  void purge_texts_locked(uint32_t source);
  int64_t held_total();
  void note_held();

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
  bool leave_ = false;   // a joined machine leaves: its players' texts passed their bounds
  bool stop_asked_ = false;
  bool hosting_ = false;
  double now_ = 0;
  int wake_fd_ = -1;
  NetMessage message_;  // the packet being handled
  std::vector<int> broken_;
  std::vector<uint32_t> flooders_;  // the sources dropped for flooding in this pass
};

}  // namespace qvl_session
