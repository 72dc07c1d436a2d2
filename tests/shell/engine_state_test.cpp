// Initialisation, a new game and the word reader.
#include "shell/engine_state.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "position/position.h"
#include "search/hash_tables.h"
#include "shell/clock.h"
#include "shell/dispatcher.h"
#include "shell/new_game.h"
#include "shell/startup.h"
#include "shell/words.h"

namespace {

int64_t fakeNow = 0;
int64_t fakeClock() { return fakeNow; }

class EngineStateTest : public ::testing::Test {
 protected:
  void SetUp() override { resetEngineState(); }
  void TearDown() override {
    freeEverything();
    setClockSource(nullptr);
    setTableAllocator(nullptr);
    resetEngineState();
    hashTables.hashShift = DEFAULT_HASH_SHIFT;
  }
};

// The defaults come before the first game, so its clocks start from them.
TEST_F(EngineStateTest, InitAppStartsTheFirstGameWithTheDefaultClocks) {
  timeControl.baseTime = timeControl.maxMoveTime = 1;
  timeControl.maxSearchDepth = 3;
  shell.multiPV = 4;
  shell.forceMode = 1;
  ASSERT_EQ(initApp(), 1);
  EXPECT_NE(hashTables.trans, nullptr);
  EXPECT_NE(hashTables.pawn, nullptr);
  EXPECT_EQ(timeControl.baseTime, 500);
  EXPECT_EQ(timeControl.maxMoveTime, 500);
  EXPECT_EQ(timeControl.maxSearchDepth, 60);
  EXPECT_EQ(timeControl.clockTime[WHITE], 500);
  EXPECT_EQ(timeControl.clockTime[BLACK], 500);
  EXPECT_EQ(shell.multiPV, 1);
  EXPECT_EQ(shell.forceMode, 0);
  EXPECT_EQ(tablebaseSettings.tbMaxPieces, -1);
  EXPECT_EQ(pos.gamePly, 0);
  EXPECT_EQ(pos.hashKey, computeHashKey());
}

void *noMemory(size_t, size_t) { return nullptr; }

TEST_F(EngineStateTest, InitAppReportsMissingMemory) {
  setTableAllocator(noMemory);
  testing::internal::CaptureStdout();
  EXPECT_EQ(initApp(), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR (not enough memory): initApp\n");
  EXPECT_EQ(hashTables.trans, nullptr);
  EXPECT_EQ(hashTables.pawn, nullptr);
}

TEST_F(EngineStateTest, NewGameResetsThePerGameState) {
  ASSERT_EQ(initApp(), 1);
  std::strcpy(gameRecord.startFen, "8/8/8/8/8/8/8/8 w - -");
  shell.engineFlags |= FLAG_OPPONENT_COMPUTER | FLAG_PONDER;
  shell.gameOver = 1;
  timeControl.baseTime = 6000;
  gameRecord.gameLength = 40;
  shell.engineSide = BLACK;
  shell.pendingFrom = shell.pendingTo = 12;
  gameRecord.bookMovesLeft = 0;
  hashTables.trans[0].slot[0].depth = 9;
  hashTables.pawn[0].key = 5;
  fakeNow = 1000;
  setClockSource(fakeClock);
  fakeNow = 4000;
  newGame();
  EXPECT_EQ(elapsedMs(), 0);
  EXPECT_STREQ(gameRecord.startFen, "");
  EXPECT_EQ(shell.engineFlags & (FLAG_OPPONENT_COMPUTER | FLAG_PONDER), FLAG_PONDER);
  EXPECT_EQ(shell.gameOver, 0);
  EXPECT_EQ(timeControl.clockTime[WHITE], 6000);
  EXPECT_EQ(timeControl.clockTime[BLACK], 6000);
  EXPECT_EQ(gameRecord.gameLength, -1);
  EXPECT_EQ(shell.engineSide, NO_COLOUR);
  EXPECT_EQ(shell.pendingFrom, -1);
  EXPECT_EQ(shell.pendingTo, -1);
  EXPECT_EQ(gameRecord.bookMovesLeft, 3);
  EXPECT_EQ(hashTables.trans[0].slot[0].depth, 0);
  EXPECT_EQ(hashTables.pawn[0].key, 0xFFFFFFFFu);
  EXPECT_EQ(moveListStart[1] - moveListStart[0], 20);  // the root moves are generated
}

TEST_F(EngineStateTest, RepeatedNamingNeverRunsPastTheName) {
  nameEngine(nullptr);
  for (int i = 0; i < 40; i++) nameEngine("vorn5");
  EXPECT_LT(std::strlen(shell.engineName), size_t(ENGINE_NAME_SIZE));
}

// Re-initialising would free the tables under the running search.
TEST_F(EngineStateTest, ProtocolChoiceAndConsoleCommandsWaitForTheSearch) {
  ASSERT_EQ(initApp(), 1);
  TTBucket *table = hashTables.trans;
  shell.searching = 1;
  testing::internal::CaptureStdout();
  for (const char *command : {"xboard", "uci", "board", "egtb", "si", "chk eval", "UCI"}) {
    std::string line = command;
    dispatchLine(line.data());
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(hashTables.trans, table);
  EXPECT_EQ(shell.engineFlags & (FLAG_XBOARD | FLAG_UCI), FLAG_XBOARD);
}

// Every word a command expects may be missing: it reads as 0 or "", never null.
TEST(WordReader, SplitsLikeStrtokAndNeverHandsOutNull) {
  char line[] = "  go  wtime 60000 btime\t x ";
  WordReader words = wordsOf(line);
  EXPECT_STREQ(nextWord(words), "go");
  EXPECT_STREQ(nextText(words), "wtime");
  EXPECT_EQ(nextNumber(words), 60000);
  EXPECT_STREQ(nextWord(words), "btime\t");
  EXPECT_STREQ(nextWord(words), "x");
  EXPECT_EQ(nextWord(words), nullptr);
  EXPECT_STREQ(nextText(words), "");
  EXPECT_EQ(nextNumber(words), 0);

  char fen[] = "fen 8/8/8/8/8/8/8/K6k w - - 0 1 moves a1a2";
  words = wordsOf(fen);
  EXPECT_STREQ(nextWord(words), "fen");
  EXPECT_STREQ(nextWord(words, "mM"), "8/8/8/8/8/8/8/K6k w - - 0 1 ");
  EXPECT_STREQ(nextWord(words), "oves");
}

TEST(WordReader, NumbersReadLikeAtoiWithoutOverflow) {
  const struct {
    const char *text;
    int64_t value;
  } cases[] = {{"42", 42},
               {"  -17abc", -17},
               {"+8", 8},
               {"5:30", 5},
               {"x5", 0},
               {"", 0},
               {"-", 0},
               {"99999999999999999999999", INT64_MAX},
               {"-99999999999999999999999", INT64_MIN}};
  for (const auto &c : cases) EXPECT_EQ(textToNumber(c.text), c.value) << c.text;
  EXPECT_EQ(clampToInt(textToNumber("3000000000")), INT32_MAX);
  EXPECT_EQ(clampToInt(textToNumber("-3000000000")), INT32_MIN);
}

}  // namespace
