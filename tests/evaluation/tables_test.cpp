// The evaluation tables: spot values, the rules the derived tables follow,
// and the reading of phases past the end of the phase tables.
#include "evaluation/evaluation.h"
#include "evaluation/piece_square.h"
#include "test_support.h"

namespace {

TEST(PieceSquareTables, BlackRowsAreTheRankMirrorAndRooksAreZero) {
  buildPieceSquareTables();
  for (int s = 0; s < 64; s++) {
    EXPECT_EQ(pieceSquareTable[ROOK][s], 0);
    EXPECT_EQ(pieceSquareTable[6 + ROOK][s], 0);
    for (int p = 0; p < 6; p++) EXPECT_EQ(pieceSquareTable[6 + p][s], pieceSquareTable[p][s ^ 56]) << p << " " << s;
  }
  EXPECT_EQ(pieceSquareTable[6 + PAWN][51], -20);  // e7 mirrors e2
  EXPECT_EQ(pieceSquareTable[6 + PAWN][52], -16);  // d7 mirrors d2
}

TEST(PieceSquareTables, SpotValues) {
  buildPieceSquareTables();
  using test::square;
  EXPECT_EQ(pieceSquareTable[PAWN][square("e7")], 20);
  EXPECT_EQ(pieceSquareTable[PAWN][square("c3")], 3);
  EXPECT_EQ(pieceSquareTable[KNIGHT][square("f6")], 10);
  EXPECT_EQ(pieceSquareTable[KNIGHT][square("a8")], -7);
  EXPECT_EQ(pieceSquareTable[BISHOP][square("b2")], 4);
  EXPECT_EQ(pieceSquareTable[BISHOP][square("d5")], 8);
  EXPECT_EQ(pieceSquareTable[QUEEN][square("b8")], -3);
  EXPECT_EQ(pieceSquareTable[QUEEN][square("e6")], 6);
  EXPECT_EQ(pieceSquareTable[KING][square("g1")], 0);
  EXPECT_EQ(pieceSquareTable[KING][square("c1")], -4);
  EXPECT_EQ(pieceSquareTable[KING][square("e1")], -8);
  EXPECT_EQ(pieceSquareTable[KING][square("g2")], -6);
  EXPECT_EQ(pieceSquareTable[KING][square("a4")], -32);
  EXPECT_EQ(pieceSquareTable[KING][square("d8")], -40);
}

TEST(EvaluationTables, ByteBitIndexes) {
  EXPECT_EQ(lowestBitIndex[0], -1);
  EXPECT_EQ(highestBitIndex[0], -1);
  EXPECT_EQ(highestBitIndex[255], 7);
  EXPECT_EQ(lowestBitIndex[255], 0);
  EXPECT_EQ(lowestBitIndex[0x90], 4);
  EXPECT_EQ(highestBitIndex[0x90], 7);
  for (int b = 1; b < 256; b++) {
    EXPECT_EQ(lowestBitIndex[b], __builtin_ctz(b));
    EXPECT_EQ(highestBitIndex[b], 31 - __builtin_clz(b));
  }
}

TEST(EvaluationTables, PhaseScalesAndPhasesPastTheEnd) {
  const int imbalance[][2] = {{0, 128},  {23, 128}, {24, 144}, {27, 180}, {31, 212}, {32, 216},
                              {35, 228}, {36, 230}, {39, 236}, {40, 237}, {50, 247}, {63, 260}};
  for (auto [phase, value] : imbalance) EXPECT_EQ(imbalancePhaseScale[phase], value) << phase;
  const int mobility[][2] = {{0, 0}, {20, 0}, {21, 4}, {22, 10}, {23, 16}, {40, 118}, {63, 256}};
  for (auto [phase, value] : mobility) EXPECT_EQ(mobilityPhaseScale[phase], value) << phase;
  for (int p = 1; p < PHASE_TABLE_SIZE; p++) {
    EXPECT_GE(imbalancePhaseScale[p], imbalancePhaseScale[p - 1]);
    EXPECT_GE(mobilityPhaseScale[p], mobilityPhaseScale[p - 1]);
  }
  // The start position has phase 64; promotions go further.  Both read the
  // last entry.
  EXPECT_EQ(phaseIndex(63), 63);
  EXPECT_EQ(phaseIndex(64), 63);
  EXPECT_EQ(phaseIndex(180), 63);
}

TEST(EvaluationTables, CountTables) {
  EXPECT_EQ(kingAttackWeight[0], 0);
  EXPECT_EQ(kingAttackWeight[4], 50);
  EXPECT_EQ(kingAttackWeight[15], 600);
  EXPECT_EQ(knightForkBonus[7], 43);
  for (int n = 8; n < 16; n++) EXPECT_EQ(knightForkBonus[n], 60);
  EXPECT_EQ(countIndex(3), 3);
  EXPECT_EQ(countIndex(15), 15);
  EXPECT_EQ(countIndex(16), 15);
  const int pair[9] = {32, 32, 30, 30, 28, 28, 24, 16, 6};
  for (int n = 0; n < 9; n++) EXPECT_EQ(bishopPairBonus[n], pair[n]);
}

TEST(EvaluationTables, KnightTargetWeights) {
  using test::square;
  EXPECT_EQ(knightTargetWeight[WHITE][square("h1")], 1);
  EXPECT_EQ(knightTargetWeight[WHITE][square("g2")], 2);
  EXPECT_EQ(knightTargetWeight[WHITE][square("e6")], 4);
  EXPECT_EQ(knightTargetWeight[WHITE][square("b7")], 3);
  EXPECT_EQ(knightTargetWeight[WHITE][square("c8")], 3);
  for (int s = 0; s < 64; s++) EXPECT_EQ(knightTargetWeight[BLACK][s], knightTargetWeight[WHITE][s ^ 56]);
}

// Black's shelter bytes hold the same pawn pattern bit-reversed: White's bit
// j (j ranks in front of the king) is Black's bit 7 - j.
int reversedByte(int b) {
  int r = 0;
  for (int j = 0; j < 8; j++)
    if (b & (1 << j)) r |= 1 << (7 - j);
  return r;
}

TEST(EvaluationTables, ShelterTablesAgreeBetweenColours) {
  EXPECT_EQ(ownShelterWhite[0], 30);
  EXPECT_EQ(ownShelterWhite[2], 0);   // a pawn one rank in front
  EXPECT_EQ(ownShelterWhite[8], 20);  // only three ranks in front
  EXPECT_EQ(ownShelterWhite[16], 20);
  EXPECT_EQ(ownShelterWhite[17], 5);
  EXPECT_EQ(enemyStormWhite[0], 15);
  EXPECT_EQ(enemyStormWhite[4], 15);
  EXPECT_EQ(enemyStormWhite[8], 7);
  EXPECT_EQ(enemyStormWhite[16], 0);
  EXPECT_EQ(enemyStormWhite[24], 0);
  EXPECT_EQ(enemyStormWhite[26], 12);
  for (int b = 0; b < 128; b++) {
    int u = reversedByte(b);
    EXPECT_EQ(ownShelterBlack[u], ownShelterWhite[b]) << b;
    // The one difference between the colours: an enemy pawn three ranks in
    // front with another farther away scores 7 against Black, 0 against White.
    if (b >= 16 && (b & 15) == 8) {
      EXPECT_EQ(enemyStormBlack[u], 7) << b;
      EXPECT_EQ(enemyStormWhite[b], 0) << b;
    } else {
      EXPECT_EQ(enemyStormBlack[u], enemyStormWhite[b]) << b;
    }
  }
}

TEST(EvaluationTables, KingEndgameRows) {
  using test::square;
  EXPECT_EQ(kingEndgameSquare[0][square("e5")], 30);
  EXPECT_EQ(kingEndgameSquare[0][square("a1")], -20);
  EXPECT_EQ(kingEndgameSquare[1][square("g5")], 30);
  EXPECT_EQ(kingEndgameSquare[1][square("a1")], -30);
  EXPECT_EQ(kingEndgameSquare[2][square("b5")], 30);
  EXPECT_EQ(kingEndgameSquare[2][square("h1")], -30);
  for (int s = 0; s < 64; s++) EXPECT_EQ(kingEndgameSquare[2][s], kingEndgameSquare[1][s ^ 7]);
}

TEST(EvaluationTables, ParameterSets) {
  const EvalParams &m = middlegameParams, &e = endgameParams;
  EXPECT_EQ(m.doubledPenalty, 10);
  EXPECT_EQ(e.doubledPenalty, 12);
  EXPECT_EQ(m.isolatedPenalty, 16);
  EXPECT_EQ(e.isolatedPenalty, 20);
  EXPECT_EQ(m.backwardPenalty, 8);
  EXPECT_EQ(e.backwardPenalty, 8);
  EXPECT_EQ(m.unsupportablePenalty, 15);
  EXPECT_EQ(e.unsupportablePenalty, 8);
  EXPECT_EQ(m.duoBonus, 4);
  EXPECT_EQ(e.duoBonus, 8);
  EXPECT_EQ(m.majorityUnit, 6);
  EXPECT_EQ(e.majorityUnit, 12);
  EXPECT_EQ(m.lazyMargin, 300);
  EXPECT_EQ(e.lazyMargin, 200);
  // Different salts that also send a structure to different cache slots.
  EXPECT_NE((m.pawnHashSalt ^ e.pawnHashSalt) & PAWN_HASH_MASK, 0u);
}

}  // namespace
