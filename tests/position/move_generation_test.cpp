// Move generation: the engine's move order and score words, promotions,
// evasions and the move stack's capacity.
#include "position/perft.h"
#include "position/quiescence_moves.h"
#include "position_checks.h"
#include "test_support.h"

namespace {

using test::square;

using test::Listed;
using test::listOf;
using test::texts;

TEST(MoveGeneration, StartPositionOrder) {
  test::setUp();
  const std::vector<std::string> expected = {"a2a3", "a2a4", "b2b3", "b2b4", "c2c3", "c2c4", "d2d3",
                                             "d2d4", "e2e3", "e2e4", "f2f3", "f2f4", "g2g3", "g2g4",
                                             "h2h3", "h2h4", "b1c3", "b1a3", "g1h3", "g1f3"};
  EXPECT_EQ(texts(listOf(generateMoves)), expected);
}

// Capture-promotions, then push-promotions, each queen, rook, bishop,
// knight; the quiescence generators list them the same way.
TEST(MoveGeneration, PromotionsComeInQueenRookBishopKnightOrderWithScores) {
  test::setUp("2r1k3/1P6/8/8/8/8/8/4K3 w - -");
  const std::vector<Listed> expected = {{"b7c8q", 0x2000002Bu}, {"b7c8r", 0x20000023u}, {"b7c8b", 0x2000001Bu},
                                        {"b7c8n", 0x20000013u}, {"b7b8q", 0x20000028u}, {"b7b8r", 0x20000020u},
                                        {"b7b8b", 0x20000018u}, {"b7b8n", 0x20000010u}};
  EXPECT_EQ(listOf(generateAll, square("b7")), expected);
  EXPECT_EQ(listOf(generateCapturesChecks), expected);
  EXPECT_EQ(listOf(generateCapturesThreats), expected);
  generateAll();
  EXPECT_EQ(test::currentList()[0].move & 0xFF000000u, MOVE_PAWN | MOVE_PROMOTION | MOVE_CAPTURE);
}

TEST(MoveGeneration, CaptureScoresFavourCheapAttackersOfValuableVictims) {
  const struct {
    const char *fen, *move;
    uint32_t score;
  } cases[] = {
      {"4k3/8/8/3q4/4PQ2/5pK1/8/8 w - -", "e4d5", 0x20000000u | 40},  // pawn takes queen
      {"4k3/8/8/3q4/4PQ2/5pK1/8/8 w - -", "f4f3", 0x20000000u | 4},   // queen takes pawn
      {"4k3/8/8/8/8/5qK1/8/8 w - -", "g3f3", 0x20000000u | 35},       // king takes queen
  };
  for (const auto &c : cases) {
    test::setUp(c.fen);
    int found = 0;
    for (const Listed &l : listOf(generateCaptures))
      if (l.first == c.move) {
        EXPECT_EQ(l.second, c.score) << c.move;
        found++;
      }
    EXPECT_EQ(found, 1) << c.move;
  }
}

// In check the generator lists exactly the legal moves (no position here
// has a pinned piece): no king step along the checking line, no castling,
// no move of another piece in double check, en passant only when it takes
// the checking pawn.
TEST(MoveGeneration, EvasionsAreExactlyTheLegalMoves) {
  for (const char *fen :
       {"4r2k/8/8/Q7/1b6/8/8/4K3 w - -", "4k3/8/8/8/8/3n4/8/R3K2R w KQ -", "4k3/8/8/3pP3/4K3/8/8/8 w - d6",
        "4k3/8/8/3pP3/8/8/8/r3K3 w - d6", "4r2k/8/8/8/8/8/8/4K3 w - -", "7k/8/8/8/8/8/8/r3Kn2 w - -",
        "rnb1kbnr/pppp1ppp/8/4p3/5PPq/8/PPPPP2P/RNBQKBNR w KQkq -", "8/8/8/2k5/3Pp3/8/8/4K2B b - d3"}) {
    test::setUp(fen);
    ASSERT_NE(pos.checkInfo[0], CHECK_NONE) << fen;
    std::vector<std::string> legal;
    generateAll();
    for (const MoveEntry &e : test::currentList())
      if (makeMove(e.move)) {
        if (findAttacker(pos.kingSquare[pos.opponent], pos.sideToMove) == NO_SQUARE)
          legal.push_back(moveToUciCoordinates(e.move));
        unmakeMove();
      }
    std::vector<std::string> evasions = texts(listOf(generateEvasions));
    std::sort(evasions.begin(), evasions.end());
    std::sort(legal.begin(), legal.end());
    EXPECT_EQ(evasions, legal) << fen;
  }
}

TEST(MoveGeneration, CrowdedPositionsStayInsideTheMoveStack) {
  // Sixteen pieces a side with many queens: a long list at every ply.
  test::setUp("qqqqqqqk/qqqqqqqq/8/8/8/8/QQQQQQQQ/KQQQQQQQ w - -");
  EXPECT_GT(perft(2), 0u);
  EXPECT_LE(moveListStart[1], MOVE_STACK_SIZE);
}

}  // namespace
