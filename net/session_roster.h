// The host's list of every player of the session, in order of
// announcement, with the look-ups the host makes for every packet: a
// player by id, the players of one connection, the n-th counted player,
// all in constant or small time whatever the number of players. It also
// hands out the ids.
//
// Ids are not reused while fresh ones remain: the host counts from 101 up
// to 0xFEFF. Past that it hands out the ids of players that left, the
// longest gone first, so a session keeps taking players while fewer than
// 65,179 are present.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

#include "net/session_records.h"

class PlayerRoster {
 public:
  PlayerRoster() = default;
  PlayerRoster(const PlayerRoster&) = delete;
  PlayerRoster& operator=(const PlayerRoster&) = delete;

  // The player with that id, or null.
  NetPlayer* find(uint16_t id) const;
  // Appends a player that came over the connection on slot; its id must
  // not be in the list.
  NetPlayer& add(int32_t slot, uint16_t id, uint8_t query, const char* name);
  // Takes the player out; its id becomes free. The player's query flag in
  // *query. False when no player has the id.
  bool remove(uint16_t id, uint8_t* query = nullptr);
  void clear();

  int size() const { return static_cast<int>(by_order_.size()); }
  bool empty() const { return by_order_.empty(); }
  // The players that are not query players, and the n-th of them (0-based)
  // in list order: its id, 0 past the last.
  int counted() const { return static_cast<int>(counted_.size()); }
  uint16_t counted_id(uint32_t n) const { return n < counted_.size() ? counted_[n] : 0; }
  // The players that came over the connection on slot, and their ids in
  // list order.
  int players_of(int32_t slot) const;
  std::vector<uint16_t> ids_of(int32_t slot) const;

  // The id for a new player: next_id, counted on, while it is below
  // 0xFF00; after that the id of the player that left longest ago; 0 when
  // every id is in use.
  uint16_t take_id(uint16_t& next_id) {
    return take_id(next_id, [](uint16_t) { return false; });
  }
  // The same, passing over (and keeping free) the ids held(id) says are
  // still in use elsewhere.
  template <class Held>
  uint16_t take_id(uint16_t& next_id, Held held) {
    while (qvl_net_id_assigned(next_id)) {
      const uint16_t id = next_id++;
      if (!held(id)) return id;
    }
    // Each free id is looked at once; a held one goes to the back.
    for (size_t tries = free_ids_.size(); tries > 0; --tries) {
      const uint16_t id = free_ids_.front();
      free_ids_.pop_front();
      if (!held(id)) return id;
      free_ids_.push_back(id);
    }
    return 0;
  }
  bool has_free_id(uint16_t next_id) const {
    return qvl_net_id_assigned(next_id) || !free_ids_.empty();
  }

  // Calls visit(player) for each player from the one with the given place
  // in the order on, until visit returns false; gives the place of the
  // player it refused (to go on from), or kEnd when it saw them all.
  static constexpr uint64_t kEnd = UINT64_MAX;
  template <class Visit>
  uint64_t visit_from(uint64_t order, Visit visit) {
    for (auto it = by_order_.lower_bound(order); it != by_order_.end(); ++it)
      if (!visit(it->second)) return it->first;
    return kEnd;
  }
  template <class Visit>
  void for_each(Visit visit) const {
    for (const auto& [order, player] : by_order_) visit(player);
  }

 private:
  std::map<uint64_t, NetPlayer> by_order_;
  // Players by id: 256 pages of 256, each made when an id in it is used.
  using Page = std::array<NetPlayer*, 256>;
  NetPlayer*& slot_of(uint16_t id);
  std::vector<std::unique_ptr<Page>> by_id_;
  std::vector<uint16_t> counted_;  // the ids of the counted players, in order
  std::unordered_map<int32_t, std::vector<uint16_t>> by_slot_;
  std::deque<uint16_t> free_ids_;  // ids of players that left, longest gone first
  uint64_t next_order_ = 1;
};
