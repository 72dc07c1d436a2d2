// Pawn races: runners outside the square, catchable passers, the double step,
// two passers too far apart for one king, and a race decided by a check or
// by control of the other promotion square.
#include "evaluation/pawn_races.h"

#include "evaluation_fixture.h"

namespace {

using test::passedScore;

// The moves each side's best runner needs (RACE_NONE: none) and the race's
// result; the mirror gives the same with the colours exchanged.
TEST(PawnRaces, RunnersAndResults) {
  const std::tuple<const char *, int, int, int> cases[] = {  // FEN, White's runner, Black's, result
      // a5 against the king on h5: 7 > 7 - 4, unstoppable in 3 moves.  Black
      // to move widens the square by one: h5 is still outside (7 > 4), e5
      // inside (and nearer to a8 than White's king); d5 is inside anyway.
      {"8/8/8/P6k/8/8/8/4K3 w - -", 3, RACE_NONE, 850}, {"8/8/8/P6k/8/8/8/4K3 b - -", 3, RACE_NONE, 850},
      {"8/8/8/P3k3/8/8/8/4K3 b - -", RACE_NONE, RACE_NONE, 0}, {"8/8/8/P2k4/8/8/8/7K w - -", RACE_NONE, RACE_NONE, 0},
      // The double step saves a move.
      {"8/8/8/8/8/8/P6k/4K3 w - -", 5, RACE_NONE, 850}, {"8/8/8/8/8/P7/7k/4K3 w - -", 5, RACE_NONE, 850},
      // a6 against h3, both running in 2, White to move: White queens first.
      {"8/8/P7/8/8/7p/6k1/K7 w - -", 2, 2, 50},   // a8 checks g2, but the king is next to h1
      {"8/8/P7/3k4/8/7p/8/K7 w - -", 2, 2, 850},  // a8 checks d5, far from h1
      {"8/8/P7/8/8/7p/5k2/K7 w - -", 2, 2, 50},   // a8 sees h1; the king is two squares from it
      {"8/8/P7/8/8/7p/4k3/K7 w - -", 2, 2, 850},  // three squares away
      // Black to move: Black queens first, with check along the first rank,
      // and White's king is far from a8.
      {"8/8/P7/8/8/7p/6k1/K7 b - -", 2, 2, -850},
  };
  for (const auto &[fen, white, black, result] : cases) {
    passedScore(fen);
    EXPECT_EQ(test::numbers(pawnRaces.best[WHITE], pawnRaces.best[BLACK], settlePawnRaces()),
              test::numbers(white, black, result))
        << fen;
    passedScore(test::mirroredFen(fen).c_str());
    EXPECT_EQ(test::numbers(pawnRaces.best[BLACK], pawnRaces.best[WHITE], settlePawnRaces()),
              test::numbers(white, black, -result))
        << "mirror of " << fen;
  }
  // The runner a5 queens on a8 with a free path; with the king on d5 it is a
  // catchable passer: base 56, king distances (4 * 3 - 7) * 2, empty wing
  // 30, no race bonus.
  passedScore("8/8/8/P6k/8/8/8/4K3 w - -");
  EXPECT_EQ(test::numbers(pawnRaces.queenSquare[WHITE], pawnRaces.flags[WHITE]),
            test::numbers(test::square("a8"), 4 | RACE_FREE_PATH));
  EXPECT_EQ(passedScore("8/8/8/P2k4/8/8/8/7K w - -"), 56 + 10 + 30);
  EXPECT_EQ(pawnRaces.catchable[WHITE][0], test::square("a5"));
}

TEST(PawnRaces, TwoPassersTooFarApart) {
  // b4 and g4 are each inside the square of the king on e6, but five files
  // apart: the b-pawn (visited first) runs in 4 moves.  eg: 2 * 32, king
  // distances 6 and 4, two empty wings 2 * 30, and the race 850.
  const char *split = "8/8/4k3/8/1P4P1/8/8/7K w - -";
  EXPECT_EQ(passedScore(split), 64 + 10 + 60 + 850);
  EXPECT_EQ(test::numbers(pawnRaces.best[WHITE], pawnRaces.flags[WHITE], pawnRaces.queenSquare[WHITE],
                          pawnRaces.pairSeenWhite),
            test::numbers(4, RACE_SPLIT_PAIR, test::square("b8"), true));
  // The same for Black, whose split pair carries the free-path flag and
  // queens on the second pawn's file.
  passedScore(test::mirroredFen(split).c_str());
  EXPECT_EQ(test::numbers(pawnRaces.best[BLACK], pawnRaces.flags[BLACK], pawnRaces.queenSquare[BLACK]),
            test::numbers(4, RACE_SPLIT_PAIR | RACE_FREE_PATH, test::square("g1")));
}

TEST(PawnRaces, QueenChecks) {
  test::setUp("8/8/P7/8/8/7p/6k1/K7 w - -");
  EXPECT_TRUE(queenChecksBlack(test::square("a8"), 5));
  EXPECT_FALSE(queenChecksBlack(test::square("b8"), 5));  // no line from g2 to b8
  EXPECT_TRUE(queenChecksWhite(test::square("h1"), 2));   // along the first rank
  EXPECT_FALSE(queenChecksWhite(test::square("c2"), 2));  // no line from a1
  // The king below the pawn on its own file: the new queen checks down the
  // file when the pawn is the first piece above the king.
  test::setUp("8/8/P7/8/8/k7/8/7K w - -");
  EXPECT_TRUE(queenChecksBlack(test::square("a8"), 5));
  EXPECT_FALSE(queenChecksBlack(test::square("a8"), 4));
  EXPECT_FALSE(queenChecksBlack(NO_SQUARE, 5));
}

}  // namespace
