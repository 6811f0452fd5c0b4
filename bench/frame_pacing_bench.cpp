// Frame pacing of the present step's limiter at 60 frames per second against
// a bare clock_nanosleep loop (what a program would write by hand): mean and
// 99th percentile of the frame period over 600 frames. And the time from
// process start to the first presented frame of the host-demo fixture.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/bench_window.h"
#include "gfx2d/opengl_rainbows.h"
#include "platform/clock.h"
#include "platform/gl_leak_suppressions.h"

namespace {

constexpr int kFrames = 600;

void report(benchmark::State& state, std::vector<double> periods) {
  double sum = 0;
  for (double p : periods) sum += p;
  std::sort(periods.begin(), periods.end());
  state.counters["mean_ms"] = sum / static_cast<double>(periods.size());
  state.counters["p99_ms"] = periods[periods.size() * 99 / 100];
  state.counters["max_ms"] = periods.back();
}

void use_offscreen_without_display() {
  if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
}

// On the shared benchmark window, made for 60 frames per second; the window
// stays open for the drawing benchmarks that follow.
void BM_FramePeriodPresent60(benchmark::State& state) {
  OpenGLRainbows* gfx = bench_window();
  std::vector<double> periods;
  for (auto _ : state) {
    periods.clear();
    gfx->next_frame_time = qvl_os_clock_ms();
    double last = qvl_os_clock_ms();
    for (int i = 0; i < kFrames; ++i) {
      gfx->present(nullptr);
      double now = qvl_os_clock_ms();
      periods.push_back(now - last);
      last = now;
    }
  }
  report(state, periods);
}
BENCHMARK(BM_FramePeriodPresent60)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

void BM_FramePeriodClockNanosleep60(benchmark::State& state) {
  std::vector<double> periods;
  const long period_ns = 1000000000L / 60;
  for (auto _ : state) {
    periods.clear();
    timespec next;
    clock_gettime(CLOCK_MONOTONIC, &next);
    double last = qvl_os_clock_ms();
    for (int i = 0; i < kFrames; ++i) {
      next.tv_nsec += period_ns;
      if (next.tv_nsec >= 1000000000L) {
        next.tv_nsec -= 1000000000L;
        ++next.tv_sec;
      }
      clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
      double now = qvl_os_clock_ms();
      periods.push_back(now - last);
      last = now;
    }
  }
  report(state, periods);
}
BENCHMARK(BM_FramePeriodClockNanosleep60)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// Runs "host-demo 1 --timing" and reads its "first-frame <ms>" line.
void BM_StartToFirstFrame(benchmark::State& state) {
  use_offscreen_without_display();
  std::vector<double> times;
  for (auto _ : state) {
    std::string cmd = std::string(QVL_HOST_DEMO) + " 1 --timing 2>/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) {
      state.SkipWithError("cannot run host-demo");
      return;
    }
    char line[256];
    double ms = -1;
    while (std::fgets(line, sizeof line, p))
      if (std::sscanf(line, "first-frame %lf", &ms) == 1) times.push_back(ms);
    pclose(p);
  }
  if (times.empty()) {
    state.SkipWithError("no first-frame line");
    return;
  }
  std::sort(times.begin(), times.end());
  state.counters["median_ms"] = times[times.size() / 2];
}
BENCHMARK(BM_StartToFirstFrame)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
