// The debugger channel: the runtime's debug log and break notices reach a
// debugger only while one is attached.
#pragma once

// True while a tracer is attached (a non-zero TracerPid in
// /proc/self/status), or while $QVL_DEBUG_LOG names a file that stands in
// for the debugger (tests read the channel through it).
bool qvl_os_debugger_attached();

// Sends text (up to its NUL) to the debugger: appended to the file named by
// $QVL_DEBUG_LOG when set, else written to standard error. Nothing is added
// to the text; callers end their lines themselves.
void qvl_os_debugger_output(const char* text);
