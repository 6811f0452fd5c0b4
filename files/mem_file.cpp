#include "files/mem_file.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "core/number_text.h"

namespace {

struct MemBlock {
  uint32_t size;
  MemFileFree free_fn;
  int pins;
  bool released;  // the owner has given it up; no new acquire
};

// The registry is used from the main thread, but a mutex costs nothing here
// and keeps a stray loader thread from corrupting it.
std::mutex& registry_lock() {
  static std::mutex lock;
  return lock;
}

std::unordered_map<uintptr_t, MemBlock>& registry() {
  static auto* blocks = new std::unordered_map<uintptr_t, MemBlock>();
  return *blocks;  // never destroyed: exit-time destructors may still close channels
}

// Reads a hexadecimal number the way the name was printed: leading blanks,
// an optional "0x", then at least one digit. Locale-independent.
bool parse_hex(const char* s, uint64_t* value) {
  while (*s == ' ' || *s == '\t') ++s;
  if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X') && qvl_fmt_hex_digit(s[2]) >= 0) s += 2;
  if (qvl_fmt_hex_digit(*s) < 0) return false;
  uint64_t v = 0;
  for (; qvl_fmt_hex_digit(*s) >= 0; ++s) {
    if (v >> 60) return false;  // more digits than an address has
    v = (v << 4) | static_cast<uint64_t>(qvl_fmt_hex_digit(*s));
  }
  *value = v;
  return true;
}

bool parse_name(const char* name, uint32_t* size, uintptr_t* address) {
  if (!qvl_mem_file_is_name(name) || std::strlen(name) < 16) return false;
  uint64_t s = 0, a = 0;
  if (!parse_hex(name + 6, &s) || !parse_hex(name + 15, &a)) return false;
  if (s > UINT32_MAX || a == 0) return false;
  *size = static_cast<uint32_t>(s);
  *address = static_cast<uintptr_t>(a);
  return true;
}

// Finds a live block for a name; the caller holds the lock.
MemBlock* find_live(const char* name, uintptr_t* address) {
  uint32_t size = 0;
  if (!parse_name(name, &size, address)) return nullptr;
  auto it = registry().find(*address);
  if (it == registry().end() || it->second.released || it->second.size != size)
    return nullptr;
  return &it->second;
}

void free_if_done(std::unordered_map<uintptr_t, MemBlock>::iterator it) {
  if (!it->second.released || it->second.pins > 0) return;
  MemFileFree free_fn = it->second.free_fn;
  void* block = reinterpret_cast<void*>(it->first);
  registry().erase(it);
  if (free_fn) free_fn(block);
}

}  // namespace

bool qvl_mem_file_is_name(const char* name) {
  return name && std::strncmp(name, "mem://", 6) == 0;
}

bool qvl_mem_file_register(void* block, uint32_t size, MemFileFree free_fn,
                           char* out) {
  out[0] = '\0';
  if (!block) return false;
  {
    std::lock_guard<std::mutex> guard(registry_lock());
    auto key = reinterpret_cast<uintptr_t>(block);
    auto it = registry().find(key);
    if (it != registry().end()) {
      // A released block still pinned by a channel cannot come back here:
      // its memory is not free yet, so no one else can be handed its address.
      it->second.size = size;
      it->second.free_fn = free_fn;
      it->second.released = false;
    } else {
      registry().emplace(key, MemBlock{size, free_fn, 0, false});
    }
  }
  std::snprintf(out, kMemFileNameSize, "mem://%8x.%p", size, block);
  return true;
}

void qvl_mem_file_release(const void* block) {
  std::lock_guard<std::mutex> guard(registry_lock());
  auto it = registry().find(reinterpret_cast<uintptr_t>(block));
  if (it == registry().end()) return;
  it->second.released = true;
  free_if_done(it);
}

bool qvl_mem_file_acquire(const char* name, const uint8_t** block,
                          uint32_t* size) {
  std::lock_guard<std::mutex> guard(registry_lock());
  uintptr_t address = 0;
  MemBlock* entry = find_live(name, &address);
  if (!entry) return false;
  ++entry->pins;
  *block = reinterpret_cast<const uint8_t*>(address);
  *size = entry->size;
  return true;
}

void qvl_mem_file_unpin(const void* block) {
  std::lock_guard<std::mutex> guard(registry_lock());
  auto it = registry().find(reinterpret_cast<uintptr_t>(block));
  if (it == registry().end() || it->second.pins == 0) return;
  --it->second.pins;
  free_if_done(it);
}

bool qvl_mem_file_known(const char* name) {
  std::lock_guard<std::mutex> guard(registry_lock());
  uintptr_t address = 0;
  return find_live(name, &address) != nullptr;
}
