// Piece activity and king safety: exact sums of small positions, worked out
// term by term, and the king shelter cached in the pawn-hash entry.
#include "evaluation_fixture.h"

namespace {

using test::currentPawnEntry;
using test::fullEvaluation;
using test::setUpEvaluation;
using test::square;

TEST(Pieces, ExactSums) {
  const std::tuple<const char *, int, int> cases[] = {  // FEN, position and mobility scores
      // Rook d1: 20 (a rook above it, fewer than five pawns) + 5 connected,
      // rank mobility 5.  Rook d2: 15, mobility 6 + 7.  Kings on g1 and g8
      // (-15 each) cancel.
      {"6k1/8/8/8/8/8/3R4/3R2K1 w - -", 40, 18}, {"3r2k1/3r4/8/8/8/8/8/6K1 w - -", -40, -18},
      // Bishop a7 (-2) shut in by b6 and c7: 64 + 64.  Its one free square b8
      // counts 2 on the doubled diagonal scale.  Pawns only on the b- and
      // c-files: both kings read the queen-side endgame row (-30 on h1/h8).
      {"7k/B1p5/1p6/8/8/8/8/7K w - -", -130, 2}, {"7k/8/8/8/8/1P6/b1P5/7K w - -", 130, -2},
      {"7k/B7/1p6/8/8/8/8/7K w - -", -66, 2},  // shut in by b6 alone: 64
      // Knight e4 (12) with d6 and f6 covered by the e7 pawn: 4 each less 1
      // on a good square; six free targets weigh 14.
      {"7k/4p3/8/8/4N3/8/8/K7 w - -", 6, 14},
      // Knight h4 (-5) with g6 and f5 covered: the full 4 each.
      {"7k/7p/4p3/8/7N/8/8/K7 w - -", -13, 4},
      // Knight d4 (12) hits four pawns no pawn protects (fork bonus 13,
      // weights 12); its other four targets are covered by those pawns (16,
      // less 4 on a good square).
      {"7k/8/2p1p3/8/3N4/1p3p2/8/K7 w - -", 13, 12},
  };
  for (const auto &[fen, position, mobility] : cases) {
    setUpEvaluation(fen);
    const PieceScores s = evaluatePieces(currentPawnEntry());
    EXPECT_EQ(std::pair(s.pos, s.mob), std::pair(position, mobility)) << fen;
  }
  auto piecesOf = [](const char *fen) {
    setUpEvaluation(fen);
    return evaluatePieces(currentPawnEntry()).pos;
  };
  // With five pawns or more the rear rook gets 25 instead of 20.
  EXPECT_EQ(piecesOf("6k1/8/8/8/8/PPP2PPP/3R4/3R2K1 w - -") - piecesOf("6k1/8/8/8/8/PP4PP/3R4/3R2K1 w - -"), 5);
}

// The shelter byte of a king square, as the evaluation caches it.
int shelter(const char *fen, int colour, const char *king) {
  setUpEvaluation(fen);
  fullEvaluation();
  return currentPawnEntry().shelter[colour][square(king)];
}

TEST(KingShelter, PawnsInFrontOfTheKing) {
  // Kings on g1 and g8 behind f-, g- and h-pawns on their home squares: the
  // enemy pawns are too far away to count.
  EXPECT_EQ(shelter("r2q1rk1/pppppppp/8/8/8/8/PPPPPPPP/R2Q1RK1 w - -", WHITE, "g1"), 0);
  // Without Black's king-side pawns: 15 for each file open to the enemy,
  // and 30 for each file without own pawns.
  EXPECT_EQ(shelter("r2q1rk1/ppppp3/8/8/8/8/PPPPPPPP/R2Q1RK1 w - -", WHITE, "g1"), 45);
  EXPECT_EQ(shelter("r2q1rk1/ppppp3/8/8/8/8/PPPPPPPP/R2Q1RK1 w - -", BLACK, "g8"), 90);
  // King h1: the missing file beyond h reads as a pawn in front (0) for the
  // own side and as no pawn (15) for the enemy.  h3 (two ranks in front) 5,
  // g2 0, and 15 for each of the g-, h- and missing files.
  EXPECT_EQ(shelter("r2q1rk1/ppppp3/8/8/8/7P/PPPPPPP1/R2Q1R1K w - -", WHITE, "h1"), 50);
  // The storm, not colour-symmetric: a black king on g8 with white pawns on
  // g5 and g3 reads 7 more than the mirror, a white king on g1 with black
  // pawns on g4 and g6.
  EXPECT_EQ(shelter("r2q1rk1/8/8/6P1/8/6P1/8/R2QK2R w - -", BLACK, "g8") -
                shelter("r2qk2r/8/6p1/8/6p1/8/8/R2Q1RK1 b - -", WHITE, "g1"),
            7);
}

}  // namespace
