// File-name resolution: the step every loader takes before it opens a file,
// so that media may come from disk, from a MemFile or from the archive
// appended to the executable (files/strongbox.h).
#pragma once

#include "core/basic_string.h"

// Replaces name by the name under which it can be opened for reading:
// the same name when it is a file on disk (not a folder) or a live MemFile
// name, or a new MemFile name of an archive entry unpacked to memory.
// False (name unchanged) when it is empty or found nowhere.
//
// The MemFile block of an archive entry belongs to the resolving reader and
// is released at its next lookup; a channel opened on it before then keeps
// it alive until the channel closes. Works before the archive readers exist
// (disk and MemFile names only).
bool qvl_file_resolve(BasicString& name);
