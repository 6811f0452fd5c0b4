#include "net/thread_mutex.h"

#include <pthread.h>
#include <sched.h>

#include <time.h>

#include <atomic>
#include <new>

#include "platform/clock.h"

struct CheckedMutex {
  pthread_mutex_t section;
  // The holder's id, 0 while free. Written only while section is held;
  // unlock reads it without taking the section.
  std::atomic<uint64_t> owner_thread_id;
  // Waits on the mutex, on the monotonic clock.
  pthread_cond_t wake;
};

namespace {

struct ThreadStart {
  QvlThreadRoutine routine;
  void* argument;
};

// A non-zero id per thread (pthread_t is opaque).
uint64_t this_thread_id() {
  static std::atomic<uint64_t> next{1};
  thread_local uint64_t id = next.fetch_add(1);
  return id;
}

void* thread_entry(void* record) {
  ThreadStart start = *static_cast<ThreadStart*>(record);
  delete static_cast<ThreadStart*>(record);
  return reinterpret_cast<void*>(static_cast<intptr_t>(start.routine(start.argument)));
}

}  // namespace

int64_t qvl_sys_thread_create(QvlThreadRoutine routine, void* argument, int joinable) {
  auto* start = new (std::nothrow) ThreadStart{routine, argument};
  if (!start) return -1;
  pthread_t t;
  if (pthread_create(&t, nullptr, thread_entry, start) != 0) {
    delete start;
    return -1;
  }
  if (!joinable) {
    pthread_detach(t);
    return 0;
  }
  return static_cast<int64_t>(t);
}

int qvl_sys_thread_join(int64_t handle, int32_t* exit_code) {
  void* result = nullptr;
  if (pthread_join(static_cast<pthread_t>(handle), &result) != 0) return QVL_MUTEX_INVALID;
  if (exit_code) *exit_code = static_cast<int32_t>(reinterpret_cast<intptr_t>(result));
  return QVL_MUTEX_OK;
}

void qvl_sys_thread_yield() { sched_yield(); }

void qvl_sys_thread_sleep(int ms) { qvl_os_sleep_ms(ms); }

int qvl_sys_mutex_init(CheckedMutex** place) {
  if (!place) return QVL_MUTEX_INVALID;
  auto* m = new (std::nothrow) CheckedMutex;
  if (!m) return QVL_MUTEX_NO_MEMORY;
  pthread_mutex_init(&m->section, nullptr);
  pthread_condattr_t attributes;
  pthread_condattr_init(&attributes);
  pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
  pthread_cond_init(&m->wake, &attributes);
  pthread_condattr_destroy(&attributes);
  m->owner_thread_id = 0;
  *place = m;
  return QVL_MUTEX_OK;
}

int qvl_sys_mutex_lock(CheckedMutex** place) {
  if (!place || !*place) return QVL_MUTEX_INVALID;
  CheckedMutex* m = *place;
  uint64_t me = this_thread_id();
  // The holder asking again would block for ever on a plain mutex; it gets
  // 36 instead and keeps holding it once.
  if (m->owner_thread_id.load() == me) return QVL_MUTEX_DEADLOCK;
  pthread_mutex_lock(&m->section);
  m->owner_thread_id = me;
  return QVL_MUTEX_OK;
}

int qvl_sys_mutex_unlock(CheckedMutex** place) {
  if (!place || !*place) return QVL_MUTEX_INVALID;
  CheckedMutex* m = *place;
  uint64_t owner = m->owner_thread_id.load();
  if (owner == 0 || owner != this_thread_id()) return QVL_MUTEX_NOT_OWNER;
  m->owner_thread_id = 0;
  pthread_mutex_unlock(&m->section);
  return QVL_MUTEX_OK;
}

int qvl_sys_mutex_destroy(CheckedMutex** place) {
  if (!place || !*place) return QVL_MUTEX_INVALID;
  pthread_cond_destroy(&(*place)->wake);
  pthread_mutex_destroy(&(*place)->section);
  delete *place;
  *place = nullptr;
  return QVL_MUTEX_OK;
}

int qvl_sys_mutex_wait(CheckedMutex** place, int timeout_ms) {
  if (!place || !*place) return QVL_MUTEX_INVALID;
  CheckedMutex* m = *place;
  const uint64_t me = this_thread_id();
  if (m->owner_thread_id.load() != me) return QVL_MUTEX_NOT_OWNER;
  timespec until;
  clock_gettime(CLOCK_MONOTONIC, &until);
  if (timeout_ms < 0) timeout_ms = 0;
  until.tv_sec += timeout_ms / 1000;
  until.tv_nsec += static_cast<long>(timeout_ms % 1000) * 1000000L;
  if (until.tv_nsec >= 1000000000L) {
    until.tv_sec += 1;
    until.tv_nsec -= 1000000000L;
  }
  m->owner_thread_id = 0;
  pthread_cond_timedwait(&m->wake, &m->section, &until);
  m->owner_thread_id = me;
  return QVL_MUTEX_OK;
}

int qvl_sys_mutex_wake_all(CheckedMutex** place) {
  if (!place || !*place) return QVL_MUTEX_INVALID;
  pthread_cond_broadcast(&(*place)->wake);
  return QVL_MUTEX_OK;
}
