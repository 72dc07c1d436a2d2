// The pieces of the search on chosen positions: the serious-check test, the
// check test before a move, the threat test, the quiet-move generator and
// the test of remembered moves, the quiescence search at its edges and the
// pruning at a frontier node.
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

TEST(SeriousCheck, BothVersionsAnswer) {
  const struct {
    const char *fen, *move;
    int serious;
    const char *why;
  } cases[] = {
      {"4k3/8/8/8/4N3/8/8/K3R3 w - -", "e4f6", 1, "double check"},
      {"4k3/8/8/8/7Q/8/8/K7 w - -", "h4e7", 0, "the king takes the queen"},
      {"4k3/8/3P4/8/7Q/8/8/K7 w - -", "h4e7", 1, "the queen is defended"},
      {"4k3/8/8/1N6/8/8/8/K7 w - -", "b5d6", 1, "nothing takes the knight"},
      {"4k3/8/8/8/8/8/K7/R2Q3r w - -", "d1d7", 1, "the queen opened the first rank"},
      {"4k3/8/8/7r/8/8/1Q6/K7 w - -", "b2e5", 0, "the rook takes the queen"},
      {"4k3/8/8/7r/8/5B2/1Q6/K7 w - -", "b2e5", 1, "the rook is watched by the bishop"},
  };
  for (const auto &c : cases) {
    playFrom(c.fen, c.move);
    ASSERT_NE(pos.checkInfo[pos.gamePly], CHECK_NONE) << c.why;
    EXPECT_EQ(test::numbers(seriousCheck(), seriousCheckInSearch()), test::numbers(c.serious, c.serious)) << c.why;
  }
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

TEST(ThreatTest, APieceThatJustArrivedAttackingSomethingBigger) {
  const struct {
    const char *fen, *move;
    int threat;
  } cases[] = {
      {"r3k3/8/8/8/8/2N5/8/4K3 w - -", "c3b5", 0},
      {"4k3/r7/8/8/8/2N5/8/4K3 w - -", "c3b5", 1},   // the knight attacks the rook
      {"4k3/8/2n5/8/3P4/8/8/4K3 w - -", "d4d5", 1},  // the pawn attacks the knight
      {"4k3/8/2p5/8/3P4/8/8/4K3 w - -", "d4d5", 0},  // a pawn attacking a pawn is no threat
      {"4k3/8/8/8/8/8/4B3/4K3 w - -", "e2b5", 1},    // the bishop sees the king
  };
  for (const auto &c : cases) {
    playFrom(c.fen, c.move, 1);  // the test looks at the moves made below the root
    EXPECT_EQ(threatAfterMove(), c.threat) << c.fen;
  }
  // Only the last three moves below the root count: the knight arrives,
  // then each side makes a move.
  playFrom("4k3/r7/8/8/8/2N5/8/4K3 w - -", "c3b5");
  ASSERT_TRUE(makeMove(test::findMove("e8d8")));
  ASSERT_TRUE(makeMove(test::findMove("e1e2")));
  pos.searchPly = 3;
  EXPECT_EQ(threatAfterMove(), 1);
  pos.searchPly = 2;  // the knight's move was played before the root
  EXPECT_EQ(threatAfterMove(), 0);
}

std::vector<Move> sortedList() {
  std::vector<Move> moves;
  for (const MoveEntry &e : test::currentList()) moves.push_back(e.move);
  std::sort(moves.begin(), moves.end());
  return moves;
}

TEST(QuietMoves, AreTheQuietMovesOfTheFullGenerator) {
  test::Rng rng(11);
  for (int game = 0; game < 300; game++) {
    test::randomPlayout(rng, rng.below(60));
    if (inCheck()) continue;
    generateAll();
    std::vector<Move> expected = sortedList();
    expected.erase(std::remove_if(expected.begin(), expected.end(),
                                  [](Move m) { return (m & (MOVE_CAPTURE | MOVE_PROMOTION)) != 0; }),
                   expected.end());
    generateQuiet();
    ASSERT_EQ(sortedList(), expected) << test::positionFen();
  }
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

TEST(RememberedMoves, MovesOfAnotherPositionAreRefused) {
  test::setUp("r3k2r/pppq1ppp/8/3p4/8/2N5/PPP2PPP/R3K2R w Kkq -");
  const auto word = [](const char *from, const char *to, Move flags = 0) {
    return makeMoveWord(test::square(from), test::square(to), flags);
  };
  EXPECT_EQ(playableMove(word("c1", "e3")), 0u);                     // no piece there
  EXPECT_EQ(playableMove(word("a1", "a3")), 0u);                     // through its own pawn
  EXPECT_EQ(playableMove(word("c3", "c5")), 0u);                     // not a knight's move
  EXPECT_EQ(playableMove(word("a2", "b2")), 0u);                     // onto its own piece
  EXPECT_EQ(playableMove(word("e1", "c1", MOVE_QUEEN_CASTLE)), 0u);  // the right is gone
  EXPECT_NE(playableMove(word("e1", "g1", MOVE_KING_CASTLE)), 0u);
  EXPECT_EQ(playableMove(word("b2", "b4")), word("b2", "b4", MOVE_PAWN | MOVE_DOUBLE_PUSH));
  EXPECT_EQ(playableMove(word("c3", "d5")), word("c3", "d5", MOVE_CAPTURE));
  EXPECT_EQ(playableQuietMove(word("c3", "d5")), 0u);
  test::setUp("4k3/1P6/8/8/8/8/8/4K2q w - -");
  EXPECT_EQ(playableMove(word("b7", "b8")), 0u);  // a promotion needs its piece
  EXPECT_NE(playableMove(word("b7", "b8") | Move(QUEEN) << 16), 0u);
  test::setUp("4k3/4p3/8/8/8/8/8/4R1K1 w - -");
  EXPECT_EQ(playableMove(word("e1", "e8")), 0u);  // never the king
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

TEST_F(QuiesceTest, ACheckThatCanBeAnsweredByATakingMayStandPat) {
  playFrom("4k3/8/8/7r/8/8/1Q6/K7 w - -", "b2e5");  // the rook may take the queen
  tree.nodeCount = 0;
  EXPECT_GE(quiesce(-1000, -900, 1), -900);
  EXPECT_EQ(tree.nodeCount, 1u);  // no evasion was searched
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

TEST_F(QuiesceTest, TheLastPawnIsTakenEvenFarBelowAlpha) {
  // White's rook takes the only black pawn: far below alpha, but not by more
  // than the last pawn is worth.  With a second black pawn it is pruned.
  auto nodesFarBelowAlpha = [](const char *fen) {
    setPosition(fen);
    const int standPat = evaluate(-10000, 10000);
    clearHashTables();
    tree.nodeCount = 0;
    quiesce(standPat + 1000, standPat + 1001, 1);
    return tree.nodeCount;
  };
  EXPECT_GE(nodesFarBelowAlpha("4k2q/8/8/8/8/8/p7/R3K3 w - -"), 2u);
  EXPECT_EQ(nodesFarBelowAlpha("4k2q/8/8/7p/8/8/p7/R3K3 w - -"), 1u);
}

TEST_F(SearchTest, AFrontierNodeFarBelowAlphaSearchesOnlyItsFirstMove) {
  // White has eight quiet moves, none of them a check, and Black has no
  // capture or check in reply: each move searched costs one node.
  setPosition("5k1b/6p1/8/8/8/8/8/1N4K1 w - -");
  moveListStart[0] = 0;
  tree.materialBalance[0] = -100;
  tree.nodeCount = 0;
  search(400, 401, 1, 0, NF_SCOUT | NF_NULL_OK);
  EXPECT_EQ(tree.nodeCount, 2u);
  clearHashTables();
  tree.nodeCount = 0;
  // Below alpha, but not hopelessly: every move is searched.
  search(250, 251, 1, 0, NF_SCOUT | NF_NULL_OK);
  EXPECT_EQ(tree.nodeCount, 9u);
}

TEST_F(SearchTest, ARepeatedPositionIsADraw) {
  setPosition("4k3/8/8/8/8/8/8/1N2K1N1 w - -");
  for (const char *m : {"b1c3", "e8d8", "c3b1", "d8e8"}) ASSERT_TRUE(makeMove(test::findMove(m)));
  pos.searchPly = 0;
  moveListStart[0] = 0;
  tree.nodeCount = 0;
  EXPECT_EQ(search(-10000, 10000, 3, 0, NF_NULL_OK), 0);
  EXPECT_EQ(tree.nodeCount, 1u);
}

}  // namespace
