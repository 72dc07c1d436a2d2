// A search-ready engine for the search tests: tables allocated and cleared,
// search state reset, no time limit, no thinking output, and an input
// channel on which nothing ever arrives unless the test writes it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "search/hash_tables.h"
#include "search/search.h"
#include "shell/clock.h"
#include "shell/engine_state.h"
#include "shell/input.h"
#include "test_support.h"

namespace test {

inline const char *const middlegame = "r1b2rk1/pp3ppp/2n1pn2/q1bp4/2P2B2/P1N1PN2/1PQ2PPP/R3KB1R w KQ -";

// The clock of the tests that measure time: it reads fakeNow and advances
// by fakeStep milliseconds at every reading.
inline int64_t fakeNow = 0, fakeStep = 0;
inline int64_t fakeClock() { return fakeNow += fakeStep; }

class SearchTest : public ::testing::Test {
 protected:
  int inputPipe[2] = {-1, -1};

  void SetUp() override {
    resetEngineState();
    shell.engineFlags = FLAG_XBOARD;  // thinking output off
    if (!hashTables.trans) {
      ASSERT_TRUE(allocateHashTables());
    }
    initBoardTables();
    newGame();
    resetSearchState();
    noTimeLimit();
    ASSERT_EQ(pipe(inputPipe), 0);
    setupInputFrom(inputPipe[0]);
  }

  void TearDown() override {
    searchHooks = {nullptr, -1};
    setClockSource(nullptr);
    close(inputPipe[0]);
    close(inputPipe[1]);
    resetEngineState();
  }

  // Sends a line to the engine's input channel.
  void sendLine(const std::string &line) {
    std::string text = line + "\n";
    ASSERT_EQ(write(inputPipe[1], text.data(), text.size()), ssize_t(text.size()));
  }

  static void useFakeClock() {
    fakeNow = fakeStep = 0;
    setClockSource(fakeClock);
  }

  static void noTimeLimit() {
    timeControl.baseTime = timeControl.maxMoveTime = timeControl.movesToGo = timeControl.timeIncrement = 0;
    timeControl.maxSearchDepth = NO_DEPTH_LIMIT;
  }

  // A new game from the FEN, as "setboard" or "position" would leave it.
  static void setPosition(const char *fen) {
    newGame();
    ASSERT_EQ(setupFromFen(fen), FEN_OK) << fen;
  }

  // A fixed-depth search from the current position.
  static void searchToDepth(int depth) {
    timeControl.maxSearchDepth = depth;
    timeControl.searchStartTime = elapsedMs();
    think();
  }

  static std::string bestMoveText() {
    return searchResult.pvLength > 0 ? moveToUciCoordinates(searchResult.pvLine[0]) : "";
  }
};

}  // namespace test
