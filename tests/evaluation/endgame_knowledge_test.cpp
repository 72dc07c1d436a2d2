// Draw recognition in small endings: the bare-minor rule, the two bitbases
// as the engine probes them (both colours), and opposite-coloured bishops.
#include "evaluation/endgame_knowledge.h"

#include "test_support.h"

namespace {

int drawIn(const char *fen, int mode) {
  test::setUp(fen);
  return recogniseDraw(mode);
}

TEST(RecogniseDraw, BareMinorPieces) {
  EXPECT_EQ(drawIn("8/8/4k3/8/8/3K4/8/8 w - -", 2), 1);
  EXPECT_EQ(drawIn("8/8/4k3/8/8/3KN3/8/8 b - -", 2), 1);
  EXPECT_EQ(drawIn("8/8/4kb2/8/8/3K4/8/8 w - -", 2), 1);
  EXPECT_EQ(drawIn("8/8/4k3/8/8/3K1R2/8/8 w - -", 2), 0);  // 500 is not below 500
  EXPECT_EQ(drawIn("8/8/4k3/8/8/2NKN3/8/8 w - -", 2), 0);  // left to the can't-win flag
  EXPECT_EQ(drawIn("8/8/4kn2/8/8/3KN3/8/8 w - -", 2), 0);
  // The alpha-beta search reaches the same rule below five pieces.
  EXPECT_EQ(drawIn("8/8/4k3/8/8/3KN3/8/8 b - -", 0), 1);
}

TEST(RecogniseDraw, PieceCountGate) {
  // Six pieces: no test at all, even for a dead draw.
  EXPECT_EQ(drawIn("8/8/2n1kn2/8/8/2NKN3/8/8 w - -", 0), 0);
  // Five pieces without exactly one white bishop.
  EXPECT_EQ(drawIn("8/8/4k3/4p3/8/3KN3/2n5/8 w - -", 0), 0);
  EXPECT_EQ(drawIn("8/8/4k3/8/8/3K4/8/8 w - -", 7), 0);  // unknown mode
}

TEST(KingPawnKing, BitbaseExampleBothColours) {
  // King e5, pawn e4 against king e7: a draw with the pawn's side to move
  // (it must give up the opposition), a win with the defender to move.
  test::setUp("8/4k3/8/4K3/4P3/8/8/8 w - -");
  EXPECT_EQ(kpkDrawWhite(), 1);
  EXPECT_EQ(recogniseDraw(2), 1);
  test::setUp("8/4k3/8/4K3/4P3/8/8/8 b - -");
  EXPECT_EQ(kpkDrawWhite(), 0);
  EXPECT_EQ(recogniseDraw(0), 0);
  // The same for Black, on the board turned round.
  test::setUp("8/8/8/4p3/4k3/8/4K3/8 b - -");
  EXPECT_EQ(kpkDrawBlack(), 1);
  EXPECT_EQ(recogniseDraw(2), 1);
  test::setUp("8/8/8/4p3/4k3/8/4K3/8 w - -");
  EXPECT_EQ(kpkDrawBlack(), 0);
}

TEST(KingPawnKing, RookPawnAndTheSquare) {
  // The defender on move steps into the square of the a-pawn and reaches the corner.
  EXPECT_EQ(drawIn("8/8/8/5k2/P7/8/8/7K b - -", 2), 1);
  // With the pawn's side on move it runs out of the square.
  EXPECT_EQ(drawIn("8/8/8/5k2/P7/8/8/7K w - -", 2), 0);
  // Mirrored for a black pawn.
  EXPECT_EQ(drawIn("7k/8/8/p7/5K2/8/8/8 w - -", 2), 1);
  EXPECT_EQ(drawIn("7k/8/8/p7/5K2/8/8/8 b - -", 2), 0);
  // Two pawns, or a piece beside the pawn other than one bishop: no answer.
  EXPECT_EQ(drawIn("8/8/8/4k3/P7/P7/8/7K b - -", 2), 0);
  EXPECT_EQ(drawIn("8/8/8/4k3/P7/8/8/6NK b - -", 2), 0);
}

TEST(WrongBishop, CornerOfTheWrongColour) {
  // h-pawn, defender on h8 (a dark square); a light bishop never drives it out.
  test::setUp("7k/8/8/7P/8/3B4/8/4K3 w - -");
  EXPECT_EQ(wrongBishopWhite(), 1);
  EXPECT_EQ(recogniseDraw(2), 1);
  // A dark bishop wins: it covers h8's colour.
  test::setUp("7k/8/8/7P/8/4B3/8/4K3 w - -");
  EXPECT_EQ(wrongBishopWhite(), 0);
  // Light bishop but the defender far away and unable to catch the pawn.
  test::setUp("8/8/8/7P/8/3B4/8/k3K3 w - -");
  EXPECT_EQ(wrongBishopWhite(), 0);
  // a-pawn with a bishop of a1's colour and the king on a8.
  test::setUp("k7/8/8/P7/8/8/8/2B1K3 b - -");
  EXPECT_EQ(wrongBishopWhite(), 1);
  // A centre pawn is never asked about.
  test::setUp("k7/8/8/3P4/8/8/8/2B1K3 b - -");
  EXPECT_EQ(wrongBishopWhite(), 0);
}

TEST(WrongBishop, BlackMirrorsWhite) {
  const char *pairs[][2] = {
      {"7k/8/8/7P/8/3B4/8/4K3 w - -", "4k3/8/3b4/8/7p/8/8/7K b - -"},
      {"7k/8/8/7P/8/4B3/8/4K3 w - -", "4k3/8/4b3/8/7p/8/8/7K b - -"},
      {"k7/8/8/P7/8/8/8/2B1K3 b - -", "2b1k3/8/8/8/p7/8/8/K7 w - -"},
      {"8/8/8/7P/8/3B4/8/k3K3 w - -", "K3k3/8/3b4/8/7p/8/8/8 b - -"},
  };
  for (auto &pair : pairs) {
    test::setUp(pair[0]);
    int white = wrongBishopWhite();
    test::setUp(pair[1]);
    EXPECT_EQ(wrongBishopBlack(), white) << pair[1];
    EXPECT_EQ(recogniseDraw(2), white) << pair[1];
  }
}

TEST(OppositeBishops, KingBlockadeOnTheOtherColour) {
  // Black king on e6, in front of the pawn, a light square; White's bishop is dark.
  EXPECT_EQ(drawIn("8/8/4k3/4P3/8/3b4/8/2B1K3 b - -", 0), 1);
  EXPECT_EQ(drawIn("8/8/4k3/4P3/8/3b4/8/2B1K3 b - -", 1), 1);
  // The pawn's side to move: no answer.
  EXPECT_EQ(drawIn("8/8/4k3/4P3/8/3b4/8/2B1K3 w - -", 0), 0);
  // Bishops of the same colour.
  EXPECT_EQ(drawIn("8/8/4k3/4P3/8/3b4/8/3BK3 b - -", 0), 0);
  // The defender's bishop guards the path, but the defender is in check.
  EXPECT_EQ(drawIn("6b1/8/3k4/5P2/8/8/8/2B4K b - -", 0), 1);
  EXPECT_EQ(drawIn("6b1/8/4k3/5P2/8/8/8/2B4K b - -", 0), 0);
  // Black's pawn, White to move: the mirror.
  EXPECT_EQ(drawIn("2b1k3/8/3B4/8/4p3/4K3/8/8 w - -", 0), 1);
}

TEST(OppositeBishops, BishopGuardsThePath) {
  // The light bishop on g4 watches e6; White's king is far and on the edge.
  EXPECT_EQ(drawIn("k7/8/8/4P3/6b1/8/8/2B4K b - -", 0), 1);
  // The strong king next to the bishop chases it.
  EXPECT_EQ(drawIn("k7/8/8/4P3/6bK/8/8/2B5 b - -", 0), 0);
  // King at distance 2: the next rules decide only when the bishop stands
  // three squares or more from the pawn.
  EXPECT_EQ(drawIn("k7/8/8/8/3P2b1/8/7K/2B5 b - -", 0), 1);
  EXPECT_EQ(drawIn("k7/8/8/8/4P1b1/8/7K/2B5 b - -", 0), 0);
  // The defending king in a corner close to the strong king, and far from it.
  EXPECT_EQ(drawIn("7k/8/6K1/4P3/8/8/b7/2B5 b - -", 0), 0);
  EXPECT_EQ(drawIn("k7/8/6K1/4P3/8/8/b7/2B5 b - -", 0), 1);
  // Neither the bishop nor its lines touch the path.
  EXPECT_EQ(drawIn("k7/8/8/4P3/8/8/6b1/2B3K1 b - -", 0), 0);
}

}  // namespace
