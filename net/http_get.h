// A minimal HTTP/1.1 GET over one connection of the socket layer: one
// request, the response header skipped, the body to a file, into a text
// buffer, or both, until the server closes the connection or, where the
// header gives a Content-Length, until that many body bytes are in.
//
// Failures are false (0, an empty or short text) with the reason as the
// socket layer's last error. A download goes to a temporary file beside the
// target and replaces the target only when the transfer ended well, so a
// failed one keeps the old file. A connection that stays silent for the
// time-out (1 to 30000 ms, else 30 s) ends the transfer as a failure, and
// so does a reset, or an end before the announced length is in (10054).
#pragma once

#include "core/basic_string.h"

// Port 0 is 80. Host and path with a CR or LF are refused (error 10022):
// they would add header lines of their own.
bool qvl_http_get(const char* host, const char* path, int port, const char* file_name,
                  char* buffer, int buffer_size, int timeout_ms);

// The body into the file: 1 or 0.
int qvl_http_get_to_file(const BasicString& host, const BasicString& path, int port,
                         const BasicString& file_name, int timeout_ms);
// At most the first n bytes of the body, cut at its first 0 byte; empty
// when nothing arrived (n below 1 keeps nothing).
BasicString qvl_http_get_to_string(const BasicString& host, const BasicString& path, int port,
                                   int n, int timeout_ms);
