// The engine's millisecond clock.  It counts from program start and starts
// again at every new game; the search measures its time against it.
#pragma once

#include <cstdint>

// Milliseconds since the clock was last started.
int64_t elapsedMs();
// Starts counting from zero again (a new game).
void restartClock();

// Tests replace the monotonic system clock by their own source of
// milliseconds; nullptr restores the system clock.  The clock restarts.
using ClockSource = int64_t (*)();
void setClockSource(ClockSource source);
