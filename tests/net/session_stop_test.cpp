// The error-checking mutex's result codes, and stopping the session's
// receive thread: in time, never answered, and by two threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "net/net_session.h"
#include "net/socket_table.h"
#include "net/sockets.h"
#include "net/thread_mutex.h"

namespace {

TEST(CheckedMutex, ResultCodes) {
  CheckedMutex* m = nullptr;
  EXPECT_EQ(qvl_sys_mutex_lock(&m), 22);
  EXPECT_EQ(qvl_sys_mutex_unlock(nullptr), 22);
  EXPECT_EQ(qvl_sys_mutex_init(nullptr), 22);
  ASSERT_EQ(qvl_sys_mutex_init(&m), 0);
  EXPECT_EQ(qvl_sys_mutex_unlock(&m), 1);  // free mutex
  EXPECT_EQ(qvl_sys_mutex_lock(&m), 0);
  EXPECT_EQ(qvl_sys_mutex_lock(&m), 36);  // does not nest
  int other = -1;
  std::thread([&] { other = qvl_sys_mutex_unlock(&m); }).join();
  EXPECT_EQ(other, 1);  // not the holder: still held
  EXPECT_EQ(qvl_sys_mutex_unlock(&m), 0);
  // One unlock freed it: another thread can take it now.
  std::thread([&] {
    other = qvl_sys_mutex_lock(&m);
    qvl_sys_mutex_unlock(&m);
  }).join();
  EXPECT_EQ(other, 0);
  EXPECT_EQ(qvl_sys_mutex_destroy(&m), 0);
  EXPECT_EQ(m, nullptr);
  EXPECT_EQ(qvl_sys_mutex_destroy(&m), 22);
}

TEST(Threads, JoinableReturnsTheRoutinesResult) {
  static int32_t arg = 41;
  int64_t h = qvl_sys_thread_create([](void* a) { return *static_cast<int32_t*>(a) + 1; }, &arg, 1);
  ASSERT_GT(h, 0);
  int32_t code = 0;
  EXPECT_EQ(qvl_sys_thread_join(h, &code), 0);
  EXPECT_EQ(code, 42);
}

TEST(Threads, DetachedStartReturnsZeroAndRuns) {
  static std::atomic<int> ran{0};
  EXPECT_EQ(qvl_sys_thread_create([](void*) { ran = 1; return 0; }, nullptr, 0), 0);
  for (int i = 0; i < 200 && !ran; ++i) qvl_sys_thread_sleep(5);
  EXPECT_EQ(ran, 1);
}

// A stand-in receive thread: runs until the stop flag, unless told to hang.
struct Receiver {
  NetSession* s;
  bool hang;
};
int32_t receive_loop(void* arg) {
  auto* r = static_cast<Receiver*>(arg);
  for (;;) {
    qvl_sys_mutex_lock(&r->s->lock);
    bool stop = r->s->stop_requested && !r->hang;
    if (stop) r->s->running = 0;
    qvl_sys_mutex_unlock(&r->s->lock);
    if (stop) return 0;
    qvl_sys_thread_sleep(5);
  }
}

NetSession* running_session(Receiver& r, bool hang) {
  auto* s = new NetSession;
  s->init_idle();
  s->stop_requested = 0;
  s->running = 1;
  s->next_id = 200;
  r = Receiver{s, hang};
  qvl_sys_thread_create(receive_loop, &r, 0);
  return s;
}

TEST(SessionStop, WaitsForTheThreadThenReturnsToIdle) {
  Receiver r;
  NetSession* s = running_session(r, false);
  EXPECT_TRUE(s->stop());
  EXPECT_EQ(s->running, 0);
  EXPECT_EQ(s->stop_requested, 1);
  EXPECT_EQ(s->next_id, 101);
  EXPECT_EQ(s->client_slot, -1);
  qvl_sys_mutex_destroy(&s->lock);
  delete s;
}

// A stop that gives up leaves the thread its sockets and its library
// reference: closed, a socket's slot would go to the next socket opened
// while the thread still reads it.
TEST(SessionStop, GivesUpOnAThreadThatNeverAnswers) {
  Receiver r;
  NetSession* s = running_session(r, true);
  ASSERT_TRUE(s->library_ref.take());
  const int listener = qvl_net_tcp_listen(0);
  ASSERT_GE(listener, 0);
  qvl_sys_mutex_lock(&s->lock);
  s->server_slot = listener;
  qvl_sys_mutex_unlock(&s->lock);
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_FALSE(s->stop(200));
  auto waited = std::chrono::steady_clock::now() - t0;
  EXPECT_LT(waited, std::chrono::seconds(2));
  EXPECT_EQ(qvl_net_peer_address(listener).family, qvl_net_family());
  EXPECT_NE(qvl_net_udp_open(0), listener);
  EXPECT_EQ(qvl_net_startup_count(), 1);
  // The thread may still use the record: the process exit takes it.
  std::_Exit(testing::Test::HasFailure() ? 1 : 0);
}

TEST(SessionStop, OnlyOneThreadStopsAtOnce) {
  Receiver r;
  NetSession* s = running_session(r, true);  // keeps the first stopper waiting
  std::atomic<int> first{-1};
  std::thread a([&] { first = s->stop(400); });
  while (true) {  // wait until the first stopper has claimed the stop
    qvl_sys_mutex_lock(&s->lock);
    bool claimed = s->stopping;
    qvl_sys_mutex_unlock(&s->lock);
    if (claimed) break;
    qvl_sys_thread_sleep(1);
  }
  EXPECT_FALSE(s->stop(400));  // returns at once: someone else is stopping
  EXPECT_EQ(first.load(), -1);
  a.join();
  EXPECT_EQ(first.load(), 0);
  std::_Exit(testing::Test::HasFailure() ? 1 : 0);
}

}  // namespace
