// Environment variables.
//
// Values are always copied into the environment (setenv), never lent to it
// (putenv): the runtime's strings move and change, and glibc would keep
// pointing into them.
#pragma once

#include <string>

// The variable's value, or null when it is not set.
const char* qvl_env_get(const char* name);

// Every variable as "name=value\n", in the environment's own order.
std::string qvl_env_dump();

// Sets a variable from "name=value"; "name=" removes it. Returns 0 on
// success, -1 when the text has no '=', an empty name, or the change fails.
int qvl_env_put(const char* assignment);
