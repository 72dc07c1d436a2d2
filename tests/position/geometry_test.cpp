// Board geometry: steps at the edges, knight order, directions between
// squares and the mobility and king-line tables the evaluation reads.
#include "position/geometry.h"

#include "test_support.h"

namespace {

using test::square;

class Geometry : public ::testing::Test {
 protected:
  void SetUp() override { initBoardTables(); }
};

TEST_F(Geometry, StepsStopAtTheEdgeWithoutWrapping) {
  EXPECT_EQ(stepSquare[0][RIGHT], NO_SQUARE);  // h1 towards the h-file side
  EXPECT_EQ(stepSquare[0][LEFT], 1);           // h1 -> g1
  EXPECT_EQ(stepSquare[7][LEFT], NO_SQUARE);   // a1
  EXPECT_EQ(stepSquare[0][UP_RIGHT], NO_SQUARE);
  EXPECT_EQ(stepSquare[square("a8")][UP], NO_SQUARE);
  EXPECT_EQ(stepSquare[square("e4")][DOWN_LEFT], square("d3"));
  for (int d = 0; d < 8; d++) EXPECT_EQ(stepSquare[64][d], NO_SQUARE);
}

TEST_F(Geometry, KnightTargetsKeepOffsetOrder) {
  EXPECT_EQ(knightTargets[0][0], 17);  // h1 -> g3
  EXPECT_EQ(knightTargets[0][1], 10);  // h1 -> f2
  EXPECT_EQ(knightTargets[0][2], -1);
  int n = 0;
  while (knightTargets[square("e4")][n] >= 0) n++;
  EXPECT_EQ(n, 8);
  EXPECT_EQ(popCount(knightBits[square("e4")]), 8);
  EXPECT_EQ(popCount(knightBits[square("a8")]), 2);
}

TEST_F(Geometry, DirectionBetweenSquares) {
  EXPECT_EQ(directionTo[3 * 64 + 59], UP);       // e1 to e8
  EXPECT_EQ(directionTo[0 * 64 + 63], UP_LEFT);  // h1 to a8
  EXPECT_EQ(directionTo[0 * 64 + 10], -1);       // a knight's distance
  EXPECT_EQ(directionTo[20 * 64 + 20], -1);
  EXPECT_EQ(directionTo[59 * 64 + 3], DOWN);
  EXPECT_EQ(directionTo[square("a1") * 64 + square("h1")], RIGHT);
}

TEST_F(Geometry, PawnAttackSetsNeverUseTheBackRanks) {
  // A white pawn attacks e4 from d3 and f3; a black one from d5 and f5.
  EXPECT_EQ(pawnAttackFrom[WHITE][square("e4")], squareBit[square("d3")] | squareBit[square("f3")]);
  EXPECT_EQ(pawnAttackFrom[BLACK][square("e4")], squareBit[square("d5")] | squareBit[square("f5")]);
  EXPECT_EQ(pawnAttackFrom[WHITE][square("e2")], 0u);  // no white pawn stands on rank 1
  EXPECT_EQ(pawnAttackFrom[BLACK][square("e7")], 0u);
  EXPECT_EQ(pawnAttackFrom[WHITE][square("a3")], squareBit[square("b2")]);
}

TEST_F(Geometry, LineMobilityCountsFreeSquares) {
  EXPECT_EQ(lineMobility[64][64].fileFree, 7);
  EXPECT_EQ(lineMobility[64][64].rankFree, 7);
  // A rook on e4 between pieces on e6 and e2 has two free squares on the file.
  EXPECT_EQ(lineMobility[square("e6")][square("e2")].fileFree, 2);
  // A bishop on d4 between b6 and f2 (c5 and e3 free), and between f6 and b2
  // (e5 and c3 free): diagonal counts are doubled.
  EXPECT_EQ(lineMobility[square("b6")][square("f2")].diagUp, 4);
  EXPECT_EQ(lineMobility[square("f6")][square("b2")].diagDown, 4);
  // Free to the edge above, piece on e2 below: e3..e8 minus the slider's square.
  EXPECT_EQ(lineMobility[64][square("e2")].fileFree, 5);
  EXPECT_EQ(lineMobility[square("e7")][64].fileFree, 5);
  EXPECT_EQ(openLineMobility[0][0], 14);
  EXPECT_EQ(openLineMobility[0][1], 0);
  EXPECT_EQ(openLineMobility[7][0], 0);
  EXPECT_EQ(openLineMobility[7][1], 14);
}

TEST_F(Geometry, KingLineInfoFindsTheLineIntoTheKingZone) {
  // King g1, rook g8: down the file, entering the zone at g2.
  const int e = kingLineInfo[square("g1")][0][square("g8")];
  EXPECT_EQ(e >> 8, square("g2"));
  EXPECT_EQ((e >> 4) & 7, DOWN);
  EXPECT_EQ(e & 15, 7);
  // A knight's jump away from the zone on no common line: no entry on the diagonals.
  EXPECT_EQ(kingLineInfo[square("e1")][1][square("e8")], -1);
}

}  // namespace
