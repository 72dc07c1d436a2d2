// Time allocation from the clocks, the limit the input poll applies and
// extends, and the ponder hit, with an injected clock.
#include "search/time_management.h"

#include "search_fixture.h"

namespace {

using test::SearchTest;

int64_t fakeNow = 0;
int64_t fakeStep = 0;  // milliseconds the clock advances at every reading
int64_t fakeClock() { return fakeNow += fakeStep; }

class TimeTest : public SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    fakeNow = 0;
    fakeStep = 0;
    setClockSource(fakeClock);
  }
  static void suddenDeath(int mine, int theirs) {
    timeControl.clockTime[WHITE] = mine;
    timeControl.clockTime[BLACK] = theirs;
    timeControl.baseTime = mine;
    timeControl.movesToGo = 0;
    timeControl.timeIncrement = 0;
  }
};

TEST_F(TimeTest, SuddenDeathTakesAFortiethScaledByTheOpponentsClock) {
  suddenDeath(60000, 50000);
  allocateTime();
  EXPECT_EQ(timing.targetMoveTime, 1492);
  EXPECT_EQ(timeControl.maxMoveTime, 8952);
  EXPECT_EQ(timing.timeReserve, 300);

  // The opponent has more time than is available to us: the target shrinks.
  suddenDeath(60000, 60000);
  allocateTime();
  EXPECT_EQ(timing.targetMoveTime, 1484);
  EXPECT_EQ(timeControl.maxMoveTime, 8904);

  // Losing badly, the opponent must be much further ahead before we hurry.
  suddenDeath(60000, 60000);
  searchResult.lastSearchScore = -100;  // f = 18
  allocateTime();
  EXPECT_EQ(timing.targetMoveTime, 1492);
}

TEST_F(TimeTest, TheIncrementIsAddedAndTheLimitMayUseTheWholeClock) {
  suddenDeath(60000, 90000);
  timeControl.timeIncrement = 500;
  allocateTime();
  EXPECT_EQ(timing.targetMoveTime, 59700 / 40 + 500);  // no scaling with an increment
  EXPECT_EQ(timeControl.maxMoveTime, 6 * (59700 / 40 + 500));
}

TEST_F(TimeTest, AShortClockIsNeverOverspent) {
  // One second left without increment: a thirtieth of what is left after the
  // lag margin, and at most half of it.
  suddenDeath(100, 100);
  allocateTime();
  EXPECT_EQ(timing.targetMoveTime, 95 / 30);
  EXPECT_LE(timeControl.maxMoveTime, 95 / 2);
  EXPECT_GE(timeControl.maxMoveTime, 1);
  // A tenth of a second: one centisecond a move, never more than the clock.
  suddenDeath(10, 100);
  allocateTime();
  EXPECT_EQ(timing.targetMoveTime, 1);
  EXPECT_LE(timeControl.maxMoveTime, 2);
  // With an increment a short clock grows back: the target stays below it.
  suddenDeath(60, 60);
  timeControl.timeIncrement = 5;
  allocateTime();
  EXPECT_LT(timing.targetMoveTime, 5);
  // Moves to go on a short clock: the clock is shared out over them.
  suddenDeath(100, 100);
  timeControl.movesToGo = 20;
  allocateTime();
  EXPECT_LT(int64_t(timing.targetMoveTime) * 20, 100);
}

TEST_F(TimeTest, OneMoveToTheControlMayUseAllButTheReserve) {
  shell.engineFlags = FLAG_UCI;
  timeControl.clockTime[WHITE] = timeControl.clockTime[BLACK] = 6000;
  timeControl.baseTime = 6000;
  timeControl.movesToGo = 1;
  allocateTime();
  EXPECT_EQ(timing.timeReserve, 20);  // the average move overhead
  EXPECT_EQ(timeControl.maxMoveTime, 6000 - 300 - 20);
  EXPECT_EQ(timing.targetMoveTime, 6000 - 300 - 20);
}

TEST_F(TimeTest, AReserveTheClockCannotKeepLeavesFiveCentiseconds) {
  shell.engineFlags = FLAG_UCI;
  timeControl.clockTime[WHITE] = timeControl.clockTime[BLACK] = 1000;
  timeControl.baseTime = 1000;
  timeControl.movesToGo = 40;  // 40 x 20 reserved, more than the 700 available
  allocateTime();
  EXPECT_EQ(timing.targetMoveTime, 5);
  EXPECT_EQ(timeControl.maxMoveTime, 5);
}

TEST_F(TimeTest, UnderXboardTheMovesAlreadyPlayedCountTowardsTheControl) {
  shell.engineFlags = FLAG_XBOARD;
  timeControl.clockTime[WHITE] = timeControl.clockTime[BLACK] = 30000;
  timeControl.baseTime = 30000;
  timeControl.movesToGo = 40;
  // 38 moves each played: two moves left for White in this control.
  pos.gamePly = 76;
  allocateTime();
  EXPECT_EQ(timing.timeReserve, 2 * 20);
  const int avail = 30000 - 300 - 40;
  EXPECT_EQ(timing.targetMoveTime, std::min(avail / 2, 2 * (30000 / 40)));
  pos.gamePly = 0;
}

TEST_F(TimeTest, TheRootMoverIsFoundFromInsideTheTree) {
  suddenDeath(60000, 50000);
  timeControl.clockTime[BLACK] = 20000;
  pos.searchPly = 3;  // three plies below a root where White is to move: Black to move here
  pos.sideToMove = BLACK;
  allocateTime();
  EXPECT_EQ(timing.targetMoveTime, 1492);
  pos.searchPly = 0;
  pos.sideToMove = WHITE;
}

TEST_F(TimeTest, NoClockMeansTheFixedLimit) {
  timeControl.baseTime = timeControl.movesToGo = 0;
  timeControl.maxMoveTime = 300;
  allocateTime();
  EXPECT_EQ(timing.targetMoveTime, 300);
  EXPECT_EQ(timeControl.maxMoveTime, 300);
}

// The poll's limit, set up as in the middle of iteration 6.
class PollLimitTest : public TimeTest {
 protected:
  void SetUp() override {
    TimeTest::SetUp();
    suddenDeath(60000, 60000);
    timeControl.maxMoveTime = 6000;
    timing.targetMoveTime = 1000;
    timing.timeReserve = 300;
    driver.iterationDepth = 6;
    driver.prevIterScore = 20;
    driver.iterationBest = 20;
    searchResult.lastSearchScore = 20;
    timeControl.searchStartTime = 0;
  }
  TimeCheck at(int64_t centiseconds) {
    fakeNow = centiseconds * 10;
    return measureTime();
  }
};

TEST_F(PollLimitTest, TheTargetIsTheLimitWhileNothingHasGoneWrong) {
  EXPECT_EQ(at(500).limit, 1000);
  EXPECT_EQ(at(1000).limit, 1000);
  EXPECT_EQ(at(1001).elapsed, 1001);
}

TEST_F(PollLimitTest, ADroppingScoreBuysTime) {
  driver.iterationBest = 20 - 200;
  EXPECT_EQ(at(1200).limit, 4000);
  driver.iterationBest = 20 - 600;
  EXPECT_EQ(at(1200).limit, 7000);
  driver.iterationBest = 20 - 50;
  EXPECT_EQ(at(1200).limit, 2000);
  // A drop from a winning score by a small share of it does not count.
  driver.prevIterScore = searchResult.lastSearchScore = 400;
  driver.iterationBest = 350;
  EXPECT_EQ(at(1200).limit, 1000);
}

TEST_F(PollLimitTest, AFailLowOfTheFirstMoveBuysTwoAndAHalfTargets) {
  driver.failLowDepth = 6;
  EXPECT_EQ(at(1200).limit, 2500);
  // With time to spare on the opponent, that is added too (halved when the
  // score has not dropped).
  timeControl.clockTime[BLACK] = 50000;
  EXPECT_EQ(at(1200).limit, 2500 + (60000 - 50000 - 100 - 200) / 2);
}

TEST_F(PollLimitTest, TheHardLimitAndTheReserveAlwaysStopTheSearch) {
  driver.iterationBest = -500;
  EXPECT_EQ(at(6000).limit, 0);
  timeControl.clockTime[WHITE] = 1500;
  EXPECT_EQ(at(1300).limit, 0);  // 200 left on the clock, 300 in reserve
}

TEST_F(PollLimitTest, ADuringAFailLowReSearchTheFailedScoreCounts) {
  driver.iterationBest = -10000;
  driver.failState = -1;
  driver.windowHigh = 20 - 120;  // the score below it: a drop of 121
  EXPECT_EQ(at(1200).limit, 3000);
}

TEST_F(PollLimitTest, NoLimitWithoutAMoveTimeOrWhilePondering) {
  timeControl.maxMoveTime = 0;
  EXPECT_EQ(at(100000).limit, 0);
  EXPECT_EQ(at(100000).elapsed, 0);
  timeControl.maxMoveTime = 6000;
  shell.pondering = 1;
  EXPECT_EQ(at(100000).elapsed, 0);
}

// Search-level behaviour with a clock that advances at every reading.
int pollsSeen = 0;
int deepestPolled = 0;
void countPolls() {
  pollsSeen++;
  if (driver.iterationDepth > deepestPolled) deepestPolled = driver.iterationDepth;
}

TEST_F(TimeTest, TheFirstTwoIterationsNeverPoll) {
  test::SearchTest::setPosition("r1b2rk1/pp3ppp/2n1pn2/q1bp4/2P2B2/P1N1PN2/1PQ2PPP/R3KB1R w KQ -");
  searchHooks.fixedPollMask = 0;
  searchHooks.onPoll = countPolls;
  pollsSeen = 0;
  sendLine("quit");
  timeControl.maxMoveTime = 1;  // long over before the search starts
  timeControl.maxSearchDepth = 2;
  fakeStep = 1000;
  timeControl.searchStartTime = elapsedMs();
  think();
  EXPECT_EQ(pollsSeen, 0);
  EXPECT_EQ(driver.lastCompletedDepth, 2);
  EXPECT_EQ(shell.searchAbort, ABORT_NONE);
  EXPECT_GE(searchResult.pvLength, 1);
}

TEST_F(TimeTest, AFixedTimeSearchStopsAtItsLimit) {
  test::SearchTest::setPosition("r1b2rk1/pp3ppp/2n1pn2/q1bp4/2P2B2/P1N1PN2/1PQ2PPP/R3KB1R w KQ -");
  searchHooks.fixedPollMask = 255;
  searchHooks.onPoll = countPolls;
  pollsSeen = deepestPolled = 0;
  timeControl.maxMoveTime = timeControl.clockTime[WHITE] = timeControl.clockTime[BLACK] = 100;
  fakeStep = 1;
  timeControl.searchStartTime = elapsedMs();
  think();
  EXPECT_EQ(shell.searchAbort, ABORT_MOVE_NOW);
  EXPECT_GE(deepestPolled, 3);
  EXPECT_GE(searchResult.pvLength, 1);
  // Stopped at the first poll past one second.
  EXPECT_GE(elapsedMs() - timeControl.searchStartTime, 1000);
  EXPECT_EQ(pos.searchPly, 0);
}

// A ponder search that the opponent's predicted move turns into a real one.
uint64_t hitAtNode = 0;
void ponderHitHook() {
  if (shell.pondering && tree.nodeCount >= hitAtNode) shell.searchAbort = ABORT_PONDER_HIT;
}

class PonderHitTest : public TimeTest {
 protected:
  // Ponders on the initial position (a quiet score near 0) until the hit.
  void ponderUntilHit(int previousScore) {
    test::SearchTest::setPosition(test::startFen);
    searchResult.lastSearchScore = previousScore;
    shell.pondering = 1;
    suddenDeath(60000, 50000);
    timeControl.maxMoveTime = 60000;
    searchHooks.fixedPollMask = 255;
    searchHooks.onPoll = ponderHitHook;
    hitAtNode = 3000;
    fakeStep = 20;
    timeControl.searchStartTime = ponderStart = elapsedMs();
    think();
  }
  int64_t ponderStart = 0;
};

TEST_F(PonderHitTest, ContinuesOnTheEnginesClock) {
  ponderUntilHit(0);
  EXPECT_EQ(shell.pondering, 0);
  EXPECT_GT(timeControl.searchStartTime, ponderStart);  // the clock started again at the hit
  EXPECT_EQ(timing.targetMoveTime, 1492);               // time allocated at the hit
  EXPECT_GT(timing.ponderTimeUsed, 0);                  // the pondering time is credited
  EXPECT_EQ(shell.searchAbort, ABORT_MOVE_NOW);         // the search ended on time
  EXPECT_GE(searchResult.pvLength, 1);
}

TEST_F(PonderHitTest, PonderTimeIsNotCreditedWhenTheScoreHasDropped) {
  ponderUntilHit(150);  // the search now sees far less than the last move's 150
  EXPECT_EQ(shell.pondering, 0);
  EXPECT_EQ(timing.ponderTimeUsed, 0);
  EXPECT_GE(searchResult.pvLength, 1);
}

TEST_F(TimeTest, TheAverageMoveOverheadStartsAtTwenty) {
  test::SearchTest::setPosition("k7/8/1K6/8/8/8/8/7R b - -");
  timeControl.lastMoveTime = 50;
  searchToDepth(1);
  EXPECT_EQ(timing.avgMoveTime, 35);
  timeControl.lastMoveTime = 0;  // no figure: the average stays
  searchToDepth(1);
  EXPECT_EQ(timing.avgMoveTime, 35);
}

}  // namespace
