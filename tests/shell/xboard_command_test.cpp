// The xboard handler on the shared variables: the time controls, move words
// and ponder hits, the clocks "time" and "otim" set before "go" or a move,
// and "result" with learning.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>

#include "engine_process.h"
#include "position/move_text.h"
#include "search/search_state.h"
#include "shell/game_loop.h"
#include "test_support.h"
#include "uci_fixture.h"

namespace {

int ponderInput = -1;  // where `ponderLines` go once the engine ponders
std::string ponderLines;
void whenPondering() {
  if (shell.pondering && ponderInput >= 0) {
    EXPECT_EQ(write(std::exchange(ponderInput, -1), ponderLines.data(), ponderLines.size()),
              ssize_t(ponderLines.size()));
  }
}

class XboardCommand : public test::UciTest {
 protected:
  void SetUp() override {
    test::UciTest::SetUp();
    shell.engineFlags = (shell.engineFlags & ~FLAG_UCI) | FLAG_XBOARD;
  }
  // Lines handled one by one, each command carried out as the loop does.
  static std::string play(const std::string &lines) {
    std::istringstream in(lines);
    return test::printedBy([&] {
      for (std::string line; std::getline(in, line);) {
        send(line);
        if (shell.pendingFrom >= 0) playPendingMove();
        carryOutCommand();
        shell.pendingCommand = COMMAND_NONE;
      }
    });
  }
  // The think step, with `lines` sent once the engine ponders; returns what
  // was printed.
  std::string thinkAndPonder(const std::string &lines) {
    ponderInput = inputWriteEnd();
    ponderLines = lines;
    searchHooks.onPoll = whenPondering;
    const std::string out = test::printedBy(thinkStep);
    searchHooks.onPoll = nullptr;
    return out;
  }
};

TEST_F(XboardCommand, TimeControls) {
  const std::tuple<const char *, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t> cases[] = {
      {"level 40 5 0", 40, 30000, 0, 1500, 30000, 60},
      {"level 0 2 12", 0, 12000, 1200, 12000, 12000, 60},
      {"level 40 0:20 0", 40, 2000, 0, 100, 2000, 60},
      {"level 0 0:10 0.5", 0, 1000, 50, 1000, 1000, 60},
      {"level 0 0 5", 0, 500, 500, 500, 500, 60},
      {"level 0 25+5 0", 0, 150000, 0, 150000, 150000, 60},  // only the minutes count
      {"level 0 0 0", 0, 1, 0, 1, 1, 60},                    // no time at all is not "no limit"
      {"level x y z", 0, 1, 0, 1, 1, 60},
      {"level 99999 9999999 -3", 1000, 2000000, 0, 4000, 2000000, 60},
      {"level 40 5", 0, 500, 0, 500, 500, 60},  // refused: the defaults stay
      {"st 10", 0, 0, 0, 900, 1000, 60},        // a margin for the way to xboard
      {"st 0.5", 0, 0, 0, 40, 50, 60},
      {"st 0", 0, 0, 0, 1, 1, 60},
      {"st 1e9", 0, 0, 0, 1999900, 2000000, 60},
      {"st nan", 0, 0, 0, 1, 1, 60},
      {"level 40 5 0\nsd 8", 40, 30000, 0, 1500, 30000, 8},
      {"sd 0", 0, 500, 0, 500, 500, 1},
      {"sd 99", 0, 500, 0, 500, 500, 60},
      {"sd 8\nnew", 0, 500, 0, 500, 500, 60}};
  for (const auto &[lines, movesToGo, baseTime, increment, maxMoveTime, clock, depth] : cases) {
    play("new");
    setSearchDefaults();
    timeControl.clockTime[WHITE] = timeControl.clockTime[BLACK] = 500;
    const std::string out = play(lines);
    const TimeControl &tc = timeControl;
    // Only the short "level" is refused with an error.
    EXPECT_EQ(test::numbers(tc.movesToGo, tc.baseTime, tc.timeIncrement, tc.maxMoveTime, tc.clockTime[WHITE],
                            tc.clockTime[BLACK], tc.maxSearchDepth,
                            out.find("ERROR (wrong number of parameters)") != std::string::npos),
              test::numbers(movesToGo, baseTime, increment, maxMoveTime, clock, clock, depth,
                            std::string(lines) == "level 40 5"))
        << lines;
  }
}

// xboard sends "time" and "otim" before "go" to the engine that plays White
// and before the opponent's move to the engine that plays Black; either way
// the engine's own figure ends up on its own side.
TEST_F(XboardCommand, TheEnginesClockEndsUpOnItsSide) {
  const int32_t *clock = timeControl.clockTime;
  play("new\nlevel 40 5 0\nforce\ntime 700\notim 300\ngo");
  EXPECT_EQ(test::numbers(shell.engineSide, clock[WHITE], clock[BLACK]), test::numbers(WHITE, 700, 300));
  play("new\nlevel 40 5 0\ntime 700\notim 300\ne2e4");
  EXPECT_EQ(test::numbers(shell.engineSide, clock[WHITE], clock[BLACK]), test::numbers(BLACK, 300, 700));
  // A move in between: "time" no longer counts as crossed.
  play("new\nforce\ntime 700\notim 300\ne2e4\ngo");
  EXPECT_EQ(test::numbers(shell.engineSide, clock[BLACK]), test::numbers(BLACK, 700));
  EXPECT_EQ(play("time -5\notim 99999999"), "");
  EXPECT_EQ(test::numbers(clock[WHITE], clock[BLACK]), test::numbers(2000000, -5));
}

TEST_F(XboardCommand, MoveWordsAndPonderHits) {
  const std::tuple<const char *, int, int> words[] = {{"e2e4", test::square("e2"), test::square("e4")},
                                                      {"e7e8x", test::square("e7"), test::square("e8")},
                                                      {"e2", -1, -1},
                                                      {"e2e", -1, -1},
                                                      {"i2i4", -1, -1},
                                                      {"e2e9", -1, -1},
                                                      {"4e2e", -1, -1}};
  for (const auto &[word, from, to] : words) {
    shell.pendingFrom = shell.pendingTo = 99;
    send(word);
    EXPECT_EQ(test::numbers(shell.pendingFrom, shell.pendingTo), test::numbers(from, to)) << word;
  }

  // Pondering on e7e8=Q: a missing letter means a queen, as in the game.
  test::setUp("8/4P3/8/8/8/8/k7/2K5 w - -");
  const Move queen = test::findMove("e7e8q");
  const std::pair<const char *, bool> replies[] = {
      {"e7e8q", true}, {"E7E8Q", true}, {"e7e8", true}, {"e7e8n", false}, {"e7e7q", false}};
  for (const auto &[word, hit] : replies) {
    shell.searching = shell.pondering = 1;
    shell.ponderMove = queen;
    shell.searchAbort = ABORT_NONE;
    gameRecord.gameLength = 4;
    send(word);
    EXPECT_EQ(test::numbers(shell.searchAbort, gameRecord.gameLength, shell.pendingFrom < 0),
              test::numbers(hit ? ABORT_PONDER_HIT : ABORT_STOP, hit ? 5 : 4, hit))
        << word;
  }
  // A move while the engine thinks on its own time is not taken.
  shell.pondering = 0;
  shell.searchAbort = ABORT_NONE;
  shell.pendingFrom = -1;
  send("e7e8q");
  EXPECT_EQ(test::numbers(shell.pendingFrom, shell.searchAbort), test::numbers(-1, ABORT_NONE));
  // "?" moves now, but only on the engine's own time.
  send("?");
  EXPECT_EQ(shell.searchAbort, ABORT_MOVE_NOW);
  shell.searching = 0;
  shell.searchAbort = ABORT_NONE;
  send("?");
  EXPECT_EQ(shell.searchAbort, ABORT_NONE);
}

TEST_F(XboardCommand, ResultAsksForLearningAndKeepsTheGame) {
  const std::tuple<const char *, bool, int32_t, int32_t> cases[] = {{"result 1-0 {White mates}", true, 1, 1},
                                                                    {"result 0-1", true, 1, -1},
                                                                    {"result 1/2-1/2 {Draw}", true, 1, 0},
                                                                    {"result", true, 0, 0},
                                                                    {"result 1-0", false, 0, 0}};
  for (const auto &[line, learn, pending, result] : cases) {
    play("new\ne2e4\ne7e5");
    shell.engineFlags = learn ? shell.engineFlags | FLAG_LEARN : shell.engineFlags & ~FLAG_LEARN;
    shell.learnPending = shell.learnResult = 0;
    play(line);
    EXPECT_EQ(test::numbers(shell.gameOver, shell.learnPending, shell.learnResult), test::numbers(1, pending, result))
        << line;
    const HashKey key = pos.hashKey;
    learnAfterResult();
    EXPECT_EQ(test::numbers(pos.gamePly, shell.gameOver), test::numbers(2, 1)) << line;
    EXPECT_EQ(pos.hashKey, key);
  }
}

// After its move the engine ponders on the predicted reply ("hint" names
// it); a command that stops the ponder search takes the reply back.
TEST_F(XboardCommand, HintWhilePonderingThenForce) {
  play("new\nhard\nlevel 40 1 0\ngo");
  const std::string out = thinkAndPonder("hint\nforce\n");
  EXPECT_EQ(test::numbers(test::linesStartingWith(out, "move ").size(), test::linesStartingWith(out, "Hint: ").size(),
                          shell.pondering, shell.pendingCommand, pos.gamePly, gameRecord.gameLength),
            test::numbers(1, 1, 0, COMMAND_FORCE, 1, 0))
      << out;
  EXPECT_EQ(pos.hashKey, computeHashKey());
}

// Input no interface should send: a refused position leaves no board to
// move on; "result" during pondering ends the game, and the next one goes on
// as usual.  (Garbage of every kind is the xboard fuzz target's.)
TEST_F(XboardCommand, BadInputAndAResultDuringPondering) {
  EXPECT_EQ(test::linesStartingWith(
                play("undo\nremove\ne2\ni2i4\ne2e9\ne7e8x\nnew\nsetboard \x01garbage\ne2e4\nsetboard"), "Illegal move"),
            std::vector<std::string>({"Illegal move: e7e8x", "Illegal move: e2e4"}));
  play("new\nhard\nlevel 40 1 0\ngo");
  thinkAndPonder("result 1-0 {adjudication}\n");
  EXPECT_EQ(test::numbers(shell.gameOver, shell.pondering, pos.gamePly), test::numbers(1, 0, 1));
  play("new\neasy\nlevel 40 0:05 0\ne2e4");
  const std::string out = test::printedBy(thinkStep);
  EXPECT_EQ(test::numbers(test::linesStartingWith(out, "move ").size(), pos.gamePly), test::numbers(1, 2)) << out;
}

// Set-up, take-backs and a search that mates; then analysis, which answers
// "." and "hint" and follows a move without ever playing one.
TEST_F(XboardCommand, SetboardTakeBacksGoThenAnalysis) {
  play("new\nforce\nsetboard 6k1/5ppp/8/8/8/8/5PPP/3Q2K1 w - - 0 1\nsd 3\nd1d2\ng8h8\nd2d3\nundo\nremove\nundo\ngo");
  const std::string mate = test::printedBy(thinkStep);
  EXPECT_EQ(test::linesStartingWith(mate, "move "), std::vector<std::string>{"move Qd8#"}) << mate;
  EXPECT_EQ(test::linesStartingWith(mate, "1-0 {").size(), 1u) << mate;
  play("new\npost\nanalyze");
  queueInput(".\nhint\ne2e4\n.\nexit\n");
  const std::string analysis = test::printedBy([] {
    thinkStep();  // until the move, which the loop plays before it analyses on
    playPendingMove();
    thinkStep();
  });
  EXPECT_EQ(test::numbers(test::linesStartingWith(analysis, "stat01: ").size(),
                          test::linesStartingWith(analysis, "Hint: ").size(),
                          test::linesStartingWith(analysis, "move ").size(), pos.gamePly),
            test::numbers(2, 1, 0, 1))
      << analysis;
}

}  // namespace
