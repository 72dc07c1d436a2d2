// Every legal position of the five three-man tables, both sides to move and
// both colourings, probed through the engine on a set-up position, against
// the distance to mate of Debian's Gaviota tablebases.
#include "gaviota_oracle.h"
#include "tablebase_fixture.h"

namespace {

TEST(GaviotaSlow, EveryThreeManPositionAgrees) {
  tbtest::Gaviota gaviota;
  if (!gaviota.ready()) GTEST_SKIP() << "Gaviota tablebases not installed (packages gaviotatb libgaviotatb-dev)";
  test::setUp();
  ASSERT_EQ(tbtest::registerTables(tbtest::generatedTables(tbtest::threeMen)), 3);

  const char letters[] = " PNBRQ";
  uint64_t compared = 0, wrong = 0;
  std::string firstWrong;
  for (int type = 1; type <= 5; type++)
    for (int strong = 0; strong < 2; strong++)
      for (int k1 = 0; k1 < 64; k1++)
        for (int k2 = 0; k2 < 64; k2++)
          for (int p = 0; p < 64; p++) {
            if (k1 == k2 || p == k1 || p == k2) continue;
            // Board in tablebase squares (a1 = 0): k1 the strong side's king.
            char board[64] = {};
            board[k1] = strong == 0 ? 'K' : 'k';
            board[k2] = strong == 0 ? 'k' : 'K';
            board[p] = strong == 0 ? letters[type] : char(letters[type] + 32);
            for (int side = 0; side < 2; side++) {
              std::string fen = tbtest::fenOf(board, side);
              if (setupFromFen(fen.c_str()) != FEN_OK) continue;  // not a legal position
              unsigned whiteSquares[3] = {unsigned(strong == 0 ? k1 : k2), 64, 64};
              unsigned blackSquares[3] = {unsigned(strong == 0 ? k2 : k1), 64, 64};
              unsigned char whitePieces[3] = {6, 0, 0}, blackPieces[3] = {6, 0, 0};
              (strong == 0 ? whiteSquares : blackSquares)[1] = unsigned(p);
              (strong == 0 ? whitePieces : blackPieces)[1] = (unsigned char)type;
              unsigned winner = 0, plies = 0;
              ASSERT_TRUE(gaviota.probe(side, whiteSquares, blackSquares, whitePieces, blackPieces, &winner, &plies))
                  << fen;
              // Winner mates in (plies + 1) / 2 moves: 10000 - 2m; the loser is
              // mated after plies / 2 moves: 2m - 10000.
              int expected = winner == 0 ? 0 : int(winner - 1) == side ? 9999 - int(plies) : int(plies) - 10000;
              int score;
              bool found = TbProbe(&score);
              compared++;
              if ((!found || score != expected) && !wrong++)
                firstWrong = fen + ": expected " + std::to_string(expected) + ", probe " +
                             (found ? std::to_string(score) : "not found");
            }
          }
  EXPECT_EQ(wrong, 0u) << firstWrong;
  EXPECT_GT(compared, 1000000u);
  std::printf("compared %llu positions\n", (unsigned long long)compared);
}

}  // namespace
