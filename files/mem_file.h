// MemFile names: "mem://" + the block's byte size in lower-case hex,
// right-aligned in 8 characters, + "." + the block's address as "%p" prints it,
// + "#" + the registration's number in decimal. Whoever reads the size from
// character 6 and the address from character 15 reads them as always; the
// number after them makes every name unique for the life of the process,
// so a stale name never opens a newer block that the allocator happened to
// place at the same address with the same size.
//
// A name is only ever a key into a registry of live blocks, never turned back
// into a raw address: text from a program or from data that merely looks like
// a MemFile name cannot reach arbitrary or freed memory. Whoever forms a name
// registers its block; an unregistered name fails to open.
//
// Lifetime: the owner registers a block and later releases it. A reader that
// opens the name (a FileChannel, an image loader) acquires it, which pins the
// block; the block is freed only once the owner has released it and the last
// pin is gone. So a channel keeps its block alive while it is open, even when
// the archive reader moves on to its next lookup.
#pragma once

#include <cstdint>

// Room for any MemFile name and its NUL ("mem://" + 8 + "." + "0x" + 16 +
// "#" + 20).
constexpr int kMemFileNameSize = 64;

// Frees a block once it is released and unpinned; null for a block that
// outlives every reader (static data).
using MemFileFree = void (*)(void* block);

// True when the name starts with "mem://" (first 6 bytes, case-sensitive).
bool qvl_mem_file_is_name(const char* name);

// Registers a block of size bytes and writes its name into out
// (kMemFileNameSize bytes). A null block is refused (false, out empty);
// registering a live block again replaces its size and free function and
// gives it a new name (the old one stops opening).
bool qvl_mem_file_register(void* block, uint32_t size, MemFileFree free_fn,
                           char* out);

// The owner gives the block up: its name stops opening at once, and the
// block is freed now or when the last pin goes. Unknown blocks are ignored.
void qvl_mem_file_release(const void* block);

// Looks a name up. When it names a live registered block of exactly the size
// and registration the name states, pins the block, gives its address and size, and returns
// true. Anything else (not a MemFile name, malformed, unknown, released,
// size mismatch) returns false and pins nothing.
bool qvl_mem_file_acquire(const char* name, const uint8_t** block,
                          uint32_t* size);

// Drops one pin taken by qvl_mem_file_acquire.
void qvl_mem_file_unpin(const void* block);

// True when the name would acquire (nothing is pinned).
bool qvl_mem_file_known(const char* name);
