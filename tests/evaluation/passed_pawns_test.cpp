// Passed pawns: the exact amounts of the rank bonus, king distances, blockade,
// safe advance, neighbours and material handicap, blended by phase
// ((mg * phase + eg * (64 - phase)) / 64), and extreme material.
#include "evaluation/passed_pawns.h"

#include "evaluation_fixture.h"

namespace {

using test::passedScore;

constexpr int blend(int mg, int eg, int phase) { return (mg * phase + eg * (64 - phase)) / 64; }

TEST(PassedPawns, ExactScores) {
  const std::pair<const char *, int> cases[] = {
      // a5, nothing else: base 56 (mg 28), king distances (4 * 7 - 5) * 2 =
      // 46, empty queen's wing 30, and the runner is outside the black
      // king's square (850).  Phase 0 keeps the endgame sum alone.
      {"8/8/8/P6k/8/8/8/4K3 w - -", 56 + 46 + 30 + 850},
      // Two passers on the sixth rank, both free to advance; Black's two
      // queens keep the endgame terms off; phase 20.  Only the b-pawn
      // (visited first) gets the push bonus.
      {"7k/8/1P2P3/7q/8/7q/8/K7 w - -", blend(46 + 46 + 32, 92 + 92 + 32, 20)},
      // a7 with a white rook on a1 and a black rook covering a8: the white
      // rook is seen through the pawn, so the advance is safe: 128 (64 with
      // Black to move).  King distances (4 * 4 - 6) * 4 = 40, empty wing
      // 30; phase 10.  A rook beside the file does not help.
      {"7r/P7/8/4k3/8/8/6K1/R7 w - -", blend(70 + 128, 140 + 128 + 40 + 30, 10)},
      {"7r/P7/8/4k3/8/8/6K1/R7 b - -", blend(70 + 64, 140 + 64 + 40 + 30, 10)},
      {"7r/P7/8/4k3/8/8/6K1/1R6 w - -", blend(70, 140 + 40 + 30, 10)},
      // e5 blocked by a bishop: mg 28 - 7, eg 56 - 14; phase 36, no endgame terms.
      {"r2q2k1/8/4b3/4P3/8/8/8/R1BQ2K1 w - -", blend(21, 42, 36)},
      {"r2q2k1/1b6/8/4P3/8/8/8/R1BQ2K1 w - -", blend(28, 56, 36)},
      // White 1000 behind (queen against queen and two rooks): the fifth-rank
      // passer keeps three quarters of its bonus, the sixth-rank one all of
      // it (and its advance is not safe: the queen on d8 takes).
      {"r2q2kr/8/8/4P3/8/8/8/3Q2K1 w - -", blend(21, 42, 30)}, {"r2q2kr/8/4P3/8/8/8/8/3Q2K1 w - -", blend(46, 92, 30)},
      // d5 and e5 side by side: each +b/4 mg, +b/2 eg; phase 36.
      {"r2q2k1/1b6/8/3PP3/8/8/1B6/R2Q2K1 w - -", blend(2 * 42, 2 * 84, 36)},
      // e5 protected by d4 from the fifth rank on: +b/8 mg, +b/4 eg; d4 is
      // neither level nor protected.
      {"r2q2k1/1b6/8/4P3/3P4/8/1B6/R2Q2K1 w - -", blend(35 + 16, 70 + 32, 36)},
      // c6 and d6 against a rook, the black king outside both squares.  c6:
      // mg 46 + 23 + 32 (safe push), eg 92 + 46 + 32 + 300 + king distances
      // 60; d6: mg 46 + 23, eg 92 + 46 + 60.  Phase 5.
      {"8/8/2PP4/8/8/6K1/8/k6r w - -", blend(101 + 69, 530 + 198, 5)},
      // Against a bishop the pair on one rank earns 100 instead of 300.
      {"8/8/2PP4/8/8/6K1/8/k6b w - -", blend(101 + 69, 330 + 198, 3)},
      // Nine queens: a phase far beyond 64 is blended as 64, the middlegame
      // sum alone: a7's 70 and 128 for its safe advance.
      {"6k1/P7/8/8/8/8/1QQQQQ2/QQQQ3K w - -", 70 + 128},
  };
  for (const auto &[fen, score] : cases) EXPECT_EQ(passedScore(fen), score) << fen;
}

TEST(PassedPawns, ExtremeMaterial) {
  // Bare kings, and stale masks naming files without pawns.
  test::setUp("8/8/4k3/8/8/3K4/8/8 w - -");
  PawnHashEntry entry{};
  entry.passedFiles[WHITE] = entry.passedFiles[BLACK] = 0xFF;
  EXPECT_EQ(evaluatePassedPawns(entry), 0);
  // Pawns on the seventh and second ranks everywhere they can pass.
  test::setUpEvaluation("7k/PPPP4/8/8/8/8/4pppp/K7 w - -");
  const PawnHashEntry &pawns = test::currentPawnEntry();
  EXPECT_EQ(std::pair(int(pawns.passedFiles[WHITE]), int(pawns.passedFiles[BLACK])), std::pair(0xF0, 0x0F));
  evaluatePassedPawns(test::currentPawnEntry());
  // Three bishops with passers on both wings, and its mirror.
  const char *fen = "1k6/P6P/8/8/8/8/p1BBB2p/4K3 b - -";
  EXPECT_EQ(passedScore(test::mirroredFen(fen).c_str()), -passedScore(fen));
}

}  // namespace
