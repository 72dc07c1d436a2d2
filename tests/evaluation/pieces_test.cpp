// Piece activity and king safety: exact sums of small positions, worked out
// term by term, and the king shelter cached in the pawn-hash entry.
#include "evaluation_fixture.h"

namespace {

using test::currentPawnEntry;
using test::fullEvaluation;
using test::setUpEvaluation;
using test::square;

PieceScores piecesOf(const char *fen) {
  setUpEvaluation(fen);
  return evaluatePieces(currentPawnEntry());
}

TEST(Pieces, DoubledRooksOnAnOpenFile) {
  // Rook d1: 20 (a rook above it, fewer than five pawns) + 5 connected,
  // rank mobility 5.  Rook d2: 15, mobility 6 + 7.  Kings on g1 and g8
  // (-15 each) cancel.
  PieceScores s = piecesOf("6k1/8/8/8/8/8/3R4/3R2K1 w - -");
  EXPECT_EQ(s.pos, 40);
  EXPECT_EQ(s.mob, 18);
  s = piecesOf("3r2k1/3r4/8/8/8/8/8/6K1 w - -");
  EXPECT_EQ(s.pos, -40);
  EXPECT_EQ(s.mob, -18);
  // With five pawns or more the rear rook gets 25.
  int four = piecesOf("6k1/8/8/8/8/PP4PP/3R4/3R2K1 w - -").pos;
  int six = piecesOf("6k1/8/8/8/8/PPP2PPP/3R4/3R2K1 w - -").pos;
  EXPECT_EQ(six - four, 5);
}

TEST(Pieces, TrappedBishop) {
  // Bishop a7 (-2) shut in by b6 and c7: 64 + 64.  Its one free square b8
  // counts 2 on the doubled diagonal scale.  Pawns only on the b- and
  // c-files: both kings read the queen-side endgame row (-30 on h1/h8).
  PieceScores s = piecesOf("7k/B1p5/1p6/8/8/8/8/7K w - -");
  EXPECT_EQ(s.pos, -130);
  EXPECT_EQ(s.mob, 2);
  EXPECT_EQ(piecesOf("7k/B7/1p6/8/8/8/8/7K w - -").pos, -66);
  // Black's bishop on a2 behind b3 and c2.
  s = piecesOf("7k/8/8/8/8/1P6/b1P5/7K w - -");
  EXPECT_EQ(s.pos, 130);
  EXPECT_EQ(s.mob, -2);
}

TEST(Pieces, KnightUnsafeTargets) {
  // Knight e4 (12) with d6 and f6 covered by the e7 pawn: 4 each less 1 on a
  // good square; six free targets weigh 14.
  PieceScores s = piecesOf("7k/4p3/8/8/4N3/8/8/K7 w - -");
  EXPECT_EQ(s.pos, 6);
  EXPECT_EQ(s.mob, 14);
  // Knight h4 (-5) with g6 and f5 covered: the full 4 each.
  s = piecesOf("7k/7p/4p3/8/7N/8/8/K7 w - -");
  EXPECT_EQ(s.pos, -13);
  EXPECT_EQ(s.mob, 4);
}

TEST(Pieces, KnightHitsLoosePawns) {
  // Knight d4 hits four pawns no pawn protects (fork bonus 13, weights 12);
  // its other four targets are covered by those pawns (16, less 4 on a good
  // square); piece-square value 12.
  PieceScores s = piecesOf("7k/8/2p1p3/8/3N4/1p3p2/8/K7 w - -");
  EXPECT_EQ(s.pos, 13);
  EXPECT_EQ(s.mob, 12);
}

TEST(KingShelter, PawnsInFrontOfACastledKing) {
  // Kings on g1 and g8 behind f-, g- and h-pawns on their home squares: the
  // enemy pawns are too far away to count.
  setUpEvaluation("r2q1rk1/pppppppp/8/8/8/8/PPPPPPPP/R2Q1RK1 w - -");
  fullEvaluation();
  EXPECT_EQ(currentPawnEntry().shelter[WHITE][square("g1")], 0);
  // Without Black's king-side pawns: 15 for each file open to the enemy.
  setUpEvaluation("r2q1rk1/ppppp3/8/8/8/8/PPPPPPPP/R2Q1RK1 w - -");
  fullEvaluation();
  EXPECT_EQ(currentPawnEntry().shelter[WHITE][square("g1")], 45);
  EXPECT_EQ(currentPawnEntry().shelter[BLACK][square("g8")], 90);  // no own pawns: 30 each
}

TEST(KingShelter, KingOnTheEdgeFile) {
  // King h1: the missing file beyond h reads as a pawn in front (0) for the
  // own side and as no pawn (15) for the enemy.  h3 (two ranks in front) 5,
  // g2 0, files f..h without black pawns 15 each... only g and h and the
  // missing file count: 5 + 0 + 0 + 15 + 15 + 15.
  setUpEvaluation("r2q1rk1/ppppp3/8/8/8/7P/PPPPPPP1/R2Q1R1K w - -");
  fullEvaluation();
  EXPECT_EQ(currentPawnEntry().shelter[WHITE][square("h1")], 50);
}

TEST(KingShelter, FilledLazilyAndKeptWhilePiecesMove) {
  setUpEvaluation("r2q1rk1/ppppp3/8/8/8/8/PPPPPPPP/R2Q1RK1 w - -");
  fullEvaluation();
  PawnHashEntry &entry = currentPawnEntry();
  uint32_t key = entry.key;
  int filled = 0;
  for (int c = 0; c < 2; c++)
    for (int s = 0; s < 64; s++) filled += entry.shelter[c][s] != 255;
  EXPECT_EQ(filled, 2);  // only the two king squares
  // The king steps to h1 and back: its new square is added, nothing else changes.
  Move m = test::findMove("g1h1");
  ASSERT_NE(m, 0u);
  ASSERT_TRUE(makeMove(m));
  fullEvaluation();
  EXPECT_EQ(&currentPawnEntry(), &entry);
  EXPECT_EQ(entry.key, key);
  EXPECT_EQ(entry.shelter[WHITE][square("g1")], 45);
  EXPECT_NE(entry.shelter[WHITE][square("h1")], 255);
  unmakeMove();
}

TEST(KingSafety, UncastledKingByRootSide) {
  // White has castled; only Black's e8 king is uncastled.  Its penalty is 45
  // when the engine plays Black, else 30.
  const char *fen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQ1RK1 w kq -";
  setUpEvaluation(fen);
  int none = evaluatePieces(currentPawnEntry()).pos;
  setUpEvaluation(fen);
  rootSide = BLACK;
  int engineBlack = evaluatePieces(currentPawnEntry()).pos;
  setUpEvaluation(fen);
  rootSide = WHITE;
  int engineWhite = evaluatePieces(currentPawnEntry()).pos;
  EXPECT_EQ(engineBlack - none, 15);
  EXPECT_EQ(engineWhite, none);
}

}  // namespace
