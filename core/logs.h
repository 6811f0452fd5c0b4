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
// The debugger break notice "BP" + value in hex, sent only while a debugger
// is attached; afterwards the program is no longer paused.
void qvl_log_break(int value);

// The host's part of a break notice: before it, the mouse is released so the
// debugger can use the pointer; after it, input is read afresh (motion made
// while the program stood still is dropped) and the window is brought back
// to the front. The host installs them; until then nothing is done.
using QvlBreakHook = void (*)();
void qvl_log_set_break_hooks(QvlBreakHook before, QvlBreakHook after);
