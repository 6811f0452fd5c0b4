// Host-name resolution and the list of the machine's own addresses.
#pragma once

#include "net/net_address.h"

// Resolves host with the port (host order). In the IPv6 family only IPv6
// results count; otherwise the first IPv4 result wins, or else the last
// IPv6 one. An empty or null host is the machine's own first address. A
// failure gives the none address, with the reason as the last error.
NetAddress qvl_net_resolve(const char* host, int port);

// The machine's addresses in the current family, each followed by the
// separator: the others first, one loopback address last; *count receives
// their number. In a buffer of the calling thread (at most 2047
// characters); null when the machine's name cannot be read or resolved.
const char* qvl_net_local_addresses(int* count, const char* separator);

// The list built from resolved addresses, as above; returns the count.
// Every 127.x.x.x and ::1 is the loopback, whatever the hosts file calls the
// machine (Debian maps its name to 127.0.1.1).
int qvl_net_list_addresses(const NetAddress* addresses, int n, int family, const char* separator,
                           char* out, int out_size);
bool qvl_net_is_loopback(const NetAddress& address);
