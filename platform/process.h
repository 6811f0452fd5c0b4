// Child processes and the Windows-style command line.
//
// Programs hand the runtime one command-line string, as they would to
// CreateProcess; here it is split into arguments by the rules the Windows C
// runtime uses, and the program is started with posix_spawn. In the other
// direction the process's own argv is joined into such a string, so that a
// program sees the command line it expects.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Splits a command line into arguments. The program name (the first
// argument) ends at the first blank unless it starts with '"', in which case
// it runs to the next '"' with no escapes. In the arguments that follow,
// blanks (space, TAB) separate; '"' toggles quoting; 2n backslashes before a
// '"' give n backslashes and the '"' quotes, 2n+1 give n backslashes and a
// literal '"'; other backslashes are literal; inside quotes "" gives a
// literal '"' and quoting goes on.
std::vector<std::string> qvl_proc_split_command_line(const char* line);

// Joins arguments into a command line that qvl_proc_split_command_line (and a
// Windows program) splits back into the same arguments.
std::string qvl_proc_join_command_line(int argc, const char* const* argv);

// Starts args[0] (searched in PATH when it holds no '/'; '\' in it becomes
// '/') with the given arguments, the caller's environment and current
// folder. Returns the child's pid, or -1 when the program cannot be started
// (missing, not executable, empty argument list).
pid_t qvl_proc_spawn(const std::vector<std::string>& args);

// Waits until the child has ended and stores its exit code: the status it
// exited with, or 128 + the signal that killed it. Returns false when the
// pid is not a child of this process.
bool qvl_proc_wait(pid_t pid, int* exit_code);

// Forgets a child that nobody waits for, so it does not linger as a zombie.
void qvl_proc_release(pid_t pid);
