// Move generation: the engine's move order and score words, promotions,
// evasions and the rules that keep evasions legal but for pins.
#include "position/perft.h"
#include "test_support.h"

namespace {

using test::square;

std::vector<std::string> texts(const std::vector<MoveEntry> &list) {
  std::vector<std::string> out;
  for (const MoveEntry &e : list) out.push_back(moveToCoordinates(e.move));
  return out;
}

TEST(MoveGeneration, StartPositionOrder) {
  test::setUp();
  generateMoves();
  const std::vector<std::string> expected = {"a2a3", "a2a4", "b2b3", "b2b4", "c2c3", "c2c4", "d2d3",
                                             "d2d4", "e2e3", "e2e4", "f2f3", "f2f4", "g2g3", "g2g4",
                                             "h2h3", "h2h4", "b1c3", "b1a3", "g1h3", "g1f3"};
  EXPECT_EQ(texts(test::currentList()), expected);
}

TEST(MoveGeneration, PromotionsComeInQueenRookBishopKnightOrderWithScores) {
  test::setUp("2r1k3/1P6/8/8/8/8/8/4K3 w - -");
  generateAll();
  std::vector<MoveEntry> pawn;
  for (const MoveEntry &e : test::currentList())
    if (moveFrom(e.move) == square("b7")) pawn.push_back(e);
  ASSERT_EQ(pawn.size(), 8u);
  const char *expectedText[] = {"b7c8Q", "b7c8R", "b7c8B", "b7c8N", "b7b8Q", "b7b8R", "b7b8B", "b7b8N"};
  const uint32_t expectedScore[] = {0x2000002B, 0x20000023, 0x2000001B, 0x20000013,
                                    0x20000028, 0x20000020, 0x20000018, 0x20000010};
  for (int i = 0; i < 8; i++) {
    EXPECT_STREQ(moveToCoordinates(pawn[i].move), expectedText[i]);
    EXPECT_EQ(pawn[i].score, expectedScore[i]) << i;
  }
  EXPECT_EQ(pawn[0].move & 0xFF000000u, MOVE_PAWN | MOVE_PROMOTION | MOVE_CAPTURE);
}

TEST(MoveGeneration, CaptureScoresFavourCheapAttackersOfValuableVictims) {
  // Pawn takes queen 40, queen takes pawn 4, king takes queen 35.
  test::setUp("4k3/8/8/3q4/4PQ2/5pK1/8/8 w - -");
  generateCaptures();
  for (const MoveEntry &e : test::currentList()) {
    const std::string t = moveToCoordinates(e.move);
    if (t == "e4d5") {
      EXPECT_EQ(e.score, 0x20000000u | 40);
    }
    if (t == "f4f3") {
      EXPECT_EQ(e.score, 0x20000000u | 4);
    }
  }
  test::setUp("4k3/8/8/8/8/5qK1/8/8 w - -");
  generateCaptures();
  ASSERT_FALSE(test::currentList().empty());
  EXPECT_EQ(test::currentList()[0].score, 0x20000000u | 35);
}

TEST(MoveGeneration, KillerBitsAndQuietOrderingValue) {
  test::setUp();
  const Move nf3 = test::findMove("g1f3"), e4 = test::findMove("e2e4");
  ordering.killer[0][0] = nf3;
  ordering.killer[0][1] = nf3;
  ordering.killer[0][1] = e4;
  ordering.history[(square("f3") << 6) | square("g1")] = 2;
  generateMoves();
  for (const MoveEntry &e : test::currentList()) {
    // Piece-square gain, 64 per history point, plus 32.
    if (e.move == nf3) {
      EXPECT_EQ(e.score, 0x10000000u | uint32_t(8 - (-10) + 64 * 2 + 32));
    }
    if (e.move == e4) {
      EXPECT_EQ(e.score, 0x8000000u | uint32_t(8 - (-20) + 32));
    }
  }
  // First killer wins over second when both are the same move.
  ordering.killer[0][0] = ordering.killer[0][1] = e4;
  generateMoves();
  for (const MoveEntry &e : test::currentList())
    if (e.move == e4) {
      EXPECT_EQ(e.score & 0x18000000u, 0x10000000u);
    }
  clearMoveOrdering();
}

TEST(MoveGeneration, DoubleCheckOnlyKingMoves) {
  // Rook e8 and bishop b4 check; the white queen on a5 could take the bishop but may not.
  test::setUp("4r2k/8/8/Q7/1b6/8/8/4K3 w - -");
  generateMoves();
  for (const MoveEntry &e : test::currentList()) EXPECT_EQ(moveFrom(e.move), square("e1"));
}

TEST(MoveGeneration, KnightCheckIsAnsweredByCaptureOrKingMoveOnly) {
  test::setUp("4k3/8/8/8/8/3n4/8/R3K2R w KQ -");
  generateMoves();
  for (const MoveEntry &e : test::currentList()) {
    const int from = moveFrom(e.move);
    if (from != square("e1")) {
      EXPECT_EQ(moveTo(e.move), square("d3")) << moveToCoordinates(e.move);
    }
    EXPECT_FALSE(e.move & MOVE_CASTLE);
  }
}

TEST(MoveGeneration, EnPassantEvasionOnlyTakesTheCheckingPawn) {
  // d7-d5 gave check to the king on e4: exd6 removes the checker.
  test::setUp("4k3/8/8/3pP3/4K3/8/8/8 w - d6");
  bool found = false;
  generateMoves();
  for (const MoveEntry &e : test::currentList()) found |= (e.move & MOVE_EN_PASSANT) != 0;
  EXPECT_TRUE(found);
  // The same en passant square while a rook gives check: not offered.
  test::setUp("4k3/8/8/3pP3/8/8/8/r3K3 w - d6");
  generateMoves();
  for (const MoveEntry &e : test::currentList()) EXPECT_FALSE(e.move & MOVE_EN_PASSANT);
}

TEST(MoveGeneration, KingNeverStepsAlongTheCheckingLine) {
  // Rook on e8 checks down the file: e2 (away) is not offered, nor taking on e... behind.
  test::setUp("4r2k/8/8/8/8/8/8/4K3 w - -");
  generateMoves();
  for (const MoveEntry &e : test::currentList()) EXPECT_NE(moveTo(e.move), square("e2"));
  // Rook on a1 checks along the rank; a black knight stands on f1 right behind the king.
  test::setUp("7k/8/8/8/8/8/8/r3Kn2 w - -");
  generateMoves();
  for (const MoveEntry &e : test::currentList()) EXPECT_NE(moveTo(e.move), square("f1"));
}

TEST(MoveGeneration, EvasionsAreExactlyTheLegalMoves) {
  // Evasions filtered by makeMove against all moves filtered by an
  // independent test: the mover's king is not attacked afterwards.
  for (const char *fen :
       {"4r2k/8/8/Q7/1b6/8/8/4K3 w - -", "4k3/8/8/8/8/3n4/8/R3K2R w KQ -", "4k3/8/8/3pP3/4K3/8/8/8 w - d6",
        "rnb1kbnr/pppp1ppp/8/4p3/5PPq/8/PPPPP2P/RNBQKBNR w KQkq -", "8/8/8/2k5/3Pp3/8/8/4K2B b - d3"}) {
    test::setUp(fen);
    ASSERT_NE(pos.checkInfo[0], CHECK_NONE) << fen;
    std::vector<std::string> fromEvasions, fromAll;
    generateEvasions();
    for (const MoveEntry &e : test::currentList())
      if (makeMove(e.move)) {
        fromEvasions.push_back(moveToCoordinates(e.move));
        unmakeMove();
      }
    generateAll();
    for (const MoveEntry &e : test::currentList())
      if (makeMove(e.move)) {
        if (findAttacker(pos.kingSquare[pos.opponent], pos.sideToMove) == NO_SQUARE)
          fromAll.push_back(moveToCoordinates(e.move));
        unmakeMove();
      }
    std::sort(fromEvasions.begin(), fromEvasions.end());
    std::sort(fromAll.begin(), fromAll.end());
    EXPECT_EQ(fromEvasions, fromAll) << fen;
  }
}

TEST(MoveGeneration, CrowdedPositionsStayInsideTheMoveStack) {
  // Sixteen pieces a side with many queens: a long list at every ply.
  test::setUp("qqqqqqqk/qqqqqqqq/8/8/8/8/QQQQQQQQ/KQQQQQQQ w - -");
  EXPECT_GT(perft(2), 0u);
  EXPECT_LE(moveListStart[1], MOVE_STACK_SIZE);
}

}  // namespace
