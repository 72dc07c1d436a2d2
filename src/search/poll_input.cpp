// The search's look at the outside world, every few thousand nodes: the
// clock, and one waiting input line.
//
// Input lines go to the same protocol handlers as between searches; they
// only set shared variables, and `searchAbort` tells the search what to do:
// carry on, continue a ponder search as a real one (ponder hit), or stop.
#include "search/driver.h"
#include "search/search.h"
#include "search/search_output.h"
#include "search/time_management.h"
#include "shell/engine_state.h"
#include "shell/input.h"

namespace {

// The predicted move was played: the ponder search goes on as a search on
// the engine's clock.  An expected easy recapture is played at once.
void acceptPonderHit() {
  printPV(0, 0);
  startClockAtPonderHit();
  shell.pondering = 0;
  if (tree.pvLength[0] > 0 && moveTo(tree.pvTable[0][0]) == driver.recaptureSquare) {
    shell.searchAbort = ABORT_MOVE_NOW;
    abandonSearch();
  }
  shell.searchAbort = ABORT_NONE;
}

}  // namespace

void pollInput() {
  // The first two iterations are too short to be worth interrupting.
  if (!searchRunning() || driver.iterationDepth <= 2) return;
  pollInputNow();
}

void pollInputNow() {
  if (!searchRunning()) return;
  if (searchHooks.onPoll) searchHooks.onPoll();
  const TimeCheck time = measureTime();
  if (shell.searchAbort == ABORT_NONE) readAndDispatch(0);
  if (shell.searchAbort == ABORT_PONDER_HIT) {
    acceptPonderHit();
    return;
  }
  if (shell.searchAbort != ABORT_NONE) abandonSearch();
  if (time.elapsed > time.limit) {
    shell.searchAbort = ABORT_MOVE_NOW;
    abandonSearch();
  }
}
