// Making and unmaking moves: every incremental field against a from-scratch
// recomputation over random games, and the legality filter's cases.
#include <random>

#include "position/keys.h"
#include "position_checks.h"
#include "test_support.h"

namespace {

using test::findMove;
using test::square;

const char *const playoutStarts[] = {
    test::startFen,
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
};

// Random games with take-backs and null moves: after every step the position
// agrees with a recomputation from its board, and unwinding the whole game
// restores every field.
TEST(MakeMove, RandomGamesKeepEveryFieldConsistent) {
  std::mt19937 rng(20261206);
  for (const char *fen : playoutStarts) {
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

// Every pseudo-legal move that makeMove refuses leaves the position as it
// was, and every one it accepts is legal by an independent test.
TEST(MakeMove, RefusedMovesChangeNothingAndAcceptedMovesAreLegal) {
  std::mt19937 rng(7);
  for (const char *fen : playoutStarts) {
    test::setUp(fen);
    for (int step = 0; step < 60; step++) {
      generateMoves();
      const std::vector<MoveEntry> list = test::currentList();
      const test::Snapshot here = test::Snapshot::take();
      std::vector<Move> legal;
      for (const MoveEntry &e : list) {
        if (makeMove(e.move)) {
          const int mover = pos.opponent;
          EXPECT_EQ(findAttacker(pos.kingSquare[mover], pos.sideToMove), NO_SQUARE)
              << moveToCoordinates(e.move) << " leaves the king attacked";
          unmakeMove();
          legal.push_back(e.move);
        }
        ASSERT_TRUE(test::Snapshot::take() == here) << moveToCoordinates(e.move);
      }
      if (legal.empty()) break;
      ASSERT_TRUE(makeMove(legal[rng() % legal.size()]));
    }
  }
}

TEST(MakeMove, DoublePushSetsEnPassantOnlyWhenACaptureExists) {
  test::setUp("4k3/8/8/8/8/8/4P3/4K3 w - -");
  ASSERT_TRUE(makeMove(findMove("e2e4")));
  EXPECT_EQ(pos.epSquare, -1);
  EXPECT_EQ(pos.hashKey, computeHashKey());
  test::setUp("4k3/8/8/8/3p4/8/4P3/4K3 w - -");
  ASSERT_TRUE(makeMove(findMove("e2e4")));
  EXPECT_EQ(pos.epSquare, square("e3"));
  EXPECT_EQ(pos.hashKey, computeHashKey());
}

TEST(MakeMove, EnPassantThatOpensTheKingsRankIsRefused) {
  // Black has just played d7-d5; taking exd6 would open the fifth rank.
  test::setUp("4k3/8/8/r2pP2K/8/8/8/8 w - d6");
  ASSERT_EQ(pos.epSquare, square("d6"));
  EXPECT_EQ(findMove("e5d6"), 0u);
  // With a white knight on c5 the rank stays closed.
  test::setUp("4k3/8/8/r1NpP2K/8/8/8/8 w - d6");
  EXPECT_NE(findMove("e5d6"), 0u);
  // The captured pawn nearer the king, the capturer farther away.
  test::setUp("4k3/8/8/K2pP2r/8/8/8/8 w - d6");
  EXPECT_EQ(findMove("e5d6"), 0u);
}

TEST(MakeMove, CastlingThroughAttackedSquares) {
  const char *base = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -";
  test::setUp(base);
  EXPECT_NE(findMove("e1g1"), 0u);
  EXPECT_NE(findMove("e1c1"), 0u);
  test::setUp("r3k2r/8/8/8/8/8/5r2/R3K2R w KQkq -");  // f1 attacked
  EXPECT_EQ(findMove("e1g1"), 0u);
  test::setUp("r3k2r/8/8/8/8/8/6n1/R3K2R w KQkq -");  // knight g2 attacks e1: in check
  EXPECT_EQ(findMove("e1g1"), 0u);
  EXPECT_EQ(findMove("e1c1"), 0u);
  test::setUp("r3k2r/8/8/8/8/8/1r6/R3K2R w KQkq -");  // only b1 attacked: queen side still allowed
  EXPECT_NE(findMove("e1c1"), 0u);
  test::setUp("r3k2r/8/8/8/8/8/3r4/R3K2R w KQkq -");  // d1 attacked
  EXPECT_EQ(findMove("e1c1"), 0u);
  // Castling moves the rook and both keys follow.
  test::setUp(base);
  ASSERT_TRUE(makeMove(findMove("e1g1")));
  EXPECT_EQ(pos.board[square("f1")], pieceWord(WHITE, ROOK));
  EXPECT_EQ(pos.board[square("h1")], EMPTY);
  EXPECT_EQ(pos.castleRights, 4 | 8);
  test::expectConsistent("after O-O");
  // Generated castling is offered even in check; makeMove refuses it.
  test::setUp("r3k2r/8/8/8/8/8/4r3/R3K2R w KQkq -");
  generateAll();
  bool offered = false;
  for (const MoveEntry &e : test::currentList())
    if (e.move & MOVE_CASTLE) {
      offered = true;
      EXPECT_EQ(makeMove(e.move), 0);
    }
  EXPECT_TRUE(offered);
}

TEST(MakeMove, KingMayNotTakeAProtectedPiece) {
  test::setUp("4k3/8/8/8/8/3p4/3Kp3/8 w - -");
  const test::Snapshot before = test::Snapshot::take();
  const Move takeProtected = makeMoveWord(square("d2"), square("e2"), MOVE_CAPTURE);
  EXPECT_EQ(makeMove(takeProtected), 0);
  EXPECT_TRUE(test::Snapshot::take() == before);
}

TEST(MakeMove, PromotionWithCaptureIsUndoneCompletely) {
  test::setUp("1r2k3/P7/8/8/8/8/8/4K3 w - -");
  const test::Snapshot before = test::Snapshot::take();
  const Move m = findMove("a7b8q");
  ASSERT_NE(m, 0u);
  ASSERT_TRUE(makeMove(m));
  EXPECT_EQ(pos.material[WHITE], 950);
  EXPECT_EQ(pos.material[BLACK], 0);
  EXPECT_EQ(pos.pieceBits[WHITE][QUEEN], squareBit[square("b8")]);
  EXPECT_EQ(pos.pieceBits[WHITE][PAWN], 0u);
  test::expectConsistent("after axb8=Q");
  unmakeMove();
  EXPECT_TRUE(test::Snapshot::take() == before);
}

TEST(MakeMove, CastlingRightsFollowRookMovesAndCaptures) {
  test::setUp("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
  const HashKey before = pos.hashKey;
  ASSERT_TRUE(makeMove(findMove("h1h2")));
  EXPECT_EQ(pos.castleRights, 14);
  EXPECT_EQ(pos.hashKey ^ sideKey ^ pieceKeyOf(WHITE, ROOK, square("h1")) ^ pieceKeyOf(WHITE, ROOK, square("h2")),
            before ^ castleKey[15] ^ castleKey[14]);
  test::setUp("r3k2r/8/8/8/8/8/8/R3K2R w KQkq -");
  ASSERT_TRUE(makeMove(findMove("a1a8")));
  EXPECT_EQ(pos.castleRights, 1 | 4);
}

TEST(MakeMove, CheckStateAfterMoves) {
  // En passant that opens the black king's rank through both pawn squares:
  // one checker, the rook.
  test::setUp("8/8/8/R2pP2k/8/8/8/4K3 w - d6");
  ASSERT_TRUE(makeMove(findMove("e5d6")));
  EXPECT_EQ(pos.checkInfo[pos.gamePly], uint32_t(square("a5")));
  // A knight move that checks and uncovers a bishop check: double check.
  test::setUp("7k/8/8/4N3/8/8/8/B3K3 w - -");
  ASSERT_TRUE(makeMove(findMove("e5f7")));
  EXPECT_TRUE(pos.checkInfo[pos.gamePly] & CHECK_DOUBLE);
  // Castling with check from the rook on the file.
  test::setUp("5k2/8/8/8/8/8/8/4K2R w K -");
  ASSERT_TRUE(makeMove(findMove("e1g1")));
  EXPECT_EQ(pos.checkInfo[pos.gamePly], uint32_t(square("f1")));
  // Promotion to a knight that checks.
  test::setUp("8/4P1k1/8/8/8/8/8/4K3 w - -");
  ASSERT_TRUE(makeMove(findMove("e7e8n")));
  EXPECT_EQ(pos.checkInfo[pos.gamePly], uint32_t(square("e8")));
}

TEST(MakeMove, NullMoveIsUndone) {
  test::setUp("4k3/8/8/8/3pP3/8/8/4K3 b - e3");
  const test::Snapshot before = test::Snapshot::take();
  makeNullMove();
  EXPECT_EQ(pos.epSquare, -1);
  EXPECT_EQ(pos.fiftyCount, 0);
  EXPECT_EQ(pos.sideToMove, WHITE);
  EXPECT_EQ(pos.hashKey, computeHashKey());
  EXPECT_EQ(uint32_t(pos.plyRecords[0].hashKey), 0u);  // never matches a repetition
  unmakeMove();
  EXPECT_TRUE(test::Snapshot::take() == before);
}

}  // namespace

namespace {

TEST(MakeMove, CastlingWordWithoutRightOrRookIsRefused) {
  // A castling word that did not come from the generator (text from a GUI).
  const Move kingSide = makeMoveWord(test::square("e1"), test::square("g1"), MOVE_KING_CASTLE);
  for (const char *fen : {"4k3/8/8/8/8/8/8/4K3 w - -", "4k3/8/8/8/8/8/8/4K2R w - -", "4k3/8/8/8/8/8/8/4KN1R w K -"}) {
    test::setUp(fen);
    const test::Snapshot before = test::Snapshot::take();
    EXPECT_EQ(makeMove(kingSide), 0) << fen;
    EXPECT_TRUE(test::Snapshot::take() == before) << fen;
  }
  test::setUp("4k3/8/8/8/8/8/8/4K2R w K -");
  EXPECT_EQ(makeMove(kingSide), 1);
}

}  // namespace
