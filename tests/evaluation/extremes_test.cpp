// Material far from a normal game: many promoted pieces, three bishops,
// more than eight pawns, bare kings, pawns on one wing.  Counters and phases
// run past the ends of their tables here; the sanitizer build checks that no
// table is read out of bounds.  Each position and its mirror also score alike.
#include "asymmetric_rules.h"

namespace {

using test::fullEvaluation;
using test::setUpEvaluation;

const char *const extremes[] = {
    // Nine queens around a king; a phase far past 64.
    "QQQQQQQQ/8/8/8/3k4/8/8/Q3K3 b - -", "kqqqqqqq/qqqqqqq1/8/8/8/8/1QQQQQQQ/QQQQQQQK w - -",
    // A knight hitting eight queens; rooks crowding their own king.
    "8/8/2q1q3/1q3q2/3N4/1q3q2/2q1q3/K6k w - -", "k7/8/1RRR4/1RKR4/1RRR4/8/8/8 w - -",
    // Three bishops and nine pawns each; three bishops against two.
    "4k3/pppppppp/p7/8/8/P7/PPPPPPPP/2BBBK2 w - -", "3bkb2/8/8/8/8/8/8/2BBBK2 b - -",
    // Bare kings.
    "8/8/8/4k3/8/8/8/4K3 w - -", "8/8/8/4k3/8/8/8/4K3 b - -",
    // Pawns on the king side only, and on the queen side.
    "8/5ppp/8/6k1/8/8/5PPP/6K1 w - -", "8/ppp5/8/1k6/8/8/PPP5/1K6 b - -",
    // A queen against pawns; phase exactly 64.
    "6k1/5ppp/8/8/8/8/8/1Q4K1 w - -", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    // A pawn on the seventh; many queens, no pawns.
    "1k6/1P6/1K6/8/8/8/8/8 w - -", "7k/8/8/8/8/8/8/KQQQQQQQ b - -",
};

TEST(EvaluationExtremes, ScoresStayBoundedAndSymmetric) {
  for (const char *fen : extremes) {
    setUpEvaluation(fen);
    int score = fullEvaluation();
    // Never as much as a mate score.
    EXPECT_GE(score, -EVAL_LIMIT) << fen;
    EXPECT_LE(score, EVAL_LIMIT) << fen;
    bool asymmetric = test::asymmetricRule();
    for (int window = 0; window < 3; window++) evaluate(score - 50 * window, score + 50 * window + 1);
    if (asymmetric) continue;
    setUpEvaluation(test::mirroredFen(fen).c_str());
    EXPECT_EQ(fullEvaluation(), score) << fen;
  }
  // Nine queens against the king on d4: the attackers' count passes 15 and
  // the last weight (600) applies.  The score is lost for Black but stays
  // below the mate scores.
  setUpEvaluation(extremes[0]);
  EXPECT_EQ(fullEvaluation(), -EVAL_LIMIT);
}

}  // namespace
