// The importer of the older, text-based level files: a developer tool that
// builds one Tlevel (tile layers, enemy waves, start points, settings) from
// a file of tile codes, object codes and ten enemy records (TGigaenemy).
//
// The file "oldlevels/set<set>/level<number>" (relative to the current
// folder) holds one decimal integer per line: 1000 tile codes and 1000
// object codes, each 20 columns x 50 rows column by column, then the ten
// enemy records property by property (motion, variant, x, y, x2, y2,
// param_a, param_b, each for records 0 to 9); two further lines, if there,
// are ignored. One cell is 16 pixels.
#pragma once

#include "core/basic_string.h"
#include "game/model.h"

// The file name of a set's level.
BasicString gamefile_old_level_path(int set, int level_number);

// Builds level from the file: 1.0 when it was read and the level built;
// 0.0, with level unchanged, when the set is not 0 to 5, the file cannot be
// read or holds fewer than its 2080 numbers, or the level has fewer than
// two layers.
double gamefile_import_old_levels(int set, int level_number, Tlevel& level);
