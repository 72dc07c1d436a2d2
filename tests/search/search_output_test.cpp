// The exact text of the thinking lines under xboard and UCI.
#include "search/search_output.h"

#include "search/hash_tables.h"
#include "search_fixture.h"

namespace {

using test::SearchTest;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

int64_t fakeNow = 0;
int64_t fakeClock() { return fakeNow; }

class OutputTest : public SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    fakeNow = 0;
    setClockSource(fakeClock);
    timeControl.searchStartTime = 0;
    shell.engineFlags = FLAG_XBOARD | FLAG_POST;
  }
  // The line of moves given as coordinate text, from the current position.
  static void setLine(std::initializer_list<const char *> moves) {
    int n = 0;
    std::vector<Move> made;
    for (const char *text : moves) {
      const Move m = test::findMove(text);
      ASSERT_NE(m, 0u) << text;
      tree.pvTable[0][n++] = m;
      ASSERT_TRUE(makeMove(m));
      made.push_back(m);
    }
    for (size_t i = 0; i < made.size(); i++) unmakeMove();
    tree.pvLength[0] = n;
  }
  static std::string printed(int depth, int score) {
    CaptureStdout();
    printPV(depth, score);
    return GetCapturedStdout();
  }
};

TEST_F(OutputTest, XboardLineHasAlignedFiguresAndAlgebraicMoves) {
  setLine({"e2e4", "e7e5", "g1f3"});
  fakeNow = 1234;
  tree.nodeCount = 56789;
  EXPECT_EQ(printed(7, -35), " 7   -35    123 56789   e4 e5 Nf3\n");
  EXPECT_EQ(printed(12, 9997), "12  9997    123 56789   e4 e5 Nf3\n");
}

TEST_F(OutputTest, XboardMarksChecks) {
  setPosition("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - -");
  setLine({"a1a8"});
  EXPECT_EQ(printed(1, 9999), " 1  9999      0 0   Ra8+\n");
}

TEST_F(OutputTest, UciLineGivesScoreDepthTimeNodesAndSpeed) {
  shell.engineFlags = FLAG_UCI | FLAG_POST;
  setLine({"e2e4", "e7e5"});
  fakeNow = 1234;
  tree.nodeCount = 56789;
  tree.selDepth = 9;
  EXPECT_EQ(printed(7, -35), "info score cp -35 depth 7 seldepth 9 time 1234 nodes 56789 nps 46020 pv e2e4 e7e5\n");
}

TEST_F(OutputTest, UciMateScoresAreGivenInMoves) {
  shell.engineFlags = FLAG_UCI | FLAG_POST;
  setLine({"e2e4"});
  fakeNow = 1000;
  tree.nodeCount = 10;
  tree.selDepth = 3;
  // Mating at ply 3 is a mate in 2; mated at ply 2 is mated in 1.
  EXPECT_EQ(printed(3, 10000 - 3), "info score mate 2 depth 3 seldepth 3 time 1000 nodes 10 nps 10 pv e2e4\n");
  EXPECT_EQ(printed(3, 2 - 10000), "info score mate -1 depth 3 seldepth 3 time 1000 nodes 10 nps 10 pv e2e4\n");
  EXPECT_EQ(printed(3, 9000), "info score cp 9000 depth 3 seldepth 3 time 1000 nodes 10 nps 10 pv e2e4\n");
}

TEST_F(OutputTest, NoTimeGivesZeroSpeed) {
  shell.engineFlags = FLAG_UCI | FLAG_POST;
  setLine({"d2d4"});
  tree.nodeCount = 5000000000ull;  // beyond 32 bits
  tree.selDepth = 1;
  EXPECT_EQ(printed(1, 12), "info score cp 12 depth 1 seldepth 1 time 0 nodes 5000000000 nps 0 pv d2d4\n");
}

TEST_F(OutputTest, MultiPVMarksTheFirstLineOnlyWithSeveralLines) {
  shell.engineFlags = FLAG_UCI | FLAG_POST;
  setLine({"d2d4"});
  tree.selDepth = 1;
  shell.multiPV = 2;
  EXPECT_EQ(printed(1, 12), "info score cp 12 depth 1 seldepth 1 time 0 nodes 0 nps 0 multipv 1 pv d2d4\n");
}

TEST_F(OutputTest, UciPromotionsAreLowerCase) {
  shell.engineFlags = FLAG_UCI | FLAG_POST;
  setPosition("8/4P1k1/8/8/8/8/8/4K3 w - -");
  setLine({"e7e8n"});
  tree.selDepth = 1;
  EXPECT_EQ(printed(1, 300), "info score cp 300 depth 1 seldepth 1 time 0 nodes 0 nps 0 pv e7e8n\n");
  shell.engineFlags = FLAG_XBOARD | FLAG_POST;
  EXPECT_EQ(printed(1, 300), " 1   300      0 0   e8=N+\n");
}

TEST_F(OutputTest, TablebaseDrawModeShowsZero) {
  setLine({"e2e4"});
  driver.tbProbeLimit = -2;
  EXPECT_EQ(printed(1, 150), " 1     0      0 0   e4\n");
}

TEST_F(OutputTest, AnUnplayableMoveEndsTheLine) {
  setLine({"e2e4", "e7e5"});
  tree.pvTable[0][2] = makeMoveWord(test::square("e4"), test::square("e5"), MOVE_PAWN);  // blocked
  tree.pvTable[0][3] = test::findMove("d2d4");
  tree.pvLength[0] = 4;
  EXPECT_EQ(printed(2, 0), " 2     0      0 0   e4 e5\n");
  EXPECT_EQ(tree.pvLength[0], 2);
  EXPECT_EQ(searchResult.pvLength, 2);
}

TEST_F(OutputTest, AShortLineIsLengthenedFromTheTable) {
  setLine({"e2e4"});
  // The table knows the replies e7e5 and g1f3 along the line.
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
  EXPECT_EQ(searchResult.pvLength, 3);
  EXPECT_EQ(moveTo(searchResult.pvLine[1]), test::square("e5"));
}

TEST_F(OutputTest, DepthZeroPrintsTheLastLineAgain) {
  setLine({"e2e4"});
  printed(4, 20);
  tree.pvLength[0] = 0;
  EXPECT_EQ(printed(0, 0), " 4    20      0 0   e4\n");
}

TEST_F(OutputTest, NothingIsPrintedWithoutThinkingOutput) {
  setLine({"e2e4"});
  shell.engineFlags = FLAG_XBOARD;
  EXPECT_EQ(printed(4, 20), "");
  EXPECT_STREQ(lastPVLine(), " 4    20      0 0   e4");
}

TEST_F(OutputTest, FailMarksOnlyUnderXboardFromTheThirdIteration) {
  driver.iterationDepth = 3;
  driver.failState = 1;
  CaptureStdout();
  printFailMark();
  driver.failState = -1;
  printFailMark();
  driver.iterationDepth = 2;
  printFailMark();
  shell.engineFlags = FLAG_UCI | FLAG_POST;
  driver.iterationDepth = 5;
  printFailMark();
  EXPECT_EQ(GetCapturedStdout(), "++\n--\n");
}

TEST_F(OutputTest, UciProgressLines) {
  shell.engineFlags = FLAG_UCI;  // printed whether or not thinking output is on
  driver.iterationDepth = 6;
  tree.nodeCount = 3000;
  CaptureStdout();
  printDepthLine();
  printCurrentMove(test::findMove("g1f3"), 4, 1500);
  EXPECT_EQ(GetCapturedStdout(), "info depth 6 seldepth 6\ninfo currmove g1f3 currmovenumber 4 nodes 3000 nps 2000\n");
  shell.engineFlags = FLAG_XBOARD | FLAG_POST;
  CaptureStdout();
  printDepthLine();
  EXPECT_EQ(GetCapturedStdout(), "");
}

TEST_F(OutputTest, MultiPVLinesFollowTheBestLine) {
  shell.engineFlags = FLAG_UCI | FLAG_POST;
  shell.multiPV = 3;
  setLine({"e2e4", "e7e5"});
  tree.selDepth = 4;
  driver.multipvScore[0] = 30;
  driver.multipvScore[1] = 9997;
  driver.multipvScore[2] = -10000;  // not filled: the listing ends
  const Move d4 = test::findMove("d2d4");
  driver.multipvLines[1][0] = d4;
  driver.multipvLines[1][1] = 0;
  CaptureStdout();
  printMultiPV(4);
  EXPECT_EQ(GetCapturedStdout(),
            "info score cp 30 depth 4 seldepth 4 time 0 nodes 0 nps 0 multipv 1 pv e2e4 e7e5\n"
            "info score mate 2 multipv 2 pv d2d4\n");
}

TEST_F(OutputTest, ASearchPrintsItsIterationsAndEndsWithItsBestLine) {
  setPosition("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - -");
  shell.engineFlags = FLAG_UCI | FLAG_POST;
  CaptureStdout();
  searchToDepth(3);
  const std::string out = GetCapturedStdout();
  EXPECT_NE(out.find("info depth 1 seldepth 1\n"), std::string::npos) << out;
  EXPECT_NE(out.find("info score mate 1 depth 1 "), std::string::npos) << out;
  EXPECT_NE(out.find("info score mate 1 depth 3 "), std::string::npos) << out;
  EXPECT_EQ(out.find("\n\n"), std::string::npos) << out;
}

}  // namespace
