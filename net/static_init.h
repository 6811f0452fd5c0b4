// The networking unit's static initialiser.
#pragma once

// Makes the two global addresses (see net/net_address.h). Called from the
// ordered start-up function (host/static_init.h).
void qvl_net_static_init();
