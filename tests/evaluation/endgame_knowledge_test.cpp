// Draw recognition in small endings: the bare-minor rule, the two bitbases
// as the engine probes them (both colours), and opposite-coloured bishops.
#include "evaluation/endgame_knowledge.h"

#include "test_support.h"

namespace {

TEST(RecogniseDraw, SmallEndings) {
  const std::tuple<const char *, int, int> cases[] = {  // FEN, mode, draw
      // Bare kings and a lone minor piece; the alpha-beta search (mode 0)
      // reaches the same rule.
      {"8/8/4k3/8/8/3K4/8/8 w - -", 2, 1}, {"8/8/4k3/8/8/3KN3/8/8 b - -", 2, 1}, {"8/8/4kb2/8/8/3K4/8/8 w - -", 2, 1},
      {"8/8/4k3/8/8/3KN3/8/8 b - -", 0, 1},
      // A rook (500 is not below 500), two knights (left to the can't-win
      // flag), a minor piece each.
      {"8/8/4k3/8/8/3K1R2/8/8 w - -", 2, 0}, {"8/8/4k3/8/8/2NKN3/8/8 w - -", 2, 0},
      {"8/8/4kn2/8/8/3KN3/8/8 w - -", 2, 0},
      // Six pieces: no test at all; five without exactly one white bishop;
      // an unknown mode.
      {"8/8/2n1kn2/8/8/2NKN3/8/8 w - -", 0, 0}, {"8/8/4k3/4p3/8/3KN3/2n5/8 w - -", 0, 0},
      {"8/8/4k3/8/8/3K4/8/8 w - -", 7, 0},
      // A rook's pawn with a bishop that cannot cover the corner, for either
      // colour.  (The slow tests compare every placement of this bitbase and
      // of king and pawn against king through recogniseDraw, both colours.)
      {"7k/8/8/7P/8/3B4/8/4K3 w - -", 2, 1}, {"4k3/8/3b4/8/7p/8/8/7K b - -", 2, 1},
      // Two pawns, or a piece beside the pawn other than one bishop, or a
      // bishop beside a centre pawn: no answer.
      {"8/8/8/4k3/P7/P7/8/7K b - -", 2, 0}, {"8/8/8/4k3/P7/8/8/6NK b - -", 2, 0},
      {"k7/8/8/3P4/8/8/8/2B1K3 b - -", 2, 0},
      // Opposite bishops: the black king on e6 in front of the pawn, a light
      // square, against White's dark bishop; not with the pawn's side to
      // move, nor with bishops of one colour.
      {"8/8/4k3/4P3/8/3b4/8/2B1K3 b - -", 0, 1}, {"8/8/4k3/4P3/8/3b4/8/2B1K3 b - -", 1, 1},
      {"8/8/4k3/4P3/8/3b4/8/2B1K3 w - -", 0, 0}, {"8/8/4k3/4P3/8/3b4/8/3BK3 b - -", 0, 0},
      {"2b1k3/8/3B4/8/4p3/4K3/8/8 w - -", 0, 1},  // Black's pawn, White to move
      // The defender's bishop guards the path, but the defender is in check.
      {"6b1/8/3k4/5P2/8/8/8/2B4K b - -", 0, 1}, {"6b1/8/4k3/5P2/8/8/8/2B4K b - -", 0, 0},
      // The light bishop on g4 watches e6; White's king is far and on the
      // edge.  The strong king next to the bishop chases it.
      {"k7/8/8/4P3/6b1/8/8/2B4K b - -", 0, 1}, {"k7/8/8/4P3/6bK/8/8/2B5 b - -", 0, 0},
      // King at distance 2: the next rules decide only when the bishop stands
      // three squares or more from the pawn.
      {"k7/8/8/8/3P2b1/8/7K/2B5 b - -", 0, 1}, {"k7/8/8/8/4P1b1/8/7K/2B5 b - -", 0, 0},
      // The defending king in a corner close to the strong king, and far from it.
      {"7k/8/6K1/4P3/8/8/b7/2B5 b - -", 0, 0}, {"k7/8/6K1/4P3/8/8/b7/2B5 b - -", 0, 1},
      // Neither the bishop nor its lines touch the path.
      {"k7/8/8/4P3/8/8/6b1/2B3K1 b - -", 0, 0},
  };
  for (const auto &[fen, mode, draw] : cases) {
    test::setUp(fen);
    EXPECT_EQ(recogniseDraw(mode), draw) << fen << " mode " << mode;
  }
}

}  // namespace
