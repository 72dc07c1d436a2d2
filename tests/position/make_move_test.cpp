// Making and unmaking moves: every incremental field against a from-scratch
// recomputation over random games, and the legality filter's cases (perft
// checks that every move it accepts is legal and every refusal harmless).
#include <random>

#include "position_checks.h"
#include "random_positions.h"

namespace {

using test::findMove;
using test::square;

// Random games with take-backs and null moves: after every step the position
// agrees with a recomputation from its board, and unwinding the whole game
// restores every field.
TEST(MakeMove, RandomGamesKeepEveryFieldConsistent) {
  std::mt19937 rng(20261206);
  for (const char *fen : test::perftFens) {
    for (int game = 0; game < 12; game++) {
      test::setUp(fen);
      const test::Snapshot start = test::Snapshot::take();
      std::vector<test::Snapshot> before;
      for (int step = 0; step < 80; step++) {
        const std::vector<Move> legal = test::legalMoves();
        const test::Snapshot here = test::Snapshot::take();
        if (!before.empty() && rng() % 7 == 0) {  // take one back
          unmakeMove();
          ASSERT_TRUE(test::Snapshot::take() == before.back()) << fen << " step " << step;
          before.pop_back();
          continue;
        }
        if (pos.checkInfo[pos.gamePly] == CHECK_NONE && rng() % 9 == 0) {
          makeNullMove();
          ASSERT_EQ(pos.hashKey, computeHashKey());
          before.push_back(here);
          continue;
        }
        if (legal.empty()) break;
        ASSERT_TRUE(makeMove(legal[rng() % legal.size()]));
        before.push_back(here);
        test::expectConsistent(fen);
        if (HasFatalFailure() || HasFailure()) return;
      }
      while (!before.empty()) {
        unmakeMove();
        ASSERT_TRUE(test::Snapshot::take() == before.back());
        before.pop_back();
      }
      EXPECT_TRUE(test::Snapshot::take() == start);
    }
  }
}

// A castling word that did not come from the generator (text from a GUI)
// needs the right and the rook.
TEST(MakeMove, CastlingWordWithoutRightOrRookIsRefused) {
  const Move kingSide = makeMoveWord(square("e1"), square("g1"), MOVE_KING_CASTLE);
  for (const char *fen : {"4k3/8/8/8/8/8/8/4K3 w - -", "4k3/8/8/8/8/8/8/4K2R w - -", "4k3/8/8/8/8/8/8/4KN1R w K -"}) {
    test::setUp(fen);
    const test::Snapshot before = test::Snapshot::take();
    EXPECT_EQ(makeMove(kingSide), 0) << fen;
    EXPECT_TRUE(test::Snapshot::take() == before) << fen;
  }
  test::setUp("4k3/8/8/8/8/8/8/4K2R w K -");
  EXPECT_EQ(makeMove(kingSide), 1);
}

// The check state counts checkers, not pieces behind them, from a FEN and
// after every kind of checking move.
TEST(MakeMove, CheckState) {
  const std::tuple<const char *, const char *, uint32_t> cases[] = {
      {"4r2k/8/8/8/1b6/8/8/4K3 w - -", "", CHECK_DOUBLE},                 // rook and bishop
      {"4r2k/8/8/8/8/3n4/8/4K3 w - -", "", CHECK_DOUBLE},                 // rook and knight
      {"4r2k/8/8/4q3/8/8/8/4K3 w - -", "", uint32_t(square("e5"))},       // a rook behind the queen
      {"7k/8/8/8/b7/8/2p5/3K4 w - -", "", uint32_t(square("c2"))},        // a bishop behind the pawn
      {"8/8/8/R2pP2k/8/8/8/4K3 w - d6", "e5d6", uint32_t(square("a5"))},  // en passant opens the rank
      {"7k/8/8/4N3/8/8/8/B3K3 w - -", "e5f7", CHECK_DOUBLE},              // knight and uncovered bishop
      {"5k2/8/8/8/8/8/8/4K2R w K -", "e1g1", uint32_t(square("f1"))},     // the castled rook
      {"8/4P1k1/8/8/8/8/8/4K3 w - -", "e7e8n", uint32_t(square("e8"))},   // a knight promotion
  };
  for (const auto &[fen, move, expected] : cases) {
    test::setUp(fen);
    if (move[0]) {
      ASSERT_TRUE(makeMove(findMove(move))) << move;
    }
    const uint32_t check = pos.checkInfo[pos.gamePly];
    EXPECT_EQ(expected == CHECK_DOUBLE ? check & CHECK_DOUBLE : check, expected) << fen << " " << move;
    test::expectConsistent(fen);
  }
}

}  // namespace
