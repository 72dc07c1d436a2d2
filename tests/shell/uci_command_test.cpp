// The UCI handler on its own: what each command leaves in the shared
// variables for the game loop and the search, and what it answers itself.
#include <gtest/gtest.h>

#include <cstring>

#include "position/position.h"
#include "search/hash_tables.h"
#include "shell/game_loop.h"
#include "shell/uci.h"
#include "test_support.h"
#include "uci_fixture.h"

namespace {

using UciCommand = test::UciTest;

TEST_F(UciCommand, GoWithClocksAndMovesToGo) {
  send("go wtime 60000 btime 60000 movestogo 40");
  EXPECT_EQ(shell.pendingCommand, COMMAND_GO);
  EXPECT_EQ(shell.engineSide, NO_COLOUR);
  EXPECT_EQ(timeControl.clockTime[WHITE], 6000);
  EXPECT_EQ(timeControl.clockTime[BLACK], 6000);
  EXPECT_EQ(timeControl.baseTime, 6000);
  EXPECT_EQ(timeControl.maxMoveTime, 300);
  EXPECT_EQ(timeControl.movesToGo, 40);
  EXPECT_EQ(timeControl.timeIncrement, 0);
  EXPECT_EQ(timeControl.maxSearchDepth, 60);
}

TEST_F(UciCommand, GoTakesTheClockAndIncrementOfTheSideToMove) {
  test::setUp("4k3/8/8/8/8/8/8/4K3 b - -");
  send("go wtime 10000 btime 20000 winc 100 binc 2000");
  EXPECT_EQ(timeControl.baseTime, 2000);
  EXPECT_EQ(timeControl.maxMoveTime, 2000);
  EXPECT_EQ(timeControl.timeIncrement, 200);
  EXPECT_EQ(timeControl.movesToGo, 0);
  // Word order and case do not matter inside the clock section.
  send("go BTIME 3000 binc 500 WTIME 1 movestogo 5");
  EXPECT_EQ(timeControl.baseTime, 300);
  EXPECT_EQ(timeControl.maxMoveTime, 120);
  EXPECT_EQ(timeControl.timeIncrement, 50);
  EXPECT_EQ(timeControl.clockTime[WHITE], 0);
  // An increment first is not a clock section: the settings stay.
  send("go binc 100 btime 9000");
  EXPECT_EQ(timeControl.baseTime, 300);
  EXPECT_EQ(timeControl.timeIncrement, 50);
}

TEST_F(UciCommand, LastMoveTimeComesFromTheOwnClock) {
  const struct {
    int32_t before;
    const char *go;
    int32_t expected;
  } cases[] = {
      {6000, "go wtime 59000 btime 60000", 100},              // 1 s spent
      {6000, "go wtime 50000 btime 60000", 200},              // at most 2 s count
      {6000, "go wtime 61000 btime 60000", 0},                // the clock grew: no figure
      {6000, "go wtime 59000 btime 60000 winc 500", 0},       // more than the increment
      {6000, "go wtime 59700 btime 60000 winc 500", 30},      // within the increment
      {1200, "go wtime 10000 btime 10000 movestogo 40", 20},  // 200 > 1000 / 40: at least 20
      {6000, "go wtime 59900 btime 60000 movestogo 2", 10},   // below the share of a move
  };
  for (const auto &c : cases) {
    timeControl.clockTime[WHITE] = c.before;
    send(c.go);
    EXPECT_EQ(timeControl.lastMoveTime, c.expected) << c.go;
  }
}

TEST_F(UciCommand, MoveTimeDepthAndMate) {
  send("go movetime 2000");
  EXPECT_EQ(timeControl.maxMoveTime, 200);
  EXPECT_EQ(timeControl.clockTime[WHITE], 200);
  EXPECT_EQ(timeControl.clockTime[BLACK], 200);
  EXPECT_EQ(timeControl.baseTime, 0);
  EXPECT_EQ(timeControl.timeIncrement, 0);
  EXPECT_EQ(timeControl.movesToGo, 0);
  EXPECT_EQ(timeControl.maxSearchDepth, 60);

  send("go wtime 1000 btime 1000 winc 10 movestogo 3");
  send("go depth 7");
  EXPECT_EQ(timeControl.maxSearchDepth, 7);
  EXPECT_EQ(timeControl.maxMoveTime, 0);
  EXPECT_EQ(timeControl.baseTime, 0);
  EXPECT_EQ(timeControl.timeIncrement, 0);
  EXPECT_EQ(timeControl.movesToGo, 0);
  EXPECT_EQ(timeControl.clockTime[WHITE], 0);
  EXPECT_EQ(timeControl.clockTime[BLACK], 0);
  send("go depth 99");
  EXPECT_EQ(timeControl.maxSearchDepth, 60);
  send("go mate 3");
  EXPECT_EQ(timeControl.maxSearchDepth, 3);
  EXPECT_EQ(shell.pendingCommand, COMMAND_GO);
}

// Limits that would read as "none" are held to the smallest real limit.
TEST_F(UciCommand, TinyAndNonsenseLimitsStillLimit) {
  send("go movetime 5");
  EXPECT_EQ(timeControl.maxMoveTime, 1);
  EXPECT_EQ(timeControl.baseTime, 0);
  send("go movetime -300");
  EXPECT_EQ(timeControl.maxMoveTime, 1);
  send("go wtime 5 btime 5");
  EXPECT_EQ(timeControl.baseTime, 1);
  EXPECT_EQ(timeControl.maxMoveTime, 1);
  send("go wtime 300 btime 300 movestogo 40");  // 30 cs over 40 moves
  EXPECT_EQ(timeControl.baseTime, 30);
  EXPECT_EQ(timeControl.maxMoveTime, 1);
  send("go wtime -2500 btime 100");  // an interface that lets the clock run below zero
  EXPECT_EQ(timeControl.clockTime[WHITE], -250);
  EXPECT_EQ(timeControl.baseTime, 1);
  send("go depth 0");
  EXPECT_EQ(timeControl.maxSearchDepth, 1);
  send("go depth -4");
  EXPECT_EQ(timeControl.maxSearchDepth, 1);
  send("go depth 65541");  // read as 16 bits: 5
  EXPECT_EQ(timeControl.maxSearchDepth, 5);
}

TEST_F(UciCommand, MalformedNumbersReadAsZeroAndHugeOnesAreHeld) {
  send("go wtime abc btime x12 winc -5 movestogo q");
  EXPECT_EQ(timeControl.clockTime[WHITE], 0);
  EXPECT_EQ(timeControl.baseTime, 1);
  EXPECT_EQ(timeControl.timeIncrement, 0);
  EXPECT_EQ(timeControl.movesToGo, 0);
  send("go wtime 99999999999999999999999 btime 1 winc 99999999999 movestogo 2147483647");
  EXPECT_EQ(timeControl.clockTime[WHITE], 2000000);
  EXPECT_EQ(timeControl.timeIncrement, 2000000);
  EXPECT_EQ(timeControl.movesToGo, 1000);
  send("go wtime");  // the number is missing
  EXPECT_EQ(timeControl.clockTime[WHITE], 0);
  send("go depth");
  EXPECT_EQ(timeControl.maxSearchDepth, 1);
}

TEST_F(UciCommand, ClockWordsCountOnlyFirstOrAfterPonder) {
  send("go depth 5 wtime 1000 btime 1000");
  EXPECT_EQ(timeControl.baseTime, 0);
  EXPECT_EQ(timeControl.maxSearchDepth, 5);
  send("go ponder wtime 1000 btime 2000");
  EXPECT_EQ(shell.pondering, 1);
  EXPECT_EQ(timeControl.baseTime, 100);
  EXPECT_EQ(timeControl.clockTime[BLACK], 200);
  shell.pondering = 0;
  send("go btime 700 wtime 800 ponder");
  EXPECT_EQ(shell.pondering, 1);
  EXPECT_EQ(timeControl.baseTime, 80);
}

TEST_F(UciCommand, NodesIsRefusedAndThePreviousLimitsStay) {
  send("go depth 4");
  EXPECT_EQ(output("go nodes 5000"), "'go nodes' command not supported!\n");
  EXPECT_EQ(shell.pendingCommand, COMMAND_GO);
  EXPECT_EQ(timeControl.maxSearchDepth, 4);
  // A bare "go" keeps the previous limits too.
  send("go");
  EXPECT_EQ(shell.pendingCommand, COMMAND_GO);
  EXPECT_EQ(timeControl.maxSearchDepth, 4);
}

TEST_F(UciCommand, InfiniteAnalysisAndStopRestoreTheLimits) {
  send("go movetime 1500");
  send("go infinite");
  EXPECT_EQ(shell.pendingCommand, COMMAND_ANALYZE);
  carryOutCommand();
  EXPECT_EQ(shell.analyzeMode, 1);
  EXPECT_EQ(timeControl.maxMoveTime, 0);
  EXPECT_EQ(timeControl.maxSearchDepth, 60);
  send("stop");
  EXPECT_EQ(shell.analyzeMode, 0);
  EXPECT_EQ(timeControl.maxMoveTime, 150);
  EXPECT_EQ(shell.searchAbort, ABORT_STOP);
  EXPECT_EQ(shell.engineSide, NO_COLOUR);

  // A new position ends the analysis too: its search has been answered.
  send("go depth 9");
  send("go infinite");
  carryOutCommand();
  send("position startpos");
  EXPECT_EQ(shell.analyzeMode, 0);
  EXPECT_EQ(timeControl.maxSearchDepth, 9);
}

TEST_F(UciCommand, GoDuringASearchIsIgnored) {
  send("go depth 3");
  shell.searching = 1;
  send("go depth 8");
  EXPECT_EQ(shell.pendingCommand, COMMAND_NONE);
  EXPECT_EQ(timeControl.maxSearchDepth, 3);
  shell.searching = 0;
}

TEST_F(UciCommand, StopPonderhitQuitAndNewGame) {
  send("ponderhit");
  EXPECT_EQ(shell.searchAbort, ABORT_NONE);  // no ponder search runs
  shell.pondering = 1;
  send("ponderhit");
  EXPECT_EQ(shell.searchAbort, ABORT_PONDER_HIT);
  send("ucinewgame");
  EXPECT_EQ(shell.pendingCommand, COMMAND_NEW_GAME);
  EXPECT_EQ(shell.searchAbort, ABORT_STOP);
  shell.searchAbort = ABORT_NONE;
  send("QUIT");
  EXPECT_EQ(shell.pendingCommand, COMMAND_QUIT);
  EXPECT_EQ(shell.searchAbort, ABORT_STOP);
}

TEST_F(UciCommand, IsreadyDebugAndUnknownCommands) {
  EXPECT_EQ(output("isready"), "readyok\n");
  shell.searching = 1;
  EXPECT_EQ(output("isready"), "readyok\n");
  shell.searching = 0;
  send("debug on");
  EXPECT_TRUE(shell.engineFlags & FLAG_DEBUG);
  send("debug off");
  EXPECT_FALSE(shell.engineFlags & FLAG_DEBUG);
  send("debug ON");
  send("debug");
  EXPECT_FALSE(shell.engineFlags & FLAG_DEBUG);
  EXPECT_EQ(output("register later"), "");
  EXPECT_EQ(output("\xff\xfe go"), "");
  EXPECT_EQ(shell.pendingCommand, COMMAND_NONE);
}

TEST_F(UciCommand, PositionFillsTheMoveListAndCommandArg) {
  send("position startpos");
  EXPECT_EQ(shell.pendingCommand, COMMAND_SET_POSITION);
  EXPECT_EQ(shell.searchAbort, ABORT_STOP);
  EXPECT_STREQ(shell.commandArg, "");

  std::strcpy(shell.commandArg, "left over from before");
  send("position startpos moves e2e4 e7e5 O-O-O 0-0 e7e8q");
  EXPECT_STREQ(shell.commandArg, "M");
  const char *expected[] = {"e2e4", "e7e5", "O-O-O", "0-0", "e7e8q", ""};
  for (int i = 0; i < 6; i++) EXPECT_STREQ(gameRecord.moveTextList[i], expected[i]) << i;

  send("position fen 4k3/8/8/8/8/8/8/4K2R w K - 0 1 moves e1g1 e8d8 castle h1h8");
  EXPECT_STREQ(shell.commandArg, "M 4k3/8/8/8/8/8/8/4K2R w K - 0 1");
  EXPECT_STREQ(gameRecord.moveTextList[1], "e8d8");
  EXPECT_STREQ(gameRecord.moveTextList[2], "");  // "castle" ends the list

  send("position fen 4k3/8/8/8/8/8/8/4K2R b K -   ");
  EXPECT_STREQ(shell.commandArg, "4k3/8/8/8/8/8/8/4K2R b K -");
  send("position FEN 4k3/8/8/8/8/8/8/4K2R b K - MOVES e8d8");
  EXPECT_STREQ(shell.commandArg, "M 4k3/8/8/8/8/8/8/4K2R b K -");
  send("position");
  EXPECT_STREQ(shell.commandArg, "");
  send("position fen");
  EXPECT_STREQ(shell.commandArg, "");
  send("position startpos moves");
  EXPECT_STREQ(shell.commandArg, "");
}

TEST_F(UciCommand, PositionKeepsAtMost799MovesOfSevenCharacters) {
  std::string line = "position startpos moves";
  for (int i = 0; i < 900; i++) line += i % 2 ? " g8f6" : " g1f3";
  send(line);
  EXPECT_STREQ(gameRecord.moveTextList[797], "g8f6");
  EXPECT_STREQ(gameRecord.moveTextList[798], "g1f3");
  EXPECT_STREQ(gameRecord.moveTextList[799], "");
  send("position startpos moves O-O-O-O-O-O e2e4");
  EXPECT_STREQ(gameRecord.moveTextList[0], "O-O-O-O");
  EXPECT_STREQ(gameRecord.moveTextList[1], "e2e4");
  std::string longFen = "position fen " + std::string(300, '8') + " moves e2e4";
  send(longFen);
  EXPECT_EQ(std::strlen(shell.commandArg), size_t(COMMAND_ARG_SIZE - 1));
}

TEST_F(UciCommand, SetOptionMultiPVPonderLearningResigning) {
  send("setoption name MultiPV value 3");
  EXPECT_EQ(shell.multiPV, 3);
  send("setoption name MultiPV value 9");
  EXPECT_EQ(shell.multiPV, 1);
  send("setoption name multipv value 0");
  EXPECT_EQ(shell.multiPV, 1);
  send("setoption name MultiPV value 5");
  send("setoption name MultiPV");
  EXPECT_EQ(shell.multiPV, 1);

  const struct {
    const char *name;
    int flag;
  } checks[] = {{"Ponder", FLAG_PONDER}, {"EnableBookLearning", FLAG_LEARN}, {"CanResign", FLAG_RESIGN}};
  for (const auto &c : checks) {
    send(std::string("setoption name ") + c.name + " value true");
    EXPECT_TRUE(shell.engineFlags & c.flag) << c.name;
    send(std::string("setoption name ") + c.name + " value false");
    EXPECT_FALSE(shell.engineFlags & c.flag) << c.name;
    send(std::string("setoption name ") + c.name + " value True");
    send(std::string("setoption name ") + c.name + " value");
    EXPECT_FALSE(shell.engineFlags & c.flag) << c.name;
  }
  gameRecord.bookMovesLeft = 0;
  send("setoption name OwnBook value true");
  EXPECT_EQ(gameRecord.bookMovesLeft, 3);
  EXPECT_EQ(output("setoption name NoSuchOption value 7"), "");
  EXPECT_EQ(output("setoption"), "");
}

TEST_F(UciCommand, OpponentOptionSurvivesANewGame) {
  send("setoption name UCI_Opponent value GM 2800 computer Deep Thought");
  EXPECT_TRUE(shell.engineFlags & FLAG_OPPONENT_COMPUTER);
  send("ucinewgame");
  carryOutCommand();
  EXPECT_TRUE(shell.engineFlags & FLAG_OPPONENT_COMPUTER);
  send("setoption name UCI_Opponent value none none human Jane Doe");
  EXPECT_FALSE(shell.engineFlags & FLAG_OPPONENT_COMPUTER);
  send("setoption name UCI_Opponent value IM 2400 Computer");
  EXPECT_TRUE(shell.engineFlags & FLAG_OPPONENT_COMPUTER);
  send("setoption name UCI_Opponent value IM");
  EXPECT_FALSE(shell.engineFlags & FLAG_OPPONENT_COMPUTER);
}

TEST_F(UciCommand, TablebaseOptions) {
  send("setoption name NalimovPath value /data/tb 3-4-5/wdl");
  EXPECT_STREQ(tablebaseSettings.tbPath, "/data/tb 3-4-5/wdl");
  send("setoption name NalimovPath value");
  EXPECT_STREQ(tablebaseSettings.tbPath, "/data/tb 3-4-5/wdl");
  send("setoption name NalimovPath value " + std::string(1000, 'd'));
  EXPECT_EQ(std::strlen(tablebaseSettings.tbPath), size_t(TB_PATH_SIZE - 1));
  send("setoption name NalimovCache value 16");
  EXPECT_EQ(tablebaseSettings.tbCacheMB, 16);
  send("setoption name NalimovCache value 65");
  EXPECT_EQ(tablebaseSettings.tbCacheMB, 2);
  send("setoption name NalimovCache value 0");
  EXPECT_EQ(tablebaseSettings.tbCacheMB, 2);
  // "uci" forgets the directory of the configuration file.
  output("uci");
  EXPECT_STREQ(tablebaseSettings.tbPath, "");
}

TEST_F(UciCommand, HashSizeIsClampedToTheAnnouncedRange) {
  send("setoption name Hash value 16");
  EXPECT_EQ(ttBucketCount(), uint64_t(1) << 18);  // 16 MB / 48 = 349,525 entries
  send("setoption name Hash value 100000");
  EXPECT_EQ(ttBucketCount(), uint64_t(1) << 22);  // 256 MB
  send("setoption name Hash value -3");
  EXPECT_EQ(ttBucketCount(), uint64_t(1) << 14);  // 1 MB
  send("setoption name Hash value 99999999999999999999999999");
  EXPECT_EQ(ttBucketCount(), uint64_t(1) << 22);
  send("setoption name Hash value 4");
  EXPECT_EQ(ttBucketCount(), uint64_t(1) << 16);
}

TEST_F(UciCommand, HashSizeSentDuringASearchWaitsForItsEnd) {
  TTBucket *table = hashTables.trans;
  shell.searching = 1;
  send("setoption name Hash value 16");
  EXPECT_EQ(hashTables.trans, table);
  EXPECT_EQ(ttBucketCount(), uint64_t(1) << 16);
  applyDeferredHashSize();  // still searching
  EXPECT_EQ(ttBucketCount(), uint64_t(1) << 16);
  shell.searching = 0;
  applyDeferredHashSize();
  EXPECT_EQ(ttBucketCount(), uint64_t(1) << 18);
  EXPECT_EQ(shell.deferredHashMB, 0);
}

}  // namespace
