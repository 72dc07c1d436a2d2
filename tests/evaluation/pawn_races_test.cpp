// Pawn races: runners outside the square, catchable passers, the double step,
// two passers too far apart for one king, and a race decided by a check or
// by control of the other promotion square.
#include "evaluation/pawn_races.h"

#include "evaluation_fixture.h"

namespace {

using test::passedScore;

TEST(PawnRaces, OutsideOrInsideTheSquare) {
  // a5 against the king on h5: 7 > 7 - 4, unstoppable in 3 moves; no black runner.
  passedScore("8/8/8/P6k/8/8/8/4K3 w - -");
  EXPECT_EQ(pawnRaces.best[WHITE], 3);
  EXPECT_EQ(pawnRaces.queenSquare[WHITE], test::square("a8"));
  EXPECT_EQ(pawnRaces.flags[WHITE], 4 | RACE_FREE_PATH);
  EXPECT_EQ(settlePawnRaces(), 850);
  // The king on d5 is inside the square and nearer than White's: caught.
  // Base 56, king distances (4 * 3 - 7) * 2, empty wing 30, no race bonus.
  EXPECT_EQ(passedScore("8/8/8/P2k4/8/8/8/7K w - -"), 56 + 10 + 30);
  EXPECT_EQ(pawnRaces.best[WHITE], RACE_NONE);
  EXPECT_EQ(pawnRaces.catchable[WHITE][0], test::square("a5"));
  EXPECT_EQ(settlePawnRaces(), 0);
  // Black to move widens the square by one: h5 is still outside (7 > 4),
  // e5 inside (and nearer to a8 than White's king).
  passedScore("8/8/8/P6k/8/8/8/4K3 b - -");
  EXPECT_EQ(pawnRaces.best[WHITE], 3);
  passedScore("8/8/8/P3k3/8/8/8/4K3 b - -");
  EXPECT_EQ(pawnRaces.best[WHITE], RACE_NONE);
}

TEST(PawnRaces, DoubleStepSavesAMove) {
  passedScore("8/8/8/8/8/8/P6k/4K3 w - -");
  EXPECT_EQ(pawnRaces.best[WHITE], 5);
  passedScore("8/8/8/8/8/P7/7k/4K3 w - -");
  EXPECT_EQ(pawnRaces.best[WHITE], 5);
  // Black's pawn on its seventh rank likewise.
  passedScore("4k3/7p/K7/8/8/8/8/8 b - -");
  EXPECT_EQ(pawnRaces.best[BLACK], 5);
}

TEST(PawnRaces, TwoPassersTooFarApart) {
  // b4 and g4 are each inside the square of the king on e6, but five files
  // apart: the b-pawn (visited first) runs in 4 moves.  eg: 2 * 32, king
  // distances 6 and 4, two empty wings 2 * 30, and the race 850.
  EXPECT_EQ(passedScore("8/8/4k3/8/1P4P1/8/8/7K w - -"), 64 + 10 + 60 + 850);
  EXPECT_EQ(pawnRaces.best[WHITE], 4);
  EXPECT_EQ(pawnRaces.flags[WHITE], RACE_SPLIT_PAIR);
  EXPECT_EQ(pawnRaces.queenSquare[WHITE], test::square("b8"));
  EXPECT_TRUE(pawnRaces.pairSeenWhite);
  // The same for Black, whose split pair carries the free-path flag and
  // queens on the second pawn's file.
  passedScore(test::mirroredFen("8/8/4k3/8/1P4P1/8/8/7K w - -").c_str());
  EXPECT_EQ(pawnRaces.best[BLACK], 4);
  EXPECT_EQ(pawnRaces.flags[BLACK], RACE_SPLIT_PAIR | RACE_FREE_PATH);
  EXPECT_EQ(pawnRaces.queenSquare[BLACK], test::square("g1"));
}

TEST(PawnRaces, OneMoveAheadWithCheckOrControl) {
  // a6 against h3, both running in 2, White to move: White queens first.
  struct Case {
    const char *fen;
    int expected;
  } cases[] = {
      {"8/8/P7/8/8/7p/6k1/K7 w - -", 50},   // a8 checks g2, but the king is next to h1
      {"8/8/P7/3k4/8/7p/8/K7 w - -", 850},  // a8 checks d5, far from h1
      {"8/8/P7/8/8/7p/5k2/K7 w - -", 50},   // a8 sees h1; the king is two squares from it
      {"8/8/P7/8/8/7p/4k3/K7 w - -", 850},  // three squares away
  };
  for (const Case &c : cases) {
    passedScore(c.fen);
    EXPECT_EQ(pawnRaces.best[WHITE], 2) << c.fen;
    EXPECT_EQ(pawnRaces.best[BLACK], 2) << c.fen;
    EXPECT_EQ(settlePawnRaces(), c.expected) << c.fen;
    // The mirror: Black one move ahead.
    passedScore(test::mirroredFen(c.fen).c_str());
    EXPECT_EQ(settlePawnRaces(), -c.expected) << c.fen;
  }
  // Black to move in the first position: Black queens first, with check
  // along the first rank, and White's king is far from a8.
  passedScore("8/8/P7/8/8/7p/6k1/K7 b - -");
  EXPECT_EQ(settlePawnRaces(), -850);
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
