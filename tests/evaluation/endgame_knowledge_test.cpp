// Draw recognition in small endings: the bare-minor rule, the two bitbases
// as the engine probes them (both colours), and opposite-coloured bishops.
#include "evaluation/endgame_knowledge.h"

#include "test_support.h"

namespace {

TEST(RecogniseDraw, SmallEndings) {
  const struct {
    const char *fen;
    int mode, draw;
  } cases[] = {
      // Bare kings and a lone minor piece; the alpha-beta search (mode 0)
      // reaches the same rule.
      {"8/8/4k3/8/8/3K4/8/8 w - -", 2, 1},
      {"8/8/4k3/8/8/3KN3/8/8 b - -", 2, 1},
      {"8/8/4kb2/8/8/3K4/8/8 w - -", 2, 1},
      {"8/8/4k3/8/8/3KN3/8/8 b - -", 0, 1},
      {"8/8/4k3/8/8/3K1R2/8/8 w - -", 2, 0},  // 500 is not below 500
      {"8/8/4k3/8/8/2NKN3/8/8 w - -", 2, 0},  // left to the can't-win flag
      {"8/8/4kn2/8/8/3KN3/8/8 w - -", 2, 0},
      // Six pieces: no test at all; five without exactly one white bishop;
      // an unknown mode.
      {"8/8/2n1kn2/8/8/2NKN3/8/8 w - -", 0, 0},
      {"8/8/4k3/4p3/8/3KN3/2n5/8 w - -", 0, 0},
      {"8/8/4k3/8/8/3K4/8/8 w - -", 7, 0},
      // King and pawn: king e5, pawn e4 against king e7 is a draw with the
      // pawn's side to move (it must give up the opposition), a win with the
      // defender to move; the same for Black on the board turned round.
      {"8/4k3/8/4K3/4P3/8/8/8 w - -", 2, 1},
      {"8/4k3/8/4K3/4P3/8/8/8 b - -", 0, 0},
      {"8/8/8/4p3/4k3/8/4K3/8 b - -", 2, 1},
      // The defender on move steps into the square of the a-pawn and reaches
      // the corner; with the pawn's side on move it runs out of the square.
      {"8/8/8/5k2/P7/8/8/7K b - -", 2, 1},
      {"8/8/8/5k2/P7/8/8/7K w - -", 2, 0},
      {"7k/8/8/p7/5K2/8/8/8 w - -", 2, 1},
      {"7k/8/8/p7/5K2/8/8/8 b - -", 2, 0},
      // Two pawns, or a piece beside the pawn other than one bishop: no answer.
      {"8/8/8/4k3/P7/P7/8/7K b - -", 2, 0},
      {"8/8/8/4k3/P7/8/8/6NK b - -", 2, 0},
      // Opposite bishops: the black king on e6 in front of the pawn, a light
      // square, against White's dark bishop; not with the pawn's side to
      // move, nor with bishops of one colour.
      {"8/8/4k3/4P3/8/3b4/8/2B1K3 b - -", 0, 1},
      {"8/8/4k3/4P3/8/3b4/8/2B1K3 b - -", 1, 1},
      {"8/8/4k3/4P3/8/3b4/8/2B1K3 w - -", 0, 0},
      {"8/8/4k3/4P3/8/3b4/8/3BK3 b - -", 0, 0},
      {"2b1k3/8/3B4/8/4p3/4K3/8/8 w - -", 0, 1},  // Black's pawn, White to move
      // The defender's bishop guards the path, but the defender is in check.
      {"6b1/8/3k4/5P2/8/8/8/2B4K b - -", 0, 1},
      {"6b1/8/4k3/5P2/8/8/8/2B4K b - -", 0, 0},
      // The light bishop on g4 watches e6; White's king is far and on the
      // edge.  The strong king next to the bishop chases it.
      {"k7/8/8/4P3/6b1/8/8/2B4K b - -", 0, 1},
      {"k7/8/8/4P3/6bK/8/8/2B5 b - -", 0, 0},
      // King at distance 2: the next rules decide only when the bishop stands
      // three squares or more from the pawn.
      {"k7/8/8/8/3P2b1/8/7K/2B5 b - -", 0, 1},
      {"k7/8/8/8/4P1b1/8/7K/2B5 b - -", 0, 0},
      // The defending king in a corner close to the strong king, and far from it.
      {"7k/8/6K1/4P3/8/8/b7/2B5 b - -", 0, 0},
      {"k7/8/6K1/4P3/8/8/b7/2B5 b - -", 0, 1},
      // Neither the bishop nor its lines touch the path.
      {"k7/8/8/4P3/8/8/6b1/2B3K1 b - -", 0, 0},
  };
  for (const auto &c : cases) {
    test::setUp(c.fen);
    EXPECT_EQ(recogniseDraw(c.mode), c.draw) << c.fen << " mode " << c.mode;
  }
}

TEST(WrongBishop, CornerOfTheWrongColourForBothColours) {
  const struct {
    const char *white, *black;
    int draw;
  } cases[] = {
      // h-pawn, defender on h8 (a dark square): a light bishop never drives
      // it out, a dark bishop wins.
      {"7k/8/8/7P/8/3B4/8/4K3 w - -", "4k3/8/3b4/8/7p/8/8/7K b - -", 1},
      {"7k/8/8/7P/8/4B3/8/4K3 w - -", "4k3/8/4b3/8/7p/8/8/7K b - -", 0},
      // a-pawn with a bishop of a1's colour and the king on a8.
      {"k7/8/8/P7/8/8/8/2B1K3 b - -", "2b1k3/8/8/8/p7/8/8/K7 w - -", 1},
      // Light bishop, the defender far away and unable to catch the pawn.
      {"8/8/8/7P/8/3B4/8/k3K3 w - -", "K3k3/8/3b4/8/7p/8/8/8 b - -", 0},
      // A centre pawn is never asked about.
      {"k7/8/8/3P4/8/8/8/2B1K3 b - -", "2b1k3/8/8/8/3p4/8/8/K7 w - -", 0},
  };
  for (const auto &c : cases) {
    test::setUp(c.white);
    EXPECT_EQ(wrongBishopWhite(), c.draw) << c.white;
    EXPECT_EQ(recogniseDraw(2), c.draw) << c.white;
    test::setUp(c.black);
    EXPECT_EQ(wrongBishopBlack(), c.draw) << c.black;
    EXPECT_EQ(recogniseDraw(2), c.draw) << c.black;
  }
  // King and pawn for both colours through their own probes.
  test::setUp("8/4k3/8/4K3/4P3/8/8/8 w - -");
  EXPECT_EQ(kpkDrawWhite(), 1);
  test::setUp("8/8/8/4p3/4k3/8/4K3/8 w - -");
  EXPECT_EQ(kpkDrawBlack(), 0);
}

}  // namespace
