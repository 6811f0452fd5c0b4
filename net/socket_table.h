// The socket table as far as the session's shutdown needs it: sending on an
// entry, closing an entry and giving back the socket library's start-up
// references. The socket commands add opening, receiving and names.
#pragma once

#include <cstdint>

constexpr int kSocketEntries = 1024;

// Sends all bytes on the entry; the number sent, or -1.
int qvl_net_send(int entry, const void* bytes, int length, const void* address);
// Lingering off, shut down both ways, closed; the entry becomes free (-1).
int qvl_net_close(int entry);
// Gives back one start-up reference; the last one (or a call with none
// left) closes every open entry. The count never goes below 0.
int qvl_net_shutdown();
// Takes one start-up reference (the socket commands call it).
int qvl_net_startup();

// The descriptor at an entry, -1 when free; an entry can be given a
// descriptor (the socket commands and tests do).
int qvl_net_socket_of(int entry);
void qvl_net_set_socket(int entry, int fd);
int qvl_net_startup_count();
