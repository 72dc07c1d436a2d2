// The exact text of the thinking lines under xboard and UCI.
#include "search/search_output.h"

#include <sstream>

#include "search/hash_tables.h"
#include "search_fixture.h"

namespace {

using test::SearchTest;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

using test::fakeNow;

constexpr int XBOARD = FLAG_XBOARD | FLAG_POST, UCI = FLAG_UCI | FLAG_POST;

class OutputTest : public SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    useFakeClock();
    timeControl.searchStartTime = 0;
    shell.engineFlags = XBOARD;
  }
  // The line of moves given as coordinate text ("e2e4 e7e5"), from the
  // current position.
  static void setLine(const std::string &moves) {
    std::istringstream in(moves);
    int n = 0;
    for (std::string text; in >> text;) {
      const Move m = test::findMove(text);
      ASSERT_NE(m, 0u) << text;
      tree.pvTable[0][n++] = m;
      ASSERT_TRUE(makeMove(m));
    }
    tree.pvLength[0] = n;
    while (n-- > 0) unmakeMove();
  }
  static std::string printed(int depth, int score) {
    return test::printedBy([=] { printPV(depth, score); });
  }
};

TEST_F(OutputTest, LinesUnderXboardAndUci) {
  const char *const start = test::startFen, *const mateIn1 = "6k1/5ppp/8/8/8/8/5PPP/R5K1 w - -",
                    *const promotion = "8/4P1k1/8/8/8/8/8/4K3 w - -";
  const struct {
    int flags;
    const char *fen, *line;
    int64_t ms;
    uint64_t nodes;
    int selDepth, multiPV, depth, score;
    const char *expected;
  } cases[] = {
      // xboard: aligned figures, centiseconds, algebraic moves, checks marked.
      {XBOARD, start, "e2e4 e7e5 g1f3", 1234, 56789, 0, 1, 7, -35, " 7   -35    123 56789   e4 e5 Nf3\n"},
      {XBOARD, start, "e2e4 e7e5 g1f3", 1234, 56789, 0, 1, 12, 9997, "12  9997    123 56789   e4 e5 Nf3\n"},
      {XBOARD, mateIn1, "a1a8", 0, 0, 0, 1, 1, 9999, " 1  9999      0 0   Ra8+\n"},
      {XBOARD, promotion, "e7e8n", 0, 0, 1, 1, 1, 300, " 1   300      0 0   e8=N+\n"},
      // UCI: score, depth, time, nodes and speed (mates in moves: the mate
      // tests); the highest score that is no mate.
      {UCI, start, "e2e4 e7e5", 1234, 56789, 9, 1, 7, -35,
       "info score cp -35 depth 7 seldepth 9 time 1234 nodes 56789 nps 46020 pv e2e4 e7e5\n"},
      {UCI, start, "e2e4", 1000, 10, 3, 1, 3, 9000,
       "info score cp 9000 depth 3 seldepth 3 time 1000 nodes 10 nps 10 pv e2e4\n"},
      // No time passed: speed 0; node counts beyond 32 bits.
      {UCI, start, "d2d4", 0, 5000000000ull, 1, 1, 1, 12,
       "info score cp 12 depth 1 seldepth 1 time 0 nodes 5000000000 nps 0 pv d2d4\n"},
      // "multipv 1" only with several lines.
      {UCI, start, "d2d4", 0, 0, 1, 2, 1, 12,
       "info score cp 12 depth 1 seldepth 1 time 0 nodes 0 nps 0 multipv 1 pv d2d4\n"},
      // Promotions in lower case.
      {UCI, promotion, "e7e8n", 0, 0, 1, 1, 1, 300,
       "info score cp 300 depth 1 seldepth 1 time 0 nodes 0 nps 0 pv e7e8n\n"},
  };
  for (const auto &c : cases) {
    fakeNow = 0;  // the clock restarts with the new game
    setPosition(c.fen);
    setLine(c.line);
    shell.engineFlags = c.flags;
    shell.multiPV = c.multiPV;
    fakeNow = c.ms;
    tree.nodeCount = c.nodes;
    tree.selDepth = c.selDepth;
    EXPECT_EQ(printed(c.depth, c.score), c.expected);
  }
}

TEST_F(OutputTest, XboardLinesOfTheTableAndOfTheLastSearch) {
  setLine("e2e4 e7e5");
  // A move that cannot be played ends the line.
  tree.pvTable[0][2] = makeMoveWord(test::square("e4"), test::square("e5"), MOVE_PAWN);  // blocked
  tree.pvTable[0][3] = test::findMove("d2d4");
  tree.pvLength[0] = 4;
  EXPECT_EQ(printed(2, 0), " 2     0      0 0   e4 e5\n");
  EXPECT_EQ(test::numbers(tree.pvLength[0], searchResult.pvLength), test::numbers(2, 2));
  // In tablebase draw mode the score shows as 0.
  driver.tbProbeLimit = -2;
  EXPECT_EQ(printed(2, 150), " 2     0      0 0   e4 e5\n");
  driver.tbProbeLimit = -1;

  // Depth 0 prints the last line again; nothing is printed without
  // thinking output, but the line is kept.
  setLine("e2e4");
  printed(4, 20);
  tree.pvLength[0] = 0;
  EXPECT_EQ(printed(0, 0), " 4    20      0 0   e4\n");
  setLine("e2e4");
  shell.engineFlags = FLAG_XBOARD;
  EXPECT_EQ(printed(4, 20), "");
  EXPECT_STREQ(lastPVLine(), " 4    20      0 0   e4");
  shell.engineFlags = XBOARD;

  // A short line is lengthened from the transposition table: the replies
  // e7e5 and g1f3 along the line are stored there.
  setLine("e2e4");
  const Move e5 = makeMoveWord(test::square("e7"), test::square("e5"), 0);
  const Move nf3 = makeMoveWord(test::square("g1"), test::square("f3"), 0);
  ASSERT_TRUE(makeMove(test::findMove("e2e4")));
  storeTransTable(pos.hashKey, 3, 0, -10, 10, e5, 0);
  ASSERT_TRUE(makeMove(test::findMove("e7e5")));
  storeTransTable(pos.hashKey, 2, 0, -10, 10, nf3, 0);
  unmakeMove();
  unmakeMove();
  // Depth 2 allows one more move; depth 8 takes both.
  EXPECT_EQ(printed(2, 5), " 2     5      0 0   e4 e5\n");
  EXPECT_EQ(printed(8, 5), " 8     5      0 0   e4 e5 Nf3\n");
  EXPECT_EQ(test::numbers(searchResult.pvLength, moveTo(searchResult.pvLine[1])), test::numbers(3, test::square("e5")));
}

TEST_F(OutputTest, FailMarksAndProgressLines) {
  // Fail marks only under xboard, from the third iteration on.
  driver.iterationDepth = 3;
  driver.failState = 1;
  CaptureStdout();
  printFailMark();
  driver.failState = -1;
  printFailMark();
  driver.iterationDepth = 2;
  printFailMark();
  shell.engineFlags = UCI;
  driver.iterationDepth = 5;
  printFailMark();
  EXPECT_EQ(GetCapturedStdout(), "++\n--\n");

  // UCI progress lines, whether or not thinking output is on; none under xboard.
  shell.engineFlags = FLAG_UCI;
  driver.iterationDepth = 6;
  tree.nodeCount = 3000;
  CaptureStdout();
  printDepthLine();
  printCurrentMove(test::findMove("g1f3"), 4, 1500);
  EXPECT_EQ(GetCapturedStdout(), "info depth 6 seldepth 6\ninfo currmove g1f3 currmovenumber 4 nodes 3000 nps 2000\n");
  shell.engineFlags = XBOARD;
  EXPECT_EQ(test::printedBy(printDepthLine), "");
}

TEST_F(OutputTest, MultiPVLinesFollowTheBestLine) {
  shell.engineFlags = UCI;
  shell.multiPV = 3;
  setLine("e2e4 e7e5");
  tree.selDepth = 4;
  driver.multipvScore[0] = 30;
  driver.multipvScore[1] = 9997;
  driver.multipvScore[2] = -10000;  // not filled: the listing ends
  driver.multipvLines[1][0] = test::findMove("d2d4");
  driver.multipvLines[1][1] = 0;
  EXPECT_EQ(test::printedBy([] { printMultiPV(4); }),
            "info score cp 30 depth 4 seldepth 4 time 0 nodes 0 nps 0 multipv 1 pv e2e4 e7e5\n"
            "info score mate 2 multipv 2 pv d2d4\n");
}

}  // namespace
