// Setting up positions: FEN text and its bad forms, the castling and en
// passant fields.  (The start position of a new game is played through in
// the shell tests.)
#include "position_checks.h"

namespace {

using test::square;

// FEN text may end early; the castling field takes KQkq or file letters,
// but only corner rooks with the king on its square keep a right.
TEST(Setup, SideAndCastlingFields) {
  const std::tuple<const char *, int, int> cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -", BLACK, 15},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - -", WHITE, 0},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w Kq", WHITE, 1 | 8},  // ends right after the letters
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR", WHITE, 15},          // the reset values stay
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w", WHITE, 0}, {"r3k2r/8/8/8/8/8/8/R3K2R w HAha -", WHITE, 15},
      {"4k3/8/8/8/8/8/8/1R2K2R w Kb -", WHITE, 1},         // b1 is no corner
      {"r3k3/8/8/8/8/8/7R/R3K3 w KQkq -", WHITE, 2 | 8},   // rooks missing from h1 and h8
      {"r3k2r/8/8/8/8/8/8/R4K1R w KQkq -", WHITE, 4 | 8},  // the king is not on e1
      {"4k3/8/8/8/8/8/8/4K1R1 w K -", WHITE, 0},           // a rook on g1 is no castling rook
  };
  for (const auto &[fen, side, rights] : cases) {
    test::setUp(fen);
    EXPECT_EQ(pos.sideToMove, side) << fen;
    EXPECT_EQ(pos.castleRights, rights) << fen;
    test::expectConsistent(fen);
    for (Move m : test::legalMoves()) EXPECT_TRUE(!(m & MOVE_CASTLE) || rights) << fen;
  }
  test::setUp("4k3/8/8/8/8/8/8/1R2K2R w Kb -");
  EXPECT_EQ(pos.queenRookSquare[WHITE], -1);
  test::setUp("r3k3/8/8/8/8/8/7R/R3K3 w KQkq -");
  EXPECT_EQ(pos.kingRookSquare[WHITE], -1);
}

// An en passant square only after a real double push with a pawn beside it
// to take: then a FEN and the same position reached by moves have the same key.
TEST(Setup, EnPassantSquareOnlyAfterARealDoublePush) {
  const std::tuple<const char *, const char *, const char *, int> cases[] = {
      {"4k3/8/8/8/3p4/8/4P3/4K3 w - -", "e2e4", "4k3/8/8/8/3pP3/8/8/4K3 b - e3", square("e3")},
      {"4k3/8/8/8/8/8/4P3/4K3 w - -", "e2e4", "4k3/8/8/8/4P3/8/8/4K3 b - e3", -1},  // nothing to take
  };
  for (const auto &[before, move, after, epSquare] : cases) {
    test::setUp(before);
    ASSERT_TRUE(makeMove(test::findMove(move)));
    EXPECT_EQ(pos.epSquare, epSquare);
    const HashKey byMoves = pos.hashKey;
    test::setUp(after);
    EXPECT_EQ(pos.epSquare, epSquare) << after;
    EXPECT_EQ(pos.hashKey, byMoves) << after;
  }
  // The wrong side to move, a square off ranks 3 and 6, or an occupied
  // square behind: no en passant square.
  for (const char *fen :
       {"4k3/8/8/8/3pP3/8/8/4K3 w - e3", "4k3/8/8/8/3pP3/8/8/4K3 b - e4", "4k3/8/8/8/3pP3/8/4N3/4K3 b - e3"}) {
    test::setUp(fen);
    EXPECT_EQ(pos.epSquare, -1) << fen;
    EXPECT_EQ(pos.hashKey, computeHashKey()) << fen;
  }
}

TEST(Setup, BadPlacementLeavesThePositionUnchanged) {
  const char *const kiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";
  test::setUp(kiwipete);
  const test::Snapshot before = test::Snapshot::take();
  int32_t pieces[64], colours[64];
  std::memcpy(pieces, startPieces, sizeof pieces);
  std::memcpy(colours, startColours, sizeof colours);
  for (const char *fen : {
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq -",        // seven ranks
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN8 w - -",  // a digit running past h1
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN8 w",
           "rnbqkbnr/pppp?ppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - -",  // garbage inside a rank
           "",
           "        ",
           "9/8/8/8/8/8/8/8 w - -",
       }) {
    EXPECT_EQ(setupFromFen(fen), FEN_BAD_PLACEMENT) << fen;
    EXPECT_TRUE(test::Snapshot::take() == before) << fen;
    EXPECT_EQ(std::memcmp(pieces, startPieces, sizeof pieces), 0) << fen;
    EXPECT_EQ(std::memcmp(colours, startColours, sizeof colours), 0) << fen;
  }
  // Placement stops at h1; unknown letters in the piece ranges are pawns;
  // leading blanks are skipped.
  EXPECT_EQ(setupFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNRR w - -"), FEN_OK);
  EXPECT_EQ(setupFromFen("  4k3/8/8/8/8/8/4c3/4K3 w - -"), FEN_OK);
  EXPECT_EQ(pos.board[square("e2")], pieceWord(BLACK, PAWN));
}

TEST(Setup, UnplayablePositionsAreRefused) {
  test::setUp();
  const test::Snapshot before = test::Snapshot::take();
  for (const char *fen : {
           "8/8/8/8/8/8/8/4K3 w - -",                    // no black king
           "4k3/8/8/8/8/8/8/4K2K w - -",                 // two white kings
           "4k3/8/8/8/8/8/8/4K2P w - -",                 // pawn on the first rank
           "3Pk3/8/8/8/8/8/8/4K3 b - -",                 // pawn on the last rank
           "4k3/8/8/8/8/8/4r3/4K3 b - -",                // side not to move in check
           "QQQQk3/QQQQ4/QQQQ4/QQQQ4/Q7/8/8/4K3 w - -",  // seventeen white pieces
       }) {
    EXPECT_EQ(setupFromFen(fen), FEN_UNPLAYABLE) << fen;
    EXPECT_TRUE(test::Snapshot::take() == before) << fen;
  }
  // The side to move may be in check.
  EXPECT_EQ(setupFromFen("4k3/8/8/8/8/8/4r3/4K3 w - -"), FEN_OK);
  EXPECT_EQ(pos.checkInfo[0], uint32_t(square("e2")));
}

}  // namespace
