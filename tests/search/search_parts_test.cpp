// The pieces of the search on chosen positions: the check test before a
// move, the threat test's horizon, the test of remembered moves and the
// quiescence search at its edges.  (The serious-check and threat tests'
// verdicts, the quiet-move generator, stand pat in check, delta and frontier
// pruning and the repetition rule all show in the node counts of the fixed
// searches.)
#include <algorithm>

#include "evaluation/evaluation.h"
#include "position/move_generation.h"
#include "random_positions.h"
#include "search/check_tests.h"
#include "search/quiet_moves.h"
#include "search_fixture.h"

namespace {

using test::SearchTest;

// The position after `move` has been played from `fen`, at search ply `ply`.
void playFrom(const char *fen, const char *move, int ply = 0) {
  test::setUp(fen);
  const Move m = test::findMove(move);
  ASSERT_NE(m, 0u) << move;
  ASSERT_TRUE(makeMove(m));
  pos.searchPly = ply;
}

// For every move that neither stays on a line it uncovers nor is special
// (king, castling, promotion, en passant), the test before the move agrees
// with the check after it.
void compareCheckTest(int &compared) {
  const int ek = pos.kingSquare[pos.opponent];
  for (Move m : test::legalMoves()) {
    const int from = moveFrom(m), to = moveTo(m);
    if (wordType(pos.board[from]) == KING || (m & (MOVE_PROMOTION | MOVE_EN_PASSANT | MOVE_CASTLE))) continue;
    const int line = directionTo[ek * 64 + from];
    if (line >= 0 && (directionTo[from * 64 + to] & ~1) == (line & ~1)) continue;
    const bool predicted = moveGivesCheck(m);
    ASSERT_TRUE(makeMove(m));
    const bool actual = inCheck();
    unmakeMove();
    ASSERT_EQ(predicted, actual) << test::positionFen() << " " << moveToUciCoordinates(m);
    compared++;
  }
}

TEST(MoveGivesCheck, AgreesWithTheBoard) {
  int compared = 0;
  // Discovered checks, a blocked line, a pawn's and a knight's checks.
  for (const char *fen : {"4k3/8/8/8/4B3/8/8/K3R3 w - -", "4k3/8/8/8/4N3/8/8/K3Q3 w - -",
                          "2n1k3/8/8/8/8/8/8/R3K3 w - -", "4k3/8/3P4/8/4N3/8/8/4KB2 w - -"}) {
    test::setUp(fen);
    compareCheckTest(compared);
  }
  test::Rng rng(7);
  for (int game = 0; game < 200 && !HasFatalFailure(); game++) {
    test::randomPlayout(rng, rng.below(40));
    compareCheckTest(compared);
  }
  EXPECT_GT(compared, 2000);
}

// Which pieces a newly arrived piece threatens shows in the node counts;
// here, which moves count as newly arrived: the last three below the root.
TEST(ThreatTest, OnlyMovesBelowTheRootCount) {
  // The knight arrives, then each side makes a move.
  playFrom("4k3/r7/8/8/8/2N5/8/4K3 w - -", "c3b5");
  ASSERT_TRUE(makeMove(test::findMove("e8d8")));
  ASSERT_TRUE(makeMove(test::findMove("e1e2")));
  pos.searchPly = 3;
  EXPECT_EQ(threatAfterMove(), 1);
  pos.searchPly = 2;  // the knight's move was played before the root
  EXPECT_EQ(threatAfterMove(), 0);
}

TEST(RememberedMoves, EveryGeneratedMoveIsPlayableWithItsFlags) {
  test::Rng rng(5);
  for (int game = 0; game < 300; game++) {
    test::randomPlayout(rng, rng.below(60));
    generateMoves();
    for (const MoveEntry &e : test::currentList()) {
      ASSERT_EQ(playableMove(e.move & MOVE_IDENTITY_MASK), e.move) << test::positionFen();
      const bool quiet = !(e.move & (MOVE_CAPTURE | MOVE_PROMOTION));
      ASSERT_EQ(playableQuietMove(e.move), quiet ? e.move : 0u) << test::positionFen();
    }
  }
}

// A remembered move from another position is refused, or else completed
// into the generated move with its flags.
TEST(RememberedMoves, MovesOfAnotherPositionAreRefusedOrCompleted) {
  const char *const castles = "r3k2r/pppq1ppp/8/3p4/8/2N5/PPP2PPP/R3K2R w Kkq -";
  const std::tuple<const char *, const char *, Move, bool, const char *> cases[] = {
      {castles, "c1e3", 0, false, "no piece there"},
      {castles, "a1a3", 0, false, "through its own pawn"},
      {castles, "c3c5", 0, false, "not a knight's move"},
      {castles, "a2b2", 0, false, "onto its own piece"},
      {castles, "e1c1", MOVE_QUEEN_CASTLE, false, "the right is gone"},
      {castles, "e1g1", MOVE_KING_CASTLE, true, "castling"},
      {castles, "b2b4", 0, true, "a double push"},
      {castles, "c3d5", 0, true, "a capture"},
      {"4k3/8/8/8/8/1P6/8/4K3 w - -", "b3b5", 0, false, "a double push off the second rank"},
      {"4k3/1P6/8/8/8/8/8/K7 w - -", "b7b8", 0, false, "a promotion needs its piece"},
      {"4k3/1P6/8/8/8/8/8/K7 w - -", "b7b8q", Move(QUEEN) << 16, true, "a promotion"},
      {"4k3/4p3/8/8/8/8/8/4R1K1 w - -", "e1e8", 0, false, "through an enemy pawn"},
  };
  for (const auto &[fen, move, flags, accepted, why] : cases) {
    test::setUp(fen);
    const Move expected = accepted ? test::findMove(move) : 0;
    ASSERT_EQ(expected != 0, accepted) << why;
    const Move word = makeMoveWord(test::square(move), test::square(move + 2), flags);
    EXPECT_EQ(playableMove(word), expected) << why;
    EXPECT_EQ(playableQuietMove(word), expected & (MOVE_CAPTURE | MOVE_PROMOTION) ? 0 : expected) << why;
  }
}

class QuiesceTest : public SearchTest {
 protected:
  void SetUp() override {
    SearchTest::SetUp();
    tree.nodeCount = 0;
    tree.selDepth = 0;
    moveListStart[0] = 0;
  }
  void TearDown() override {
    pos.searchPly = 0;
    SearchTest::TearDown();
  }
};

TEST_F(QuiesceTest, TheDeepestPlyOnlyEvaluates) {
  setPosition("4k3/8/8/3p4/4P3/8/8/4K3 w - -");  // a capture is there to be searched
  pos.searchPly = 62;
  moveListStart[62] = 100;
  EXPECT_EQ(quiesce(-10000, 10000, 3), evaluate(-10000, 10000));
  EXPECT_EQ(test::numbers(tree.selDepth, tree.nodeCount), test::numbers(62, 1));
}

TEST_F(QuiesceTest, NoEvasionIsMateAtThisPlyUnlessTheFiftyMovesAreOver) {
  playFrom("6k1/5ppp/8/8/8/8/5PPP/R5K1 w - -", "a1a8", 1);
  moveListStart[1] = 0;
  EXPECT_EQ(quiesce(-10000, 10000, 1), 1 - 10000);
  pos.fiftyCount = 100;  // the mate comes with the hundredth ply
  EXPECT_EQ(quiesce(-10000, 10000, 1), 1 - 10000);
  pos.fiftyCount = 101;
  EXPECT_EQ(quiesce(-10000, 10000, 1), 0);
}

}  // namespace
