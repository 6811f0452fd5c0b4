#include "files/mem_file.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "core/number_text.h"

namespace {

struct MemBlock {
  uint64_t generation;  // the registration's number, part of its name
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

// Numbers the registrations: never reused while the process lives.
uint64_t g_last_generation = 0;

// Reads a hexadecimal number the way the name was printed: leading blanks,
// an optional "0x", then at least one digit. Locale-independent. Returns
// where the digits end, or null.
const char* parse_hex(const char* s, uint64_t* value) {
  while (*s == ' ' || *s == '\t') ++s;
  if (s[0] == '0' && (s[1] == 'x' || s[1] == 'X') && qvl_fmt_hex_digit(s[2]) >= 0) s += 2;
  if (qvl_fmt_hex_digit(*s) < 0) return nullptr;
  uint64_t v = 0;
  for (; qvl_fmt_hex_digit(*s) >= 0; ++s) {
    if (v >> 60) return nullptr;  // more digits than an address has
    v = (v << 4) | static_cast<uint64_t>(qvl_fmt_hex_digit(*s));
  }
  *value = v;
  return s;
}

// "#" and the decimal registration number, ending the name.
bool parse_generation(const char* s, uint64_t* value) {
  if (*s++ != '#' || *s < '0' || *s > '9') return false;
  uint64_t v = 0;
  for (; *s >= '0' && *s <= '9'; ++s) {
    if (v > (UINT64_MAX - 9) / 10) return false;
    v = v * 10 + static_cast<uint64_t>(*s - '0');
  }
  *value = v;
  return *s == '\0';
}

struct NameParts {
  uint32_t size = 0;
  uintptr_t address = 0;
  uint64_t generation = 0;
};

bool parse_name(const char* name, NameParts* parts) {
  if (!qvl_mem_file_is_name(name) || std::strlen(name) < 16) return false;
  uint64_t s = 0, a = 0;
  if (!parse_hex(name + 6, &s)) return false;
  const char* end = parse_hex(name + 15, &a);
  if (!end || !parse_generation(end, &parts->generation)) return false;
  if (s > UINT32_MAX || a == 0) return false;
  parts->size = static_cast<uint32_t>(s);
  parts->address = static_cast<uintptr_t>(a);
  return true;
}

// Finds a live block for a name; the caller holds the lock.
MemBlock* find_live(const char* name, uintptr_t* address) {
  NameParts parts;
  if (!parse_name(name, &parts)) return nullptr;
  *address = parts.address;
  auto it = registry().find(parts.address);
  if (it == registry().end() || it->second.released || it->second.size != parts.size ||
      it->second.generation != parts.generation)
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
  uint64_t generation = 0;
  {
    std::lock_guard<std::mutex> guard(registry_lock());
    generation = ++g_last_generation;
    auto key = reinterpret_cast<uintptr_t>(block);
    auto it = registry().find(key);
    if (it != registry().end()) {
      // A released block still pinned by a channel cannot come back here:
      // its memory is not free yet, so no one else can be handed its address.
      it->second.generation = generation;
      it->second.size = size;
      it->second.free_fn = free_fn;
      it->second.released = false;
    } else {
      registry().emplace(key, MemBlock{generation, size, free_fn, 0, false});
    }
  }
  std::snprintf(out, kMemFileNameSize, "mem://%8x.%p#%llu", size, block,
                static_cast<unsigned long long>(generation));
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
