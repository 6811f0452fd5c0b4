// Threads and the error-checking mutex that guards the network session.
// Result codes follow the POSIX error numbers.
#pragma once

#include <cstdint>

enum : int {
  QVL_MUTEX_OK = 0,
  QVL_MUTEX_NOT_OWNER = 1,  // unlock by a thread that does not hold it
  QVL_MUTEX_NO_MEMORY = 12,
  QVL_MUTEX_INVALID = 22,   // no record at the place; a failed join
  QVL_MUTEX_DEADLOCK = 36,  // lock by the thread that already holds it
};

struct CheckedMutex;

using QvlThreadRoutine = int32_t (*)(void* argument);

// Starts routine(argument) on a new thread. Joinable: returns a handle for
// qvl_sys_thread_join; otherwise the thread runs detached and 0 is
// returned. -1 when the thread cannot be started.
int64_t qvl_sys_thread_create(QvlThreadRoutine routine, void* argument, int joinable);
// Waits for the thread; stores its result through exit_code when not null.
int qvl_sys_thread_join(int64_t handle, int32_t* exit_code);
void qvl_sys_thread_yield();
void qvl_sys_thread_sleep(int ms);

// Every operation takes the place that holds the record pointer.
int qvl_sys_mutex_init(CheckedMutex** place);
int qvl_sys_mutex_lock(CheckedMutex** place);
int qvl_sys_mutex_unlock(CheckedMutex** place);
int qvl_sys_mutex_destroy(CheckedMutex** place);
// The holder waits: releases the mutex, sleeps until a wake-up or until
// timeout_ms have passed, and holds it again; the caller checks what it
// waits for again either way. 1 when the caller does not hold the mutex.
int qvl_sys_mutex_wait(CheckedMutex** place, int timeout_ms);
// Wakes every thread waiting on the mutex.
int qvl_sys_mutex_wake_all(CheckedMutex** place);
