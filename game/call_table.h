// The program's call-by-name table, installed by the program entry.
#pragma once

#include "core/call_by_name.h"

extern const NamedSub game_call_table[];
