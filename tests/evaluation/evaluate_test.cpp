// The main evaluation: the lazy exit's bounds, the can't-win flags and the
// fifty-move damping.  (The full scores of the benchmark positions, with the
// root side's cost of an uncastled king, are pinned by the node counts of
// the search tests.)
#include "evaluation_fixture.h"

namespace {

using test::fullEvaluation;
using test::setUpEvaluation;

TEST(Evaluate, CannotWinFlags) {
  const std::pair<const char *, int> cases[] = {
      // Two knights, for either side; the exchange without pawns, not with
      // one, and for Black.
      {"4k3/8/8/8/8/8/8/1NN1K3 w - -", WHITE_CANNOT_WIN}, {"1nn1k3/8/8/8/8/8/8/4K3 w - -", BLACK_CANNOT_WIN},
      {"4k3/8/8/8/2b5/8/8/R3K3 w - -", WHITE_CANNOT_WIN}, {"4k3/8/8/8/2b5/8/P7/R3K3 w - -", 0},
      {"r3k3/8/8/8/2B5/8/8/4K3 w - -", BLACK_CANNOT_WIN},
      // Two bishops beat a knight (Black's too), but not a bishop.
      {"4k3/8/3n4/8/8/8/8/2B1KB2 w - -", 0}, {"2b1kb2/8/8/8/8/3N4/8/4K3 w - -", 0},
      {"4k3/8/3b4/8/8/8/8/2B1KB2 w - -", WHITE_CANNOT_WIN},
      // A lone minor piece, even against pawns; with a pawn it may win.
      {"4k3/8/8/8/8/8/8/4KB2 w - -", WHITE_CANNOT_WIN}, {"4k3/8/8/3p4/8/8/8/4KN2 w - -", WHITE_CANNOT_WIN},
      {"4k3/8/8/8/8/8/P7/4KN2 w - -", 0},
      // A rook up; the middlegame: never.
      {"4k3/pppppppp/8/8/8/8/8/R3K3 w - -", 0}, {"rnbqkbnr/pppppppp/8/8/8/8/8/1NN1K3 w - -", 0},
      // A rook's pawn with the bishop that cannot cover the queening corner.
      {"7k/8/8/8/8/7P/8/4KB2 w - -", WHITE_CANNOT_WIN}, {"7k/8/8/8/8/7P/8/4K1B1 w - -", 0},
      {"4kb2/8/7p/8/8/8/8/7K b - -", BLACK_CANNOT_WIN}, {"4k1b1/8/7p/8/8/8/8/7K b - -", 0},
      // Knights against knights: the first rule that fits (White's) decides,
      // so only White is marked.
      {"1nn1k3/8/8/8/8/8/8/1NN1K3 w - -", WHITE_CANNOT_WIN},
  };
  for (const auto &[fen, flags] : cases) {
    setUpEvaluation(fen);
    EXPECT_EQ(cannotWinFlags(), flags) << fen;
  }
}

TEST(Evaluate, LazyExitBounds) {
  // The lazy score answers once it lies the margin outside the window:
  // beta <= lazy - margin or alpha >= lazy + margin; otherwise the full score.
  const std::tuple<const char *, int, int, int> cases[] = {  // FEN, lazy score, margin, full score
      // Black without a queen: 950 and two majors' imbalance at phase 54
      // (251); the middlegame margin.
      {"rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 1201, 300, 1205},
      {"rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -", -1201, 300, -1205},
      // A rook against a bare king: 500 plus half of 128; the endgame margin.
      {"4k3/8/8/8/8/8/8/R3K3 w - -", 564, 200, 584},
      // Two knights cannot win: both scores are quartered.  Lazy: 600 + 128
      // for the extra minor pieces.  Full: then knights -10 and -7 on their
      // corner squares, kings -20 (a1) against -30 (d4), knight mobility 12
      // at half weight: 667.
      {"N7/8/8/8/3k4/8/8/K6N w - -", 728 / 4, 200, 667 / 4}, {"N7/8/8/8/3k4/8/8/K6N b - -", -728 / 4, 200, -667 / 4},
  };
  for (const auto &[fen, lazy, margin, full] : cases) {
    setUpEvaluation(fen);
    EXPECT_EQ(test::numbers(fullEvaluation(), evaluate(-10000, lazy - margin), evaluate(-10000, lazy - margin + 1),
                            evaluate(lazy + margin, 10000), evaluate(lazy + margin - 1, 10000)),
              test::numbers(full, lazy, full, lazy, full))
        << fen;
  }
}

// An ending below phase 25 is damped once more than 84 half-moves passed,
// to (100 - count) sixteenths; an unclaimed draw past 100 half-moves scores
// 0, and the sign never turns.
TEST(Evaluate, FiftyMoveDamping) {
  const char *rook = "4k3/8/8/8/8/8/8/R3K3 w - -";
  const std::tuple<const char *, int, int> cases[] = {
      {rook, 84, 16}, {rook, 90, 10}, {rook, 99, 1}, {rook, 100, 0}, {rook, 130, 0},
      {"4k3/8/8/8/8/8/8/R3K3 b - -", 99, 1},
      {"r3k3/8/8/8/8/8/8/RNBQK3 w - -", 99, 16},  // phase 25 and more: never damped
  };
  for (const auto &[fen, count, sixteenths] : cases) {
    setUpEvaluation(fen);
    const int undamped = fullEvaluation();
    pos.fiftyCount = count;
    EXPECT_EQ(fullEvaluation(), undamped * sixteenths / 16) << fen << " " << count;
  }
}

}  // namespace
