// Whole-table checks of the two bitbases:
// - the generator reproduces the committed data file byte for byte;
// - king and pawn against king agrees with the Gaviota tablebases (Debian
//   packages gaviotatb and libgaviotatb1) for every legal placement, probed
//   through the engine on real positions of both colours;
// - the bishop and rook's pawn table never calls a position drawn that the
//   exact solver (which knows the bishop's square) finds won.
#include <cstdio>
#include <initializer_list>

#include "../../tools/bitbase_solver.h"
#include "evaluation/endgame_knowledge.h"
#include "gaviota_oracle.h"
#include "test_support.h"

namespace {

struct Placement {
  int square, colour, type;
};

// Puts the pieces on the board through the start arrays (much faster than
// FEN text for millions of positions).
void place(std::initializer_list<Placement> pieces, int sideToMove) {
  const std::vector<int32_t> savedPieces(startPieces, startPieces + 64), savedColours(startColours, startColours + 64);
  std::fill(startPieces, startPieces + 64, NO_PIECE);
  std::fill(startColours, startColours + 64, NO_COLOUR);
  for (const Placement &p : pieces) {
    startPieces[p.square] = p.type;
    startColours[p.square] = p.colour;
  }
  resetPosition();
  std::copy(savedPieces.begin(), savedPieces.end(), startPieces);
  std::copy(savedColours.begin(), savedColours.end(), startColours);
  pos.sideToMove = sideToMove;
  pos.opponent = sideToMove ^ 1;
  pos.checkInfo[0] = computeCheckInfo();
}

TEST(Bitbases, GeneratorReproducesTheCommittedData) {
  std::string out = ::testing::TempDir() + "vorn_bitbase_data.cpp";
  std::string command = std::string(VORN_BINARY_DIR) + "/tools/vorn-bitbase-generator " + out + " 2>/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  std::string generated = test::readFile(out);
  std::remove(out.c_str());
  ASSERT_FALSE(generated.empty());
  EXPECT_TRUE(generated == test::readFile(std::string(VORN_SOURCE_DIR) + "/src/evaluation/bitbase_data.cpp"))
      << "src/evaluation/bitbase_data.cpp differs from the generator's output";
}

// Gaviota numbers a1 = 0 .. h1 = 7; here h1 = 0 .. a1 = 7.
unsigned gaviotaSquare(int s) { return unsigned((s >> 3) * 8 + 7 - (s & 7)); }

TEST(Bitbases, KingPawnKingAgreesWithGaviota) {
  tbtest::Gaviota gaviota;
  ASSERT_TRUE(gaviota.ready()) << "needs the Debian packages gaviotatb and libgaviotatb1";
  initBoardTables();
  bitbase::Solver legality(false, bitbase::allPawnSquares());
  int placements = 0, draws = 0;
  for (int t = 0; t < 2; t++)
    for (int wk = 0; wk < 64; wk++)
      for (int bk = 0; bk < 64; bk++)
        for (int p = 8; p < 56; p++) {
          if (!legality.legal(t, wk, bk, bitbase::NONE, p)) continue;
          const unsigned white[3] = {gaviotaSquare(wk), gaviotaSquare(p), 64}, black[2] = {gaviotaSquare(bk), 64};
          const unsigned char whitePieces[3] = {6, 1, 0}, blackPieces[2] = {6, 0};  // king, pawn
          unsigned winner = 0, plies = 0;
          ASSERT_TRUE(gaviota.probe(t, white, black, whitePieces, blackPieces, &winner, &plies)) << "probe failed";
          const int expected = winner == 0;  // drawn
          placements++;
          draws += expected;
          place({{wk, WHITE, KING}, {bk, BLACK, KING}, {p, WHITE, PAWN}}, t);
          ASSERT_EQ(std::pair(kpkDrawWhite(), recogniseDraw(2)), std::pair(expected, expected))
              << "t " << t << " wk " << wk << " bk " << bk << " pawn " << p;
          // The same position with colours exchanged and the board turned round.
          place({{wk ^ 63, BLACK, KING}, {bk ^ 63, WHITE, KING}, {p ^ 63, BLACK, PAWN}}, t ^ 1);
          ASSERT_EQ(std::pair(kpkDrawBlack(), recogniseDraw(0)), std::pair(expected, expected))
              << "mirror of t " << t << " wk " << wk << " bk " << bk << " pawn " << p;
        }
  EXPECT_EQ(placements, 331352);
  EXPECT_EQ(draws, 108788);
}

// The solver's value of the placed position (White to move when t is 0),
// worked out from its legal moves and the solver's values of the positions
// they reach.
bool solverValueFromMoves(const bitbase::Solver &kpk, const bitbase::Solver &kbpk, int t, int b) {
  bool anyWin = false, allWin = true;
  const std::vector<Move> moves = test::legalMoves();
  for (Move m : moves) {
    makeMove(m);
    const int nwk = pos.kingSquare[WHITE], nbk = pos.kingSquare[BLACK];
    const Bitboard bishops = pos.pieceBits[WHITE][BISHOP], pawns = pos.pieceBits[WHITE][PAWN];
    bool win;
    if (m & MOVE_PROMOTION) {
      using namespace bitbase;
      static const PromotionPiece kinds[5] = {PROMOTE_QUEEN, PROMOTE_KNIGHT, PROMOTE_BISHOP, PROMOTE_ROOK, PROMOTE_QUEEN};
      win = bitbase::promotionWins(nwk, nbk, b, moveTo(m), kinds[movePromotionType(m)]);
    } else if (!pawns) {
      win = false;  // Black took the pawn
    } else if (!bishops) {
      win = kpk.whiteWins(0, nwk, nbk, bitbase::NONE, lowestBit(pawns));
    } else {
      win = kbpk.whiteWins(t ^ 1, nwk, nbk, lowestBit(bishops), lowestBit(pawns));
    }
    unmakeMove();
    anyWin |= win;
    allWin &= win;
  }
  return t == 0 ? anyWin : (moves.empty() ? inCheck() : allWin);
}

// Every legal placement of the bishop ending: the table never calls a
// position drawn that the exact solver finds won, for either colour.  The
// solver itself is checked against the engine's own move generator on a
// sample of states: each valued from its legal moves and the solver's values
// of the positions they reach.
TEST(Bitbases, WrongBishopNeverCallsAWinADraw) {
  initBoardTables();
  bitbase::Solver kpk(false, bitbase::allPawnSquares());
  kpk.solve();
  bitbase::Solver kbpk(true, bitbase::rookPawnSquares(), &kpk);
  kbpk.solve();
  long positions = 0, draws = 0, drawsFound = 0, sampled = 0;
  for (int t = 0; t < 2; t++)
    for (int wk = 0; wk < 64; wk++)
      for (int bk = 0; bk < 64; bk++)
        for (int b = 0; b < 64; b++)
          for (int p : bitbase::rookPawnSquares()) {
            if (!kbpk.legal(t, wk, bk, b, p)) continue;
            const bool won = kbpk.whiteWins(t, wk, bk, b, p);
            auto where = [&] {
              return ::testing::Message()
                     << "t " << t << " wk " << wk << " bk " << bk << " bishop " << b << " pawn " << p;
            };
            place({{wk, WHITE, KING}, {bk, BLACK, KING}, {b, WHITE, BISHOP}, {p, WHITE, PAWN}}, t);
            if (positions++ % 13 == 0) {
              sampled++;
              ASSERT_EQ(won, solverValueFromMoves(kpk, kbpk, t, b)) << where();
            }
            draws += !won;
            const int white = wrongBishopWhite();
            ASSERT_FALSE(won && white) << where();
            drawsFound += white;
            ASSERT_EQ(recogniseDraw(2), white);
            place({{wk ^ 63, BLACK, KING}, {bk ^ 63, WHITE, KING}, {b ^ 63, BLACK, BISHOP}, {p ^ 63, BLACK, PAWN}},
                  t ^ 1);
            ASSERT_EQ(wrongBishopBlack(), white);
          }
  // Most drawn positions are drawn wherever the bishop of that colour stands
  // (about 73 % when written).
  std::printf("%ld legal positions, %ld drawn, %ld recognised by the table\n", positions, draws, drawsFound);
  EXPECT_GT(drawsFound, draws * 7 / 10);
  EXPECT_GT(sampled, 300000);
}

}  // namespace
