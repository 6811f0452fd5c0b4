#include "net/session_roster.h"

#include <algorithm>

namespace {

void erase_id(std::vector<uint16_t>& ids, uint16_t id) {
  auto it = std::find(ids.begin(), ids.end(), id);
  if (it != ids.end()) ids.erase(it);
}

}  // namespace

NetPlayer* PlayerRoster::find(uint16_t id) const {
  const size_t page = id >> 8;
  return page < by_id_.size() && by_id_[page] ? (*by_id_[page])[id & 0xFF] : nullptr;
}

NetPlayer*& PlayerRoster::slot_of(uint16_t id) {
  const size_t page = id >> 8;
  if (by_id_.size() <= page) by_id_.resize(page + 1);
  if (!by_id_[page]) by_id_[page] = std::make_unique<Page>(Page{});
  return (*by_id_[page])[id & 0xFF];
}

NetPlayer& PlayerRoster::add(int32_t slot, uint16_t id, uint8_t query, const char* name) {
  const uint64_t order = next_order_++;
  NetPlayer& p = by_order_[order];
  p.slot = slot;
  p.id = id;
  p.query = query;
  p.reserved = 0;
  qvl_net_copy_name(p.name, name);
  p.order = order;
  slot_of(id) = &p;
  if (!query) counted_.push_back(id);
  by_slot_[slot].push_back(id);
  return p;
}

bool PlayerRoster::remove(uint16_t id, uint8_t* query) {
  NetPlayer* p = find(id);
  if (!p) return false;
  if (query) *query = p->query;
  if (!p->query) erase_id(counted_, id);
  auto slot = by_slot_.find(p->slot);
  if (slot != by_slot_.end()) {
    erase_id(slot->second, id);
    if (slot->second.empty()) by_slot_.erase(slot);
  }
  slot_of(id) = nullptr;
  by_order_.erase(p->order);
  if (qvl_net_id_assigned(id)) free_ids_.push_back(id);
  return true;
}

void PlayerRoster::clear() {
  by_order_.clear();
  by_id_.clear();
  counted_.clear();
  by_slot_.clear();
  free_ids_.clear();
  next_order_ = 1;
}

int PlayerRoster::players_of(int32_t slot) const {
  auto it = by_slot_.find(slot);
  return it == by_slot_.end() ? 0 : static_cast<int>(it->second.size());
}

std::vector<uint16_t> PlayerRoster::ids_of(int32_t slot) const {
  auto it = by_slot_.find(slot);
  return it == by_slot_.end() ? std::vector<uint16_t>() : it->second;
}
