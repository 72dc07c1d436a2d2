// Forced mates are found with their exact distance, and positions at the
// edges of the rules (no move, one move, the fifty-move rule, the end of
// the game history) are searched without harm.
#include "search_fixture.h"

namespace {

using test::SearchTest;

struct MateCase {
  const char *fen;
  int depth;
  int movesToMate;  // negative: the side to move is mated
  const char *firstMoves;
};

class MateTest : public SearchTest, public ::testing::WithParamInterface<MateCase> {};

// The score is what xboard shows (9997 for a mate in 2); UCI shows the
// distance in moves.
TEST_P(MateTest, FindsTheMateWithItsExactDistance) {
  const MateCase &c = GetParam();
  setPosition(c.fen);
  shell.engineFlags = FLAG_UCI | FLAG_POST;
  testing::internal::CaptureStdout();
  searchToDepth(c.depth);
  const std::string out = testing::internal::GetCapturedStdout();
  const int n = c.movesToMate;
  EXPECT_EQ(searchResult.lastSearchScore, n > 0 ? 10000 - (2 * n - 1) : -10000 - 2 * n);
  const std::string lastScore = out.substr(out.rfind("info score "));
  EXPECT_EQ(lastScore.rfind("info score mate " + std::to_string(n) + " depth ", 0), 0u) << out;
  EXPECT_EQ(out.rfind("info depth 1 seldepth 1\n", 0), 0u) << out;
  EXPECT_EQ(out.find("\n\n"), std::string::npos) << out;
  // Either of the listed first moves mates in time.
  ASSERT_GE(searchResult.pvLength, 1);
  EXPECT_NE(std::string(c.firstMoves).find(bestMoveText()), std::string::npos) << bestMoveText();
}

INSTANTIATE_TEST_SUITE_P(
    Compositions, MateTest,
    ::testing::Values(MateCase{"6k1/5ppp/8/8/8/8/5PPP/R5K1 w - -", 3, 1, "a1a8"},  // back rank
                      MateCase{"k7/8/1K6/8/8/8/8/7R b - -", 4, -1, "a8b8"},        // the only legal move, then Rh8#
                      MateCase{"k7/8/2K5/8/8/8/8/7R w - -", 4, 2, "c6b6 c6c7"},    // the king first
                      MateCase{"r2qk2r/pb4pp/1n2Pb2/2B2Q2/p1p5/2P5/2B2PPP/RN2R1K1 w - -", 4, 2, "f5g6"},
                      MateCase{"6k1/pp4p1/2p5/2bp4/8/P5Pb/1P3rrP/2BRRN1K b - -", 4, 2, "g2g1"},
                      MateCase{"2r3k1/p4p2/3Rp2p/1p2P1pK/8/1P4P1/P3Q2P/1q6 b - -", 6, 3, "b1g6"},
                      MateCase{"r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq -", 6, 3, "f8c5"},
                      MateCase{"r1bk3r/pppq1ppp/5n2/4N1N1/2Bp4/Bn6/P4PPP/4R1K1 w - -", 8, 4, "e5f7"}));

TEST_F(SearchTest, NoLegalMoveLeavesNoMove) {
  setPosition("R5k1/5ppp/8/8/8/8/5PPP/6K1 b - -");  // checkmate
  searchToDepth(5);
  EXPECT_EQ(test::numbers(searchResult.pvLength, searchResult.lastSearchScore, pos.searchPly, shell.searching),
            test::numbers(0, -10000, 0, 0));

  setPosition("k7/2Q5/1K6/8/8/8/8/8 b - -");  // stalemate
  searchToDepth(5);
  EXPECT_EQ(test::numbers(searchResult.pvLength, searchResult.lastSearchScore), test::numbers(0, 0));
}

TEST_F(SearchTest, MateOnTheHundredthPlyBeatsTheFiftyMoveRule) {
  // White mates with Ra8 as the hundredth reversible ply.
  setPosition("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - -");
  pos.fiftyCount = 99;
  searchToDepth(3);
  EXPECT_EQ(bestMoveText() + " " + std::to_string(searchResult.lastSearchScore), "a1a8 9999");

  // Once the count stands at 100 the game is drawn: the root answers at
  // once with a move and the draw score.
  setPosition("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - -");
  pos.fiftyCount = 100;
  searchToDepth(6);
  EXPECT_EQ(test::numbers(searchResult.lastSearchScore, bestMoveText().size(), driver.lastCompletedDepth),
            test::numbers(0, 4, 0));
}

TEST_F(SearchTest, SearchesNearTheEndOfTheGameHistory) {
  // Knights shuffle until the history is almost full; the search must not
  // write a record past it, whatever its depth.
  setPosition("4k3/8/8/8/8/8/8/1N2K1N1 w - -");
  const char *const shuffle[4] = {"b1c3", "e8d8", "c3b1", "d8e8"};
  for (int i = 0; pos.gamePly < MAX_GAME_PLIES - 3; i++) {
    ASSERT_TRUE(makeMove(test::findMove(shuffle[i % 4])));
    pos.fiftyCount = 0;  // keep the repetition and fifty-move rules out of the way
  }
  for (int extra = 0; extra < 4; extra++) {
    pos.searchPly = 7;  // game moves count up searchPly too
    searchToDepth(6);
    EXPECT_EQ(pos.searchPly, 0);
    // With the history full no move can be made any more.
    EXPECT_EQ(searchResult.pvLength >= 1, pos.gamePly < MAX_GAME_PLIES);
    ASSERT_TRUE(searchResult.pvLength == 0 || makeMove(searchResult.pvLine[0]));
    pos.fiftyCount = 0;
  }
}

}  // namespace
