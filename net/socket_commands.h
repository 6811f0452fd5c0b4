// The language's socket commands: slots as plain integers, data and raw
// addresses (4 bytes for IPv4, 16 for IPv6) as strings. -1 means failure,
// with the reason readable through qvl_net_sock_last_error. Only a
// malformed argument (an IP version other than 4 or 6, an address string of
// another length) raises runtime error 4; the command then goes on with a
// fallback.
#pragma once

#include "core/basic_string.h"

// The commands hold at most one reference on the socket library: a second
// start-up only answers 1, and a shutdown without one releases nothing.
int qvl_net_sock_startup();
int qvl_net_sock_shutdown();
// 4 or 6 selects the family of new listening and UDP sockets and of
// resolution; returns 2 or 23.
int qvl_net_sock_set_ip_version(int version);

int qvl_net_sock_listen(int port);
int qvl_net_sock_connect(const BasicString& host, int port, int timeout_ms);
// The peer's address bytes in peer (emptied first).
int qvl_net_sock_accept(int listen_slot, BasicString& peer);
// Every stored byte of data, NULs included: the count, 0 when empty, -1.
int qvl_net_sock_send(int slot, const BasicString& data);
int qvl_net_sock_udp_open(int port);
int qvl_net_sock_udp_send(int slot, const BasicString& data, const BasicString& address, int port);
// One read of at most size bytes into out: the count (out holds them), 0
// closed, -2 nothing waiting, -1 error (out empty in those three cases).
int qvl_net_sock_receive(int slot, BasicString& out, int size);

BasicString qvl_net_sock_resolve(const BasicString& host);
BasicString qvl_net_sock_address_text(const BasicString& address);
BasicString qvl_net_sock_peer_address(int slot);
int qvl_net_sock_peer_port(int slot);
// 1 when the socket closed without error; the slot is free either way.
int qvl_net_sock_close(int slot);
int qvl_net_sock_set_blocking(int slot, int flag);
BasicString qvl_net_sock_last_error();
// The machine's addresses separated by "|".
BasicString qvl_net_local_address_list();
