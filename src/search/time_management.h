// The time side of the search: how long the move may take, and when the
// running search has used it up.
#pragma once

#include <cstdint>

struct TimeCheck {
  int64_t elapsed;  // centiseconds spent on this move (ponder time credited included)
  int64_t limit;    // the time it may take now; 0 with elapsed 0 means no limit
};

// Elapsed time and the current limit, extended when the root score drops,
// when the first move failed low, or while a promising move is re-searched.
TimeCheck measureTime();
// A move with little time (or a ponder search on a short clock): the search
// then checks the clock often, so it never runs far past its limit.
bool shortOfTime();
// A ponder search becomes a search on the engine's own clock.
void startClockAtPonderHit();
