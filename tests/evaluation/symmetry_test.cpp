// Colour symmetry: with no root side, a position and its colour-flipped
// mirror score the same for the side to move, except where one of the
// asymmetric rules listed in asymmetric_rules.h applies.  Positions come from
// random games (fixed seed), so they include promotions and odd material.
#include <cstdio>
#include <utility>

#include "asymmetric_rules.h"

namespace {

using test::fullEvaluation;
using test::setUpEvaluation;

struct Sample {
  std::string fen, mirrored;
  int fiftyCount;
};

std::vector<Sample> randomGamePositions(unsigned seed, int games, int maxPlies) {
  std::vector<Sample> samples;
  std::mt19937 random(seed);
  for (int game = 0; game < games; game++) {
    setUpEvaluation();
    for (int ply = 0; ply < maxPlies; ply++) {
      std::vector<Move> moves = test::legalMoves();
      if (moves.empty()) break;
      if (!test::playGameMove(moves[random() % moves.size()])) break;
      samples.push_back({test::positionFen(false), test::positionFen(true), pos.fiftyCount});
    }
  }
  return samples;
}

int evaluationOf(const Sample &s, bool mirrored, int &rule) {
  setUpEvaluation(mirrored ? s.mirrored.c_str() : s.fen.c_str());
  pos.fiftyCount = s.fiftyCount;
  if (!mirrored) rule = test::asymmetricRule();
  return fullEvaluation();
}

TEST(EvaluationSymmetry, MirroredPositionsScoreTheSame) {
  std::vector<Sample> samples = randomGamePositions(7, 24, 200);
  int compared = 0, left[6] = {};
  for (const Sample &s : samples) {
    int rule = 0;
    int original = evaluationOf(s, false, rule);
    int mirrored = evaluationOf(s, true, rule);
    if (rule) {
      left[rule]++;
      continue;
    }
    compared++;
    EXPECT_EQ(original, mirrored) << s.fen << "  /  " << s.mirrored;
  }
  std::printf("compared %d positions; left out by rule 1: %d, 2: %d, 3: %d, 4: %d, 5: %d\n", compared, left[1], left[2],
              left[3], left[4], left[5]);
  EXPECT_GT(compared, 3000);
  EXPECT_LT(samples.size() - compared, samples.size() / 4);
}

// The rules listed above do make a difference: one example each.
TEST(EvaluationSymmetry, KnownAsymmetriesShowUp) {
  // Rule 4: two knights each.
  setUpEvaluation("1nn1k3/8/8/8/8/8/8/1NN1K3 w - -");
  EXPECT_EQ(cannotWinFlags(), WHITE_CANNOT_WIN);
  // Rule 1: a black king on g8 with white pawns on g5 and g3 reads 7 from
  // the storm table; the mirror, a white king on g1 with black pawns on g4
  // and g6, reads 0.
  setUpEvaluation("r2q1rk1/8/8/6P1/8/6P1/8/R2QK2R w - -");
  fullEvaluation();
  int againstBlack = test::currentPawnEntry().shelter[BLACK][test::square("g8")];
  setUpEvaluation("r2qk2r/8/6p1/8/6p1/8/8/R2Q1RK1 b - -");
  fullEvaluation();
  int againstWhite = test::currentPawnEntry().shelter[WHITE][test::square("g1")];
  EXPECT_EQ(againstBlack - againstWhite, 7);
}

}  // namespace
