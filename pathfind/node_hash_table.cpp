// The closed set of the list planner and its cursor.
#include "pathfind/node_hash_table.h"

#include <cstdlib>
#include <cstring>

namespace {

Node** new_buckets(int32_t bits) {
  return static_cast<Node**>(std::calloc(size_t(1) << bits, sizeof(Node*)));
}

}  // namespace

NodeHashTable::NodeHashTable() : buckets(new_buckets(0)), bits(0) {}

NodeHashTable::NodeHashTable(const NodeHashTable& other) : buckets(nullptr), bits(0) {
  copy_from(other);
}

NodeHashTable::~NodeHashTable() { release_buckets(); }

NodeHashTable& NodeHashTable::assign(const NodeHashTable& other) {
  if (&other != this) copy_from(other);
  return *this;
}

bool NodeHashTable::copy_from(const NodeHashTable& other) {
  if (&other == this) return true;
  Node** copy = nullptr;
  if (other.buckets) {
    copy = new_buckets(other.bits);
    if (!copy) return false;
    std::memcpy(copy, other.buckets, (size_t(1) << other.bits) * sizeof(Node*));
  }
  std::free(buckets);
  buckets = copy;
  bits = other.bits;
  return true;
}

int32_t NodeHashTable::resize(int32_t b) {
  if (b < 0) return -1;
  if (b > kMaxBits) b = kMaxBits;
  b &= ~1;
  Node** fresh = new_buckets(b);
  if (!fresh) return -1;
  std::free(buckets);
  buckets = fresh;
  bits = b;
  return b;
}

bool NodeHashTable::insert(Node* node) {
  if (!node || !buckets) return false;
  Node** head = &buckets[bucket_index(node->x, node->y)];
  for (Node* n = *head; n; n = n->next)
    if (n == node) return false;
  node->next = *head;
  *head = node;
  return true;
}

int32_t NodeHashTable::count() const {
  if (!buckets) return 0;
  int32_t total = 0;
  for (int32_t b = 0; b < bucket_count(); ++b)
    for (Node* n = buckets[b]; n; n = n->next) ++total;
  return total;
}

void NodeHashTable::clear(NodeFactory& pool) {
  pool.give_back(count());
  empty_buckets();
}

void NodeHashTable::empty_buckets() {
  if (buckets) std::memset(buckets, 0, size_t(bucket_count()) * sizeof(Node*));
}

void NodeHashTable::release_buckets() {
  std::free(buckets);
  buckets = nullptr;
}

Node* NodeHashCursor::find(int32_t x, int32_t y) {
  node = nullptr;
  link = nullptr;
  if (!table || !table->buckets) return nullptr;
  bucket = table->bucket_index(x, y);
  link = &table->buckets[bucket];
  for (Node* n = *link; n; link = &n->next, n = n->next) {
    if (n->x == x && n->y == y) {
      node = n;
      return n;
    }
  }
  return nullptr;
}

Node* NodeHashCursor::unlink() {
  Node* found = node;
  if (!found) return nullptr;
  *link = found->next;
  found->next = nullptr;
  node = nullptr;
  return found;
}

Node* NodeHashCursor::first_from(int32_t from_bucket) {
  node = nullptr;
  link = nullptr;
  if (!table || !table->buckets) return nullptr;
  for (bucket = from_bucket; bucket < table->bucket_count(); ++bucket) {
    if (table->buckets[bucket]) {
      link = &table->buckets[bucket];
      node = *link;
      return node;
    }
  }
  return nullptr;
}

Node* NodeHashCursor::begin() { return first_from(0); }

Node* NodeHashCursor::next() {
  if (!node) return nullptr;
  if (node->next) {
    link = &node->next;
    node = node->next;
    return node;
  }
  return first_from(bucket + 1);
}

Node* NodeHashCursor::erase_next() {
  if (!node) return nullptr;
  Node* following = node->next;
  *link = following;
  node->next = nullptr;
  if (following) {
    node = following;  // `link` now holds it
    return node;
  }
  return first_from(bucket + 1);
}
