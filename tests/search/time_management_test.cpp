// Time allocation from the clocks, the limit the input poll applies and
// extends, when the search polls, and the ponder hit, with an injected clock.
#include "search/time_management.h"

#include "search_fixture.h"

namespace {

using test::fakeNow;
using test::fakeStep;
using test::middlegame;
using test::SearchTest;

class TimeTest : public SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    useFakeClock();
  }
  // The clocks as the interface sends them, in centiseconds.
  static void clocks(int mine, int theirs, int movesToGo = 0, int increment = 0) {
    timeControl.clockTime[WHITE] = mine;
    timeControl.clockTime[BLACK] = theirs;
    timeControl.baseTime = mine;
    timeControl.movesToGo = movesToGo;
    timeControl.timeIncrement = increment;
  }
};

TEST_F(TimeTest, AllocationFromTheClocks) {
  const int incrementTarget = 59700 / 40 + 500;
  const struct {
    int flags, mine, theirs, movesToGo, increment, gamePly, lastScore;
    int target, limit, reserve;  // -1: not checked
  } cases[] = {
      // Sudden death: a fortieth, scaled down when the opponent has more
      // time than is available to us, unless we are losing badly (f = 18).
      {FLAG_XBOARD, 60000, 50000, 0, 0, 0, 0, 1492, 8952, 300},
      {FLAG_XBOARD, 60000, 60000, 0, 0, 0, 0, 1484, 8904, 300},
      {FLAG_XBOARD, 60000, 60000, 0, 0, 0, -100, 1492, -1, 300},
      // The increment is added, without scaling; the limit is six targets.
      {FLAG_XBOARD, 60000, 90000, 0, 500, 0, 0, incrementTarget, 6 * incrementTarget, 300},
      // One move to the control may use all but the reserve (the average
      // move overhead, 20); a reserve the clock cannot keep (40 x 20 of the
      // 700 available) leaves five centiseconds.
      {FLAG_UCI, 6000, 6000, 1, 0, 0, 0, 6000 - 300 - 20, 6000 - 300 - 20, 20},
      {FLAG_UCI, 1000, 1000, 40, 0, 0, 0, 5, 5, -1},
      // Under xboard the moves already played count towards the control:
      // 38 each, two left for White.
      {FLAG_XBOARD, 30000, 30000, 40, 0, 76, 0, std::min((30000 - 300 - 40) / 2, 2 * (30000 / 40)), -1, 40},
  };
  for (const auto &c : cases) {
    shell.engineFlags = c.flags;
    clocks(c.mine, c.theirs, c.movesToGo, c.increment);
    pos.gamePly = c.gamePly;
    searchResult.lastSearchScore = c.lastScore;
    allocateTime();
    EXPECT_EQ(test::numbers(timing.targetMoveTime, c.limit < 0 ? -1 : timeControl.maxMoveTime,
                            c.reserve < 0 ? -1 : timing.timeReserve),
              test::numbers(c.target, c.limit, c.reserve))
        << "case " << &c - cases;
  }
  pos.gamePly = 0;

  // The side to move at the root, seen from three plies inside the tree.
  clocks(60000, 20000);
  pos.searchPly = 3;
  pos.sideToMove = BLACK;
  searchResult.lastSearchScore = 0;
  shell.engineFlags = FLAG_XBOARD;
  allocateTime();
  EXPECT_EQ(timing.targetMoveTime, 1492);
  pos.searchPly = 0;
  pos.sideToMove = WHITE;

  // No clock: the fixed limit.
  timeControl.baseTime = timeControl.movesToGo = 0;
  timeControl.maxMoveTime = 300;
  allocateTime();
  EXPECT_EQ(test::numbers(timing.targetMoveTime, timeControl.maxMoveTime), test::numbers(300, 300));
}

// A short clock is never overspent: the target is a thirtieth of what is
// left after the lag margin (plus three quarters of the increment, so that
// the clock grows back) or its share of the moves to go, and the limit well
// within the clock.
TEST_F(TimeTest, AShortClockIsNeverOverspent) {
  const std::tuple<int, int, int, int, int, int> cases[] = {
      {100, 100, 0, 0, 95 / 30, 10},
      {10, 100, 0, 0, 1, 1},
      {60, 60, 0, 5, 55 / 30 + 3, 11},
      {100, 100, 20, 0, 95 / 20, 5},
      {1000, 1000, 0, 500, 995 / 30 + 375, (1000 - 5) / 2},
  };
  for (const auto &[mine, theirs, movesToGo, increment, target, limit] : cases) {
    clocks(mine, theirs, movesToGo, increment);
    allocateTime();
    EXPECT_EQ(test::numbers(timing.targetMoveTime, timeControl.maxMoveTime), test::numbers(target, limit))
        << mine << " " << movesToGo << " " << increment;
  }
}

// The poll's limit in the middle of iteration 6: target 1,000, limit 6,000,
// reserve 300, the score 20 so far.
TEST_F(TimeTest, ThePollExtendsTheTargetWhenTheSearchIsInTrouble) {
  const struct Case {
    int best = 20, previous = 20, failLowDepth = 0, failState = 0, windowHigh = 0;
    int mine = 60000, theirs = 60000, maxMoveTime = 6000, pondering = 0;
    int64_t at, limit, elapsed = -1;  // -1: not checked
  } cases[] = {
      // Nothing has gone wrong: the target is the limit.
      {.at = 500, .limit = 1000},
      {.at = 1000, .limit = 1000},
      {.at = 1001, .limit = -1, .elapsed = 1001},
      // A dropping score buys time, unless it drops from a winning score by
      // a small share of it.
      {.best = 20 - 200, .at = 1200, .limit = 4000},
      {.best = 20 - 600, .at = 1200, .limit = 7000},
      {.best = 20 - 50, .at = 1200, .limit = 2000},
      {.best = 350, .previous = 400, .at = 1200, .limit = 1000},
      // A fail low of the first move buys two and a half targets, and time
      // to spare on the opponent's clock (halved: the score has not dropped).
      {.failLowDepth = 6, .at = 1200, .limit = 2500},
      {.failLowDepth = 6, .theirs = 50000, .at = 1200, .limit = 2500 + (60000 - 50000 - 100 - 200) / 2},
      // During a fail-low re-search the failed score counts: a drop of 121.
      {.best = -10000, .failState = -1, .windowHigh = 20 - 120, .at = 1200, .limit = 3000},
      // The hard limit and the reserve (200 left on the clock) always stop it.
      {.best = -500, .at = 6000, .limit = 0},
      {.best = -500, .mine = 1500, .at = 1300, .limit = 0},
      // No limit without a move time or while pondering.
      {.maxMoveTime = 0, .at = 100000, .limit = 0, .elapsed = 0},
      {.pondering = 1, .at = 100000, .limit = 0, .elapsed = 0},
  };
  for (const Case &c : cases) {
    clocks(c.mine, c.theirs);
    timeControl.maxMoveTime = c.maxMoveTime;
    timeControl.searchStartTime = 0;
    timing.targetMoveTime = 1000;
    timing.timeReserve = 300;
    driver.iterationDepth = 6;
    driver.prevIterScore = searchResult.lastSearchScore = c.previous;
    driver.iterationBest = c.best;
    driver.failLowDepth = c.failLowDepth;
    driver.failState = c.failState;
    driver.windowHigh = c.windowHigh;
    shell.pondering = c.pondering;
    fakeNow = c.at * 10;
    const TimeCheck check = measureTime();
    EXPECT_EQ(test::numbers(c.limit < 0 ? -1 : check.limit, c.elapsed < 0 ? -1 : check.elapsed),
              test::numbers(c.limit, c.elapsed))
        << "case " << &c - cases;
  }
}

// Search-level behaviour with a clock that advances at every reading.
int deepestPolled = 0;
void notePollDepth() { deepestPolled = std::max(deepestPolled, driver.iterationDepth); }

TEST_F(TimeTest, AFixedTimeSearchStopsAtItsLimit) {
  setPosition(middlegame);
  searchHooks.fixedPollMask = 255;
  searchHooks.onPoll = notePollDepth;
  deepestPolled = 0;
  timeControl.maxMoveTime = timeControl.clockTime[WHITE] = timeControl.clockTime[BLACK] = 100;
  fakeStep = 1;
  timeControl.searchStartTime = elapsedMs();
  think();
  EXPECT_EQ(test::numbers(shell.searchAbort, pos.searchPly), test::numbers(ABORT_MOVE_NOW, 0));
  EXPECT_GE(deepestPolled, 3);
  EXPECT_GE(searchResult.pvLength, 1);
  // Stopped at the first poll past one second.
  EXPECT_GE(elapsedMs() - timeControl.searchStartTime, 1000);
}

// A ponder search on the initial position (a quiet score near 0) that the
// opponent's predicted move turns into a real one at node 3,000.
void ponderHitHook() {
  if (shell.pondering && tree.nodeCount >= 3000) shell.searchAbort = ABORT_PONDER_HIT;
}

TEST_F(TimeTest, APonderHitContinuesOnTheEnginesClock) {
  setPosition(test::startFen);
  shell.pondering = 1;
  clocks(60000, 50000);
  timeControl.maxMoveTime = 60000;
  searchHooks.fixedPollMask = 255;
  searchHooks.onPoll = ponderHitHook;
  fakeStep = 20;
  const int64_t ponderStart = timeControl.searchStartTime = elapsedMs();
  think();
  // Time allocated at the hit, and the search ended on time.
  EXPECT_EQ(test::numbers(shell.pondering, timing.targetMoveTime, shell.searchAbort),
            test::numbers(0, 1492, ABORT_MOVE_NOW));
  EXPECT_GE(searchResult.pvLength, 1);
  EXPECT_GT(timeControl.searchStartTime, ponderStart);  // the clock started again at the hit
  EXPECT_GT(timing.ponderTimeUsed, 0);                  // the pondering time is credited
}

}  // namespace
