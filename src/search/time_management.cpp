// Time management.  allocateTime() turns the clocks into a soft target and a
// hard limit for this move; measureTime() decides, each time the search
// polls, how much of that the search may use now: more when the root score
// drops, when the first move fails low, or while a promising move is being
// re-searched, but never more than the clock allows.
//
// All times are centiseconds.  Products of clock values are taken in 64 bits.
#include "search/time_management.h"

#include <algorithm>

#include "search/driver.h"
#include "search/hash_tables.h"
#include "search/search.h"
#include "shell/clock.h"
#include "shell/engine_state.h"

namespace {

// The side to move at the root, wherever in the tree the search is.
int rootMover() { return (pos.searchPly & 1) ^ pos.sideToMove; }

// The target scaled down by how much more time the opponent has left.
int64_t scaledTarget(int64_t avail, int64_t opp, int64_t target) {
  const int64_t t = int64_t(float(avail) / float(opp) * float(target));
  return std::max<int64_t>(5, t);
}

int32_t toInt(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// The limit once the target is reached: stop at the hard limit or when the
// reserve is touched; otherwise grant more when the position has worsened.
int64_t extendedLimit(int64_t elapsed, int64_t limit, int64_t target) {
  const TimeControl &tc = timeControl;
  const int mover = rootMover();
  const int64_t mine = tc.clockTime[mover], theirs = tc.clockTime[mover ^ 1];
  const int64_t used = timing.ponderTimeUsed;
  const int64_t left = mine - elapsed + used;
  int64_t spare = mine - (mover == BLACK ? target : 0) - theirs - 100;
  if (elapsed - target - used > 0) spare -= elapsed - target - used;

  if (elapsed >= tc.maxMoveTime || left < timing.timeReserve) return 0;

  int64_t cur = driver.iterationBest;
  if (cur == -INFINITE_SCORE) cur = driver.failState == -1 ? driver.windowHigh - 1 : driver.prevIterScore;
  const int64_t ref = std::max<int64_t>(driver.prevIterScore, searchResult.lastSearchScore);

  // The score has dropped: the deeper the drop, the longer the search.
  if (cur < ref - 25 && !(cur > 100 && cur >= ref - cur * 15 / 100 - 10)) {
    const int64_t drop = ref - cur;
    limit = drop > 500   ? 7 * target
            : drop > 350 ? 6 * target
            : drop > 250 ? 5 * target
            : drop > 150 ? 4 * target
            : drop > 90  ? 3 * target
            : drop > 60  ? 5 * target / 2
                         : 2 * target;
  }
  if (driver.failLowDepth == driver.iterationDepth) {
    // The first move failed low in this iteration: find a better one.
    limit = std::max(limit, 5 * target / 2);
    if (spare > 0) limit += cur >= ref - 25 ? spare / 2 : spare;
  } else if (spare > 0 && cur <= ref - 10) {
    limit += ((ref - cur - 5) / 5) * (spare / 10);
  }
  // A move that failed high is being re-searched: give it as long as the
  // first move took, if the clock can afford it.
  if (driver.reSearchStart > 0 && elapsed > limit) {
    const int64_t x = driver.firstMoveTime - ((limit - used) * 10 - driver.reSearchStart + tc.searchStartTime) / 10;
    if (x > 0 && x < std::min(target, left / 4) &&
        (left > 6000 || left - x > std::max<int64_t>(100, target) + theirs || x < tc.timeIncrement / 2))
      limit += x;
  }
  return limit;
}

// Short clocks.  The target and limit above assume a clock of some
// seconds: they never go below 5 cs, keep 20 cs of "available" time however
// little is left, and add the whole increment to the target.  With a clock
// of a second or two and a small increment every move then costs more than
// the increment once the interface's lag is counted, and the clock runs out.
// So the move is also kept within what the clock itself can pay for: a share
// of what is left after a small margin for the lag, and only three quarters
// of the increment, so that a short clock grows back.
constexpr int64_t LAG_MARGIN = 5;           // cs left untouched for the interface's delay
constexpr int64_t SUDDEN_DEATH_HORIZON = 30;  // moves the clock must still last without a control

void keepWithinClock(int64_t clock, int64_t movesLeft, int64_t increment) {
  TimeControl &tc = timeControl;
  const int64_t usable = std::max<int64_t>(0, clock - LAG_MARGIN);
  const int64_t perMove = tc.movesToGo > 0 ? usable / movesLeft : usable / SUDDEN_DEATH_HORIZON + increment * 3 / 4;
  const int64_t targetCap = std::max<int64_t>(1, perMove);
  const int64_t limitCap = std::max<int64_t>(1, movesLeft == 1 ? usable : std::min(usable / 2, 8 * perMove));
  tc.maxMoveTime = toInt(std::min<int64_t>(tc.maxMoveTime, limitCap));
  timing.targetMoveTime = toInt(std::min<int64_t>({timing.targetMoveTime, targetCap, tc.maxMoveTime}));
}

}  // namespace

void allocateTime() {
  TimeControl &tc = timeControl;
  if (tc.movesToGo == 0 && tc.baseTime == 0) {
    timing.targetMoveTime = tc.maxMoveTime;
    return;
  }
  const int mover = rootMover();
  const int64_t clock = tc.clockTime[mover];
  int64_t avail = std::max<int64_t>(20, clock - 300);
  const int64_t opp = tc.clockTime[mover ^ 1];
  const int64_t increment = tc.timeIncrement;
  const int lastScore = searchResult.lastSearchScore;
  int64_t target;
  int64_t left = 0;

  if (tc.movesToGo == 0) {
    // Sudden death: a fortieth of the clock, less when the opponent is far
    // ahead on the clock and the game is not going badly.
    timing.timeReserve = 300;
    target = std::max<int64_t>(5, avail / 40 + increment);
    if (increment == 0) {
      const int64_t f = lastScore >= -20 ? 8 : 8 - lastScore / 10;
      if (opp > f * avail / 8) target = scaledTarget(avail, opp, target);
    }
  } else {
    // A number of moves to the next control; under xboard counted from the
    // moves already made since the position was set up.
    left = tc.movesToGo;
    if (!(shell.engineFlags & FLAG_UCI)) {
      const int rootPly = pos.gamePly - pos.searchPly;
      const int made = (rootPly + (mover == WHITE ? (rootPly & 1) : 0)) / 2;
      left = tc.movesToGo - made % tc.movesToGo;
    }
    if (left < 1) left = 1;  // a negative count from the interface
    timing.timeReserve = toInt(int64_t(timing.avgMoveTime) * left);
    if (timing.timeReserve > avail - 5 * left) {
      timing.targetMoveTime = tc.maxMoveTime = 5;
      keepWithinClock(clock, left, increment);
      return;
    }
    avail -= timing.timeReserve;
    target = std::min(avail / left, 2 * (int64_t(tc.baseTime) / tc.movesToGo));
    if (left == 1) {
      timing.targetMoveTime = toInt(target);
      tc.maxMoveTime = toInt(avail);
      keepWithinClock(clock, left, increment);
      return;
    }
    target += increment;
    if ((shell.engineFlags & FLAG_OPPONENT_COMPUTER) && opp > 6 * avail / 5 && lastScore > -80)
      target = scaledTarget(avail, opp, target);
  }
  timing.targetMoveTime = toInt(target);
  tc.maxMoveTime = toInt(std::min({avail / 3 + target, 6 * target, increment > 0 ? avail : avail / 2}));
  keepWithinClock(clock, left, increment);
}

bool shortOfTime() {
  const TimeControl &tc = timeControl;
  if (shell.pondering) return (tc.baseTime > 0 || tc.movesToGo > 0) && tc.clockTime[rootMover()] < 1000;
  return tc.maxMoveTime > 0 && timing.targetMoveTime < 100;
}

TimeCheck measureTime() {
  const TimeControl &tc = timeControl;
  if (tc.maxMoveTime == 0 || shell.pondering) return {0, 0};
  const int64_t elapsed = (elapsedMs() - tc.searchStartTime) / 10 + timing.ponderTimeUsed;
  const int64_t target = timing.targetMoveTime;
  int64_t limit = std::min<int64_t>(tc.maxMoveTime, target);
  if (elapsed >= limit) limit = extendedLimit(elapsed, limit, target);
  return {elapsed, limit};
}

void startClockAtPonderHit() {
  const int64_t now = elapsedMs();
  if (timeControl.maxMoveTime != 0) {
    const int cur = driver.iterationBest == -INFINITE_SCORE ? driver.prevIterScore : driver.iterationBest;
    allocateTime();
    // The time spent pondering counts for this move when the search has not
    // found a reason to think longer.
    if (cur >= -99 && cur <= 199 && cur > searchResult.lastSearchScore - 15)
      timing.ponderTimeUsed = int32_t((now - timeControl.searchStartTime) / 10);
  }
  timeControl.searchStartTime = now;
  driver.matDiffAtStart = driver.ponderMatDiff;
  hashTables.searchGeneration = driver.ponderGamePly;
}
