// A third-party UCI client: Debian's polyglot adapter runs the engine as its
// UCI engine and speaks xboard to us.  A short game through it must get legal
// moves back.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "engine_process.h"
#include "position/move_text.h"
#include "test_support.h"

namespace {

const char *const polyglotPath = "/usr/games/polyglot";

// Plays a move on the test's board; "" when it is not legal there.
std::string play(const std::string &text) {
  const Move move = test::findMove(text);
  if (!move) return "";
  makeMove(move);
  pos.searchPly = 0;
  return text;
}

// A legal move for the side to move (a knight move if there is one).
std::string somethingLegal() {
  std::vector<Move> legal = test::legalMoves();
  Move chosen = legal.empty() ? 0 : legal.front();
  for (Move m : legal)
    if (wordType(pos.board[moveFrom(m)]) == KNIGHT) chosen = m;
  return moveToUciCoordinates(chosen);
}

TEST(PolyglotAdapter, AShortGameGetsLegalMoves) {
  struct stat info;
  if (stat(polyglotPath, &info) != 0) GTEST_SKIP() << "polyglot is not installed";
  test::TempDir home;  // polyglot may keep settings in its home and working directory
  test::EngineProcess polyglot({"polyglot", "-noini", "-ec", test::enginePath()}, home.path, -1, polyglotPath);
  polyglot.send("xboard\nprotover 2\n");
  ASSERT_TRUE(polyglot.waitForLines("feature done=1", 1, 30000)) << polyglot.output();
  // Each reply must be legal on the test's board; the interface reports the
  // clocks before each move.  In force mode moves are only recorded, and
  // "go" lets the engine play the side to move.
  test::setUp();
  for (size_t n = 1; n <= 3; n++) {
    std::string input;
    if (n == 1) input = "new\nlevel 40 1 0\ntime 500\notim 500\n" + play("e2e4") + "\n";
    if (n == 2) input = "time 480\notim 480\n" + play(somethingLegal()) + "\n";
    if (n == 3) {
      input = "force\n" + play(somethingLegal()) + "\n";
      input += play(somethingLegal()) + "\ntime 460\notim 460\ngo\n";
    }
    polyglot.send(input);
    ASSERT_TRUE(polyglot.waitForLines("move ", n, 30000)) << polyglot.output();
    const std::string reply = test::linesStartingWith(polyglot.output(), "move ")[n - 1];
    ASSERT_NE(play(reply.substr(5)), "") << reply << "\n" << polyglot.output();
  }
  polyglot.send("quit\n");
  test::EngineRun run = polyglot.finish();
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output.find("Illegal move"), std::string::npos) << run.output;
}

}  // namespace
