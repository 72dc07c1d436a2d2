// Colour symmetry: with no root side, a position and its colour-flipped
// mirror (ranks reversed, colours, side to move and castling rights
// exchanged) score the same for the side to move, except where one of the
// asymmetric rules listed in asymmetric_rules.h applies.
#include "symmetry_check.h"

namespace {

using test::fullEvaluation;
using test::setUpEvaluation;

TEST(EvaluationSymmetry, RandomGamesScoreAlikeMirrored) {
  // Random games run into promotions, odd material and bare kings.
  test::SymmetryTally tally = test::compareRandomGames(7, 24, 200);
  tally.print("random games");
  EXPECT_GT(tally.compared, 3000);
  EXPECT_LT(tally.total() - tally.compared, tally.total() / 4);
}

TEST(EvaluationSymmetry, RandomEndingsScoreAlikeMirrored) {
  test::SymmetryTally tally = test::compareRandomEndings(11, 3000);
  tally.print("random endings");
  EXPECT_GT(tally.compared, 2500);
}

// The listed rules do make a difference.
TEST(EvaluationSymmetry, KnownAsymmetriesShowUp) {
  // Rule 4: two knights each.
  setUpEvaluation("1nn1k3/8/8/8/8/8/8/1NN1K3 w - -");
  EXPECT_EQ(cannotWinFlags(), WHITE_CANNOT_WIN);
  // Rule 1: a black king on g8 with white pawns on g5 and g3 reads 7 from
  // the storm table; the mirror, a white king on g1 with black pawns on g4
  // and g6, reads 0.
  setUpEvaluation("r2q1rk1/8/8/6P1/8/6P1/8/R2QK2R w - -");
  fullEvaluation();
  int againstBlack = test::currentPawnEntry().shelter[BLACK][test::square("g8")];
  setUpEvaluation("r2qk2r/8/6p1/8/6p1/8/8/R2Q1RK1 b - -");
  fullEvaluation();
  int againstWhite = test::currentPawnEntry().shelter[WHITE][test::square("g1")];
  EXPECT_EQ(againstBlack - againstWhite, 7);
}

}  // namespace
