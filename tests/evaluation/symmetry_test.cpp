// Colour symmetry: with no root side, a position and its colour-flipped
// mirror (ranks reversed, colours, side to move and castling rights
// exchanged) score the same for the side to move, except where one of the
// asymmetric rules listed in asymmetric_rules.h applies.
#include "symmetry_check.h"

namespace {

using test::fullEvaluation;
using test::setUpEvaluation;

TEST(EvaluationSymmetry, RandomGamesScoreAlikeMirrored) {
  ASSERT_EQ(test::mirroredFen("r3k3/8/8/3pP3/8/8/8/4K2R w Kq d6"), "4k2r/8/8/8/3Pp3/8/8/R3K3 b kQ d3");
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

// Rule 4 shows in the can't-win cases; rule 1 makes this difference.
TEST(EvaluationSymmetry, TheStormRuleDiffersByColour) {
  // A black king on g8 with white pawns on g5 and g3 reads 7 from the
  // storm table; the mirror, a white king on g1 with black pawns on g4
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
