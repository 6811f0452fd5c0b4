// The language's session commands, on the one session object the start-up
// made. Before the start-up and after the shutdown they fail: 0, the empty
// text or "NO_DATA".
#pragma once

#include "core/basic_string.h"

// 1 when the session is hosted on the port (below 1: 27910), else 0.
int qvl_net_session_host(int port);
// 1 when the session at host and port (below 1: 27910) was joined, else 0.
int qvl_net_session_join(const BasicString& host, int port);
// Stops the session (waiting for its thread); 101.
int qvl_net_session_end();
int qvl_net_session_is_running();
// Whether the host takes new machines and players; 0.
int qvl_net_session_allow_join(int flag);
// The id the host gave the new player, or 0.
int qvl_net_session_add_player(const BasicString& name);
// Tells the host a player leaves: the send's result for an id from 1 to
// 65279; any other value comes back unchanged and nothing is sent.
int qvl_net_session_remove_player(int id);
// A text from one player to another (to 0: to all); 1 when it went out. A
// text longer than 1024 bytes fits no packet and gives 0.
int qvl_net_session_send_text(int from, int to, const BasicString& text);
// The oldest text for the local player, taken; empty when none.
BasicString qvl_net_session_next_message(int id);
// The sender of the text last taken.
int qvl_net_session_last_sender();
// On the host: the newest departure, taken; 0 when none.
int qvl_net_session_next_left_player();
// Asked of the host: the number of players, the n-th player's id (0 past
// the last), a player's name ("NO_DATA" when unknown or unanswered).
int qvl_net_session_player_count();
int qvl_net_session_player_id(int n);
BasicString qvl_net_session_player_name(int id);
