// Console output and input: the process's standard streams.
#pragma once

// Writes text (up to its NUL) to standard output and flushes it.
void qvl_os_console_write_out(const char* text);
// Writes text (up to its NUL) to standard error and flushes it.
void qvl_os_console_write_err(const char* text);
// Reads one line of standard input into out (fgets rules: at most size - 1
// bytes, the '\n' kept). Returns false at end of input, out then holds "".
bool qvl_os_console_read_line(char* out, int size);
// Gives the process a console. A Linux process already has its standard
// streams (a terminal or whatever the parent connected), so nothing is done.
void qvl_os_console_open();
