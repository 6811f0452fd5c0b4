// The socket unit's static initialiser.
#pragma once

// Builds the any and the none address (net/net_address.h). The socket table
// needs no step: its slots start free. Called from the ordered start-up
// function (host/static_init.h).
void qvl_net_static_init_sockets();
