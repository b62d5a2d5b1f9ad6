// Wall-clock time for the benchmarks. <chrono> does not compile under the GBK
// execution character set (the micro-second suffix has no GBK form), so the
// monotonic clock is read directly.
#pragma once

#include <time.h>

inline double NowSeconds() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

inline double NowMs() { return NowSeconds() * 1e3; }

// The processor time of the calling thread.
inline double ThreadSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}
