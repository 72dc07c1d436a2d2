// Move generation: promotions with their order and score words, evasions,
// the move stack's capacity and the pawn attack sets.  (The order and score
// words of other moves show in the node counts of the search tests.)
#include "position/geometry.h"
#include "position/perft.h"
#include "position/quiescence_moves.h"
#include "position_checks.h"

namespace {

using test::square;

using test::Listed;
using test::listOf;
using test::texts;

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

// Pawn attack sets, which the evaluation and the quiescence generators read
// by target square, never name a square behind the back ranks.  (Steps,
// knight targets and directions are exercised by every perft count.)
TEST(Geometry, PawnAttackSetsNeverUseTheBackRanks) {
  initBoardTables();
  EXPECT_EQ(pawnAttackFrom[WHITE][square("e4")], squareBit[square("d3")] | squareBit[square("f3")]);
  EXPECT_EQ(pawnAttackFrom[BLACK][square("e4")], squareBit[square("d5")] | squareBit[square("f5")]);
  EXPECT_EQ(pawnAttackFrom[WHITE][square("e2")] | pawnAttackFrom[BLACK][square("e7")], 0u);
  EXPECT_EQ(pawnAttackFrom[WHITE][square("a3")], squareBit[square("b2")]);
}

}  // namespace
