// Environment variables and the stored command line.
#pragma once

#include "core/basic_string.h"

// Non-empty name: the variable's value, "" when unset. Empty name: the whole
// environment, every entry "name=value" followed by "\n".
BasicString qvl_sys_get_env(const BasicString& name);

// Turns the caller's name string into name=value and sets the variable from
// it (an empty value removes it). 0 on success, -1 on failure. The variable
// keeps its own copy, so later changes of the string do not reach it.
int qvl_sys_put_env(BasicString& name, const BasicString& value);

// The stored command line, built empty on first use.
BasicString& qvl_sys_command_line_ref();
void qvl_sys_set_command_line(const char* text);
BasicString qvl_sys_get_command_line();

// Stores the process's arguments as the Windows-style command line that a
// program expects (arguments with blanks or quotes quoted and escaped).
void qvl_sys_set_command_line_from_argv(int argc, const char* const* argv);
