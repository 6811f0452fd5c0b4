// The wildcard match and the sorted listing of the current folder.
#pragma once

#include "core/basic_array.h"
#include "core/basic_string.h"

// "*" and "*.*" match every name. Otherwise '*' matches any run of
// characters (also none); every other character, '?' and '.' included,
// matches itself, ASCII letters without regard to case. The whole name
// must match.
bool qvl_file_wildcard_match(const BasicString& pattern, const BasicString& name);

// Lists the current folder into out: first every folder (unfiltered, "."
// and ".." included), then every file whose name matches the pattern, each
// group sorted without regard to ASCII case. Returns files + 65536 x
// folders; a folder that cannot be read gives an empty listing and 0.
double qvl_file_list_dir(const BasicString& pattern, BasicArray<BasicString>& out);
