// The millisecond clock over std::chrono::steady_clock, which never jumps
// when the wall-clock time is changed.
#include "shell/clock.h"

#include <chrono>

namespace {

int64_t systemMilliseconds() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Clock {
  ClockSource source = systemMilliseconds;
  int64_t start = systemMilliseconds();
} engineClock;

}  // namespace

int64_t elapsedMs() { return engineClock.source() - engineClock.start; }

void restartClock() { engineClock.start = engineClock.source(); }

void setClockSource(ClockSource source) {
  engineClock.source = source ? source : systemMilliseconds;
  restartClock();
}
