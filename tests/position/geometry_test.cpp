// Pawn attack sets, which the evaluation and the quiescence generators read
// by target square: they must never name a square behind the back ranks.
// (Steps, knight targets and directions are exercised by every perft count,
// line mobility and king lines by the evaluation's hand-scored positions.)
#include "position/geometry.h"

#include "test_support.h"

namespace {

using test::square;

TEST(Geometry, PawnAttackSetsNeverUseTheBackRanks) {
  initBoardTables();
  // A white pawn attacks e4 from d3 and f3; a black one from d5 and f5.
  EXPECT_EQ(pawnAttackFrom[WHITE][square("e4")], squareBit[square("d3")] | squareBit[square("f3")]);
  EXPECT_EQ(pawnAttackFrom[BLACK][square("e4")], squareBit[square("d5")] | squareBit[square("f5")]);
  EXPECT_EQ(pawnAttackFrom[WHITE][square("e2")], 0u);  // no white pawn stands on rank 1
  EXPECT_EQ(pawnAttackFrom[BLACK][square("e7")], 0u);
  EXPECT_EQ(pawnAttackFrom[WHITE][square("a3")], squareBit[square("b2")]);
}

}  // namespace
