// xboard sessions with the real engine, in the order Debian's xboard 4.9.1
// sends its commands: every "pong" in order, every "move" legal on the
// test's own board, no move where none is due, and the answers to
// "setboard", "analyze", "hint" and "?".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_process.h"
#include "position/move_text.h"
#include "test_support.h"

namespace {

class XboardSession : public ::testing::Test {
 protected:
  void SetUp() override {
    engine.send("xboard\nprotover 2\n");
    ASSERT_TRUE(engine.waitForLines("feature done=1", 1)) << engine.output();
    engine.send("accepted done\naccepted ping\n");
  }
  size_t count(const std::string &start) const { return engine.count(start); }
  // Everything sent so far has been handled when the pong comes back.
  void sync() {
    ++pings;
    engine.send("ping " + std::to_string(pings) + "\n");
    ASSERT_TRUE(engine.waitForLines("pong " + std::to_string(pings), 1)) << engine.output();
  }
  // Waits for the engine's next move and plays it on the test's board.
  void expectMove() {
    ASSERT_TRUE(engine.waitForLines("move ", ++moves, 30000)) << engine.output();
    const std::string text = test::linesStartingWith(engine.output(), "move ").back().substr(5);
    Move played = 0;
    for (Move m : test::legalMoves()) {
      std::string san = moveToSan(m);
      if (text == san || text == san + "+" || text == san + "#") played = m;
    }
    ASSERT_NE(played, 0u) << "not legal here: " << text << "\n" << engine.output();
    makeMove(played);
    pos.searchPly = 0;
  }
  // Plays the test's own move (the first legal one) and sends it.
  void reply() {
    const Move m = test::legalMoves().front();
    engine.send(std::string(moveToUciCoordinates(m)) + "\n");
    makeMove(m);
    pos.searchPly = 0;
  }
  test::EngineProcess engine;
  int pings = 0;
  size_t moves = 0;
};

// Input no interface should send, around a game with pondering: the engine
// still answers every ping and plays legal moves (garbage of every kind is
// the xboard fuzz target's).
TEST_F(XboardSession, BadInputNeverStopsTheEngine) {
  engine.send(
      "undo\nremove\ne2\ni2i4\ne2e9\ne7e8x\nlevel 40 5\nanalyze\n.\nexit\nnew\nsetboard \x01garbage\ne2e4\n"
      "setboard\n");
  sync();
  EXPECT_GE(count("stat01: "), 1u);
  EXPECT_EQ(count("Illegal move: e2e4"), 1u) << engine.output();  // after the refused position
  // "result" while the engine ponders, then a new game goes on as usual.
  test::setUp();
  engine.send("new\nhard\nlevel 40 1 0\ngo\n");
  expectMove();
  engine.send("result 1-0 {adjudication}\n");
  sync();
  test::setUp();
  engine.send("new\nlevel 40 0:05 0\n");
  reply();
  expectMove();
  engine.send("quit\n");
  EXPECT_EQ(engine.finish().exitCode, 0);
}

}  // namespace
