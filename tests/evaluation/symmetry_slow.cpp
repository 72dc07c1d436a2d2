// The colour-symmetry checks over many more positions than the default run.
#include "symmetry_check.h"

namespace {

TEST(EvaluationSymmetrySlow, ManyRandomGames) {
  test::SymmetryTally tally = test::compareRandomGames(1234, 300, 250);
  tally.print("random games");
  EXPECT_GT(tally.compared, 50000);
}

TEST(EvaluationSymmetrySlow, ManyRandomEndings) {
  test::SymmetryTally tally = test::compareRandomEndings(4321, 100000);
  tally.print("random endings");
  EXPECT_GT(tally.compared, 85000);
}

}  // namespace
