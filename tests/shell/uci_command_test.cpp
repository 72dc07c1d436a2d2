// The UCI handler on its own: what each command leaves in the shared
// variables for the game loop and the search, and what it answers itself.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

#include "position/position.h"
#include "search/hash_tables.h"
#include "shell/game_loop.h"
#include "shell/uci.h"
#include "test_support.h"
#include "uci_fixture.h"

namespace {

constexpr int32_t ANY = INT32_MIN;  // not checked

// One "go" and the limits it leaves, in centiseconds.
struct GoCase {
  const char *go;
  int32_t baseTime, maxMoveTime, increment, movesToGo, depth, whiteClock, blackClock;
};

class UciCommand : public test::UciTest {
 protected:
  void expectLimits(const GoCase &c) {
    shell.pondering = 0;
    send(c.go);
    const TimeControl &tc = timeControl;
    std::vector<int64_t> actual =
        test::numbers(shell.pendingCommand, shell.pondering, tc.baseTime, tc.maxMoveTime, tc.timeIncrement,
                      tc.movesToGo, tc.maxSearchDepth, tc.clockTime[WHITE], tc.clockTime[BLACK]);
    const std::vector<int64_t> expected =
        test::numbers(COMMAND_GO, std::strstr(c.go, "ponder") != nullptr, c.baseTime, c.maxMoveTime, c.increment,
                      c.movesToGo, c.depth, c.whiteClock, c.blackClock);
    for (size_t i = 0; i < actual.size(); i++)
      if (expected[i] == ANY) actual[i] = ANY;  // not checked
    EXPECT_EQ(actual, expected) << c.go;
  }
};

// Each line on the limits its predecessors left.
TEST_F(UciCommand, GoLimits) {
  const GoCase white[] = {{"go wtime 60000 btime 60000 movestogo 40", 6000, 300, 0, 40, 60, 6000, 6000},
                          {"go movetime 2000", 0, 200, 0, 0, 60, 200, 200},
                          {"go wtime 1000 btime 1000 winc 10 movestogo 3", ANY, ANY, ANY, ANY, ANY, ANY, ANY},
                          {"go depth 7", 0, 0, 0, 0, 7, 0, 0},
                          {"go depth 99", ANY, ANY, ANY, ANY, 60, ANY, ANY},
                          {"go mate 3", ANY, ANY, ANY, ANY, 3, ANY, ANY},
                          // Limits that would read as "none" are held to the smallest real limit.
                          {"go movetime 5", 0, 1, ANY, ANY, ANY, ANY, ANY},
                          {"go movetime -300", ANY, 1, ANY, ANY, ANY, ANY, ANY},
                          {"go wtime 5 btime 5", 1, 1, ANY, ANY, ANY, ANY, ANY},
                          {"go wtime 300 btime 300 movestogo 40", 30, 1, ANY, ANY, ANY, ANY, ANY},
                          {"go wtime -2500 btime 100", 1, ANY, ANY, ANY, ANY, -250, ANY},  // a clock run below zero
                          {"go depth 0", ANY, ANY, ANY, ANY, 1, ANY, ANY},
                          {"go depth 65541", ANY, ANY, ANY, ANY, 5, ANY, ANY},  // read as 16 bits
                          // Malformed numbers read as 0, huge ones are held, missing ones are 0.
                          {"go wtime abc btime x12 winc -5 movestogo q", 1, ANY, 0, 0, ANY, 0, ANY},
                          {"go wtime 99999999999999999999999 btime 1 winc 99999999999 movestogo 2147483647", ANY, ANY,
                           2000000, 1000, ANY, 2000000, ANY},
                          {"go wtime", ANY, ANY, ANY, ANY, ANY, 0, ANY},
                          {"go depth", ANY, ANY, ANY, ANY, 1, ANY, ANY},
                          // Clock words count only first or after "ponder".
                          {"go depth 5 wtime 1000 btime 1000", 0, ANY, ANY, ANY, 5, ANY, ANY},
                          {"go ponder wtime 1000 btime 2000", 100, ANY, ANY, ANY, ANY, ANY, 200},
                          {"go btime 700 wtime 800 ponder", 80, ANY, ANY, ANY, ANY, ANY, ANY},
                          // "go nodes" is refused and a bare "go" keeps the previous limits.
                          {"go depth 4", ANY, ANY, ANY, ANY, 4, ANY, ANY},
                          {"go nodes 5000", ANY, ANY, ANY, ANY, 4, ANY, ANY},
                          {"go", ANY, ANY, ANY, ANY, 4, ANY, ANY}};
  for (const GoCase &c : white) expectLimits(c);
  EXPECT_EQ(test::printedBy([] { send("go nodes 1"); }), "'go nodes' command not supported!\n");
  // The clock and increment of the side to move; word order and case do not
  // matter; an increment first is not a clock section.
  test::setUp("4k3/8/8/8/8/8/8/4K3 b - -");
  const GoCase black[] = {{"go wtime 10000 btime 20000 winc 100 binc 2000", 2000, 2000, 200, 0, ANY, ANY, ANY},
                          {"go BTIME 3000 binc 500 WTIME 1 movestogo 5", 300, 120, 50, ANY, ANY, 0, ANY},
                          {"go binc 100 btime 9000", 300, ANY, 50, ANY, ANY, ANY, ANY}};
  for (const GoCase &c : black) expectLimits(c);
}

TEST_F(UciCommand, LastMoveTimeComesFromTheOwnClock) {
  const std::tuple<int32_t, const char *, int32_t> cases[] = {
      {6000, "go wtime 59000 btime 60000", 100},              // 1 s spent
      {6000, "go wtime 50000 btime 60000", 200},              // at most 2 s count
      {6000, "go wtime 61000 btime 60000", 0},                // the clock grew: no figure
      {6000, "go wtime 59000 btime 60000 winc 500", 0},       // more than the increment
      {6000, "go wtime 59700 btime 60000 winc 500", 30},      // within the increment
      {1200, "go wtime 10000 btime 10000 movestogo 40", 20},  // 200 > 1000 / 40: at least 20
      {6000, "go wtime 59900 btime 60000 movestogo 2", 10}    // below the share of a move
  };
  for (const auto &[before, go, expected] : cases) {
    timeControl.clockTime[WHITE] = before;
    send(go);
    EXPECT_EQ(timeControl.lastMoveTime, expected) << go;
  }
}

TEST_F(UciCommand, InfiniteAnalysisAndStopRestoreTheLimits) {
  send("go movetime 1500");
  send("go infinite");
  EXPECT_EQ(shell.pendingCommand, COMMAND_ANALYZE);
  carryOutCommand();
  EXPECT_EQ(test::numbers(shell.analyzeMode, timeControl.maxMoveTime, timeControl.maxSearchDepth),
            test::numbers(1, 0, 60));
  send("stop");
  EXPECT_EQ(test::numbers(shell.analyzeMode, timeControl.maxMoveTime, shell.searchAbort, shell.engineSide),
            test::numbers(0, 150, ABORT_STOP, NO_COLOUR));
  // A new position ends the analysis too: its search has been answered.
  send("go depth 9");
  send("go infinite");
  carryOutCommand();
  send("position startpos");
  EXPECT_EQ(test::numbers(shell.analyzeMode, timeControl.maxSearchDepth), test::numbers(0, 9));
}

TEST_F(UciCommand, PositionFillsTheMoveListAndCommandArg) {
  std::strcpy(shell.commandArg, "left over from before");
  send("position startpos moves e2e4 e7e5 O-O-O 0-0 e7e8q");
  EXPECT_EQ(test::numbers(shell.pendingCommand, shell.searchAbort), test::numbers(COMMAND_SET_POSITION, ABORT_STOP));
  EXPECT_STREQ(shell.commandArg, "M");
  const char *expected[] = {"e2e4", "e7e5", "O-O-O", "0-0", "e7e8q", ""};
  for (int i = 0; i < 6; i++) EXPECT_STREQ(gameRecord.moveTextList[i], expected[i]) << i;
  send("position fen 4k3/8/8/8/8/8/8/4K2R w K - 0 1 moves e1g1 e8d8 castle h1h8");
  EXPECT_STREQ(gameRecord.moveTextList[1], "e8d8");
  EXPECT_STREQ(gameRecord.moveTextList[2], "");  // "castle" ends the list
  const std::pair<const char *, const char *> cases[] = {
      {"position fen 4k3/8/8/8/8/8/8/4K2R w K - 0 1 moves e1g1", "M 4k3/8/8/8/8/8/8/4K2R w K - 0 1"},
      {"position fen 4k3/8/8/8/8/8/8/4K2R b K -   ", "4k3/8/8/8/8/8/8/4K2R b K -"},
      {"position FEN 4k3/8/8/8/8/8/8/4K2R b K - MOVES e8d8", "M 4k3/8/8/8/8/8/8/4K2R b K -"},
      {"position startpos", ""},
      {"position", ""},
      {"position fen", ""},
      {"position startpos moves", ""}};
  for (const auto &[line, arg] : cases) {
    send(line);
    EXPECT_STREQ(shell.commandArg, arg) << line;
  }
}

// Each line on the options its predecessors left; -1: not checked.  The
// opponent flag comes from the option, not the game: it survives a new game.
TEST_F(UciCommand, Options) {
  const std::tuple<const char *, int32_t, int32_t, int32_t> cases[] = {
      {"setoption name MultiPV value 5", 5, -1, -1},  // the top of the range
      {"setoption name MultiPV value 9", 1, -1, -1},  // 1 outside the announced range
      {"setoption name MultiPV value 0", 1, -1, -1},
      {"setoption name MultiPV value ", 1, -1, -1},
      {"setoption name UCI_Opponent value GM 2800 computer Deep Thought", -1, 1, -1},
      {"ucinewgame", -1, 1, -1},
      {"setoption name UCI_Opponent value none none human Jane Doe", -1, 0, -1},
      {"setoption name UCI_Opponent value IM 2400 Computer", -1, 1, -1},
      {"setoption name UCI_Opponent value IM", -1, 0, -1},
      {"setoption name Hash value 16", -1, -1, 18},
      {"setoption name Hash value 100000", -1, -1, 22},
      {"setoption name Hash value -3", -1, -1, 14},
      {"setoption name Hash value 99999999999999999999999999", -1, -1, 22},
      {"setoption name Hash value 4", -1, -1, 16}};
  for (const auto &[line, multiPV, computer, bucketBits] : cases) {
    send(line);
    if (shell.pendingCommand == COMMAND_NEW_GAME) carryOutCommand();
    shell.pendingCommand = COMMAND_NONE;
    EXPECT_EQ(multiPV < 0 ? -1 : shell.multiPV, multiPV) << line;
    EXPECT_EQ(computer < 0 ? -1 : (shell.engineFlags & FLAG_OPPONENT_COMPUTER) != 0, computer) << line;
    EXPECT_EQ(bucketBits < 0 ? 0 : ttBucketCount(), bucketBits < 0 ? 0 : uint64_t(1) << bucketBits) << line;
  }
  send("setoption name NalimovPath value " + std::string(5000, 'd'));
  EXPECT_EQ(std::strlen(tablebaseSettings.tbPath), size_t(5000));
}

}  // namespace
