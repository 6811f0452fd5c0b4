// The temporary folder: $TMPDIR when set, else /tmp/.
#pragma once

// Writes the folder, always ending in '/', with its NUL into out and returns
// its length. When $TMPDIR does not fit into size bytes (NUL included) the
// default "/tmp/" is used instead, so callers never get a cut path.
int qvl_os_temp_folder(char* out, int size);
