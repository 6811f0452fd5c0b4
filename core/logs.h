// The diagnostic channels: debug log, error log file, standard streams,
// console and the debugger break notice.
#pragma once

#include "core/basic_string.h"

// "TX" + text through the debugger channel, only while a debugger is attached.
void qvl_log_debug(const BasicString& text);
// Appends text (up to its NUL; null is written as "NULL") to ErrorLog.txt
// in the temporary folder.
void qvl_log_error_file(const char* text);
// Deletes the error log (the start-up does this so it holds one run).
void qvl_log_error_file_delete();
void qvl_log_print(const BasicString& text);
void qvl_log_print_err(const BasicString& text);
BasicString qvl_log_read_line();
void qvl_log_open_console();
void qvl_log_break(int value);
