// Setting up positions: the start arrays, FEN text and its bad forms, the
// castling and en passant fields, and the check state.
#include "position/keys.h"
#include "position_checks.h"
#include "test_support.h"

namespace {

using test::square;

HashKey startKeyFromScratch() {
  HashKey key = sideKey ^ castleKey[15];
  for (int s = 0; s < 64; s++)
    if (startPieces[s] != NO_PIECE) key ^= pieceKeyOf(startColours[s], startPieces[s], s);
  return key;
}

TEST(Setup, StartPositionHasEveryDerivedField) {
  initBoardTables();
  newGame();
  test::expectConsistent("start");
  EXPECT_EQ(pos.hashKey, startKeyFromScratch());
  PawnKey pawnKey = 0x3DA793B1;
  for (int s = 8; s < 16; s++) pawnKey ^= PawnKey(pieceKeyOf(WHITE, PAWN, s));
  for (int s = 48; s < 56; s++) pawnKey ^= PawnKey(pieceKeyOf(BLACK, PAWN, s));
  EXPECT_EQ(pos.pawnKey, pawnKey);
  EXPECT_EQ(pos.checkInfo[0], CHECK_NONE);
  EXPECT_EQ(pos.kingRookSquare[WHITE], 0);
  EXPECT_EQ(pos.kingRookSquare[BLACK], 56);
  EXPECT_EQ(pos.queenRookSquare[WHITE], 7);
  EXPECT_EQ(pos.queenRookSquare[BLACK], 63);
  for (int s = 0; s < 64; s++) {
    int expected = 15;
    if (s == square("e1")) expected = 12;
    if (s == square("e8")) expected = 3;
    if (s == square("h1")) expected = 14;
    if (s == square("a1")) expected = 13;
    if (s == square("h8")) expected = 11;
    if (s == square("a8")) expected = 7;
    EXPECT_EQ(pos.castleMask[s], expected) << s;
  }
  EXPECT_EQ(pos.material[WHITE], 3150);
  EXPECT_EQ(pos.material[BLACK], 3150);
  EXPECT_EQ(pos.pieceTotal, 32);
  for (int f = 1; f <= 8; f++) {
    EXPECT_EQ(pos.pawnFileBits[WHITE][f], 2);
    EXPECT_EQ(pos.pawnFileBits[BLACK][f], 64);
  }
  EXPECT_EQ(pos.pawnFileBits[WHITE][0] | pos.pawnFileBits[WHITE][9] | pos.pawnFileBits[BLACK][0], 0);
}

TEST(Setup, FenKeysAgreeWithTheStartAndTheSideToMove) {
  test::setUp();
  const HashKey white = pos.hashKey;
  EXPECT_EQ(white, startKeyFromScratch());
  test::setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -");
  EXPECT_EQ(pos.hashKey, white ^ sideKey);
  EXPECT_EQ(pos.sideToMove, BLACK);
  test::setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - -");
  EXPECT_EQ(pos.castleRights, 0);
  EXPECT_EQ(pos.hashKey, white ^ castleKey[15] ^ castleKey[0]);
  // Ending right after the castling letters still carries the rights' key.
  test::setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w Kq");
  EXPECT_EQ(pos.castleRights, 1 | 8);
  EXPECT_EQ(pos.hashKey, computeHashKey());
  // Ending after the placement keeps the reset values; after the side, no rights.
  test::setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR");
  EXPECT_EQ(pos.castleRights, 15);
  test::setUp("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w");
  EXPECT_EQ(pos.castleRights, 0);
  EXPECT_EQ(pos.hashKey, computeHashKey());
}

TEST(Setup, CastlingFieldWithFileLettersAndOnlyStandardRooks) {
  test::setUp("r3k2r/8/8/8/8/8/8/R3K2R w HAha -");
  EXPECT_EQ(pos.castleRights, 15);
  EXPECT_EQ(pos.kingRookSquare[WHITE], square("h1"));
  EXPECT_EQ(pos.queenRookSquare[WHITE], square("a1"));
  EXPECT_EQ(pos.kingRookSquare[BLACK], square("h8"));
  EXPECT_EQ(pos.queenRookSquare[BLACK], square("a8"));
  // "Kb": the b names a rook on b1 for White; castling only uses corner rooks,
  // so that square is forgotten and the rights stay at 1.
  test::setUp("4k3/8/8/8/8/8/8/1R2K2R w Kb -");
  EXPECT_EQ(pos.castleRights, 1);
  EXPECT_EQ(pos.queenRookSquare[WHITE], -1);
  // Rights without the rook on its corner or the king on e1 are dropped.
  test::setUp("r3k3/8/8/8/8/8/7R/R3K3 w KQkq -");
  EXPECT_EQ(pos.castleRights, 2 | 8);
  EXPECT_EQ(pos.kingRookSquare[WHITE], -1);
  test::setUp("r3k2r/8/8/8/8/8/8/R4K1R w KQkq -");
  EXPECT_EQ(pos.castleRights, 4 | 8);
  EXPECT_EQ(pos.hashKey, computeHashKey());
  // A rook on g1 must not produce castling onto an occupied square.
  test::setUp("4k3/8/8/8/8/8/8/4K1R1 w K -");
  EXPECT_EQ(pos.castleRights, 0);
  for (Move m : test::legalMoves()) EXPECT_FALSE(m & MOVE_CASTLE);
}

TEST(Setup, EnPassantSquareOnlyAfterARealDoublePush) {
  // e2-e4 with a black pawn on d4: e3 is a real en passant square.
  test::setUp("4k3/8/8/8/3pP3/8/8/4K3 b - e3");
  EXPECT_EQ(pos.epSquare, square("e3"));
  EXPECT_EQ(pos.hashKey, computeHashKey());
  const HashKey withEp = pos.hashKey;
  test::setUp("4k3/8/8/8/3pP3/8/8/4K3 b - -");
  EXPECT_EQ(withEp, pos.hashKey ^ epKey[square("e3")]);
  // The same position reached by moves has the same key.
  test::setUp("4k3/8/8/8/3p4/8/4P3/4K3 w - -");
  ASSERT_TRUE(makeMove(test::findMove("e2e4")));
  const HashKey byMoves = pos.hashKey;
  test::setUp("4k3/8/8/8/3pP3/8/8/4K3 b - e3");
  EXPECT_EQ(pos.hashKey, byMoves);
  // No pawn to capture, wrong rank for the side to move, a square off ranks
  // 3 and 6, or occupied squares behind: no en passant square.
  for (const char *fen : {"4k3/8/8/8/4P3/8/8/4K3 b - e3", "4k3/8/8/8/3pP3/8/8/4K3 w - e3",
                          "4k3/8/8/8/3pP3/8/8/4K3 b - e4", "4k3/8/8/8/3pP3/8/4N3/4K3 b - e3"}) {
    test::setUp(fen);
    EXPECT_EQ(pos.epSquare, -1) << fen;
    EXPECT_EQ(pos.hashKey, computeHashKey()) << fen;
  }
}

TEST(Setup, BadPlacementLeavesThePositionUnchanged) {
  test::setUp("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -");
  const test::Snapshot before = test::Snapshot::take();
  int32_t pieces[64], colours[64];
  std::memcpy(pieces, startPieces, sizeof pieces);
  std::memcpy(colours, startColours, sizeof colours);
  for (const char *fen : {
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq -",         // seven ranks
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN8 w - -",   // a digit running past h1
           "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNRR w - -",  // fine: placement stops at h1
           "rnbqkbnr/pppp?ppp/8/8/8/8/PPPPPPPP/RNBQKBNR w - -",   // garbage inside a rank
           "",
           "        ",
           "9/8/8/8/8/8/8/8 w - -",
       }) {
    const FenResult r = setupFromFen(fen);
    if (r == FEN_OK) {
      test::setUp("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -");
      continue;
    }
    EXPECT_TRUE(test::Snapshot::take() == before) << fen;
    EXPECT_EQ(std::memcmp(pieces, startPieces, sizeof pieces), 0) << fen;
    EXPECT_EQ(std::memcmp(colours, startColours, sizeof colours), 0) << fen;
  }
  EXPECT_EQ(setupFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq -"), FEN_BAD_PLACEMENT);
  EXPECT_EQ(setupFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN8 w"), FEN_BAD_PLACEMENT);
  // Unknown letters in the piece ranges are pawns; leading blanks are skipped.
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

TEST(Setup, CheckInfoCountsCheckersNotPiecesBehindThem) {
  // Rook on e8 and bishop on b4 both give check: double check.
  test::setUp("4r2k/8/8/8/1b6/8/8/4K3 w - -");
  EXPECT_TRUE(pos.checkInfo[0] & CHECK_DOUBLE);
  const int checker = int(pos.checkInfo[0] & 0xFF);
  EXPECT_TRUE(checker == square("e8") || checker == square("b4"));
  // A queen checking with a rook behind it on the file is a single check.
  test::setUp("4r2k/8/8/4q3/8/8/8/4K3 w - -");
  EXPECT_EQ(pos.checkInfo[0], uint32_t(square("e5")));
  // A pawn check with a bishop behind it on the diagonal is a single check.
  test::setUp("7k/8/8/8/b7/8/2p5/3K4 w - -");
  EXPECT_EQ(pos.checkInfo[0], uint32_t(square("c2")));
  // Knight and rook: double check without a line through the knight.
  test::setUp("4r2k/8/8/8/8/3n4/8/4K3 w - -");
  EXPECT_TRUE(pos.checkInfo[0] & CHECK_DOUBLE);
}

}  // namespace
