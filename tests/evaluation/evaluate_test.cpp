// The main evaluation: exact scores of small positions, the root side's
// effect, the lazy exit's bounds, the can't-win flags and the fifty-move
// damping.
#include "evaluation_fixture.h"

namespace {

using test::fullEvaluation;
using test::setUpEvaluation;

TEST(Evaluate, StartPositionByRootSide) {
  // The engine's own uncastled king costs 45, the opponent's 30.
  const char *black = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -";
  const struct {
    const char *fen;
    int rootSide, score;
  } cases[] = {{test::startFen, -1, 0},
               {black, -1, 0},
               {test::startFen, WHITE, -15},
               {black, WHITE, 15},
               {test::startFen, BLACK, 15}};
  for (const auto &c : cases) {
    setUpEvaluation(c.fen);
    rootSide = c.rootSide;
    EXPECT_EQ(fullEvaluation(), c.score) << c.fen << " " << c.rootSide;
  }
}

TEST(Evaluate, CannotWinFlags) {
  struct Case {
    const char *fen;
    int flags;
  } cases[] = {
      {"4k3/8/8/8/8/8/8/1NN1K3 w - -", WHITE_CANNOT_WIN},    // two knights
      {"1nn1k3/8/8/8/8/8/8/4K3 w - -", BLACK_CANNOT_WIN},    // two knights for Black
      {"4k3/8/8/8/2b5/8/8/R3K3 w - -", WHITE_CANNOT_WIN},    // the exchange without pawns
      {"4k3/8/8/8/2b5/8/P7/R3K3 w - -", 0},                  // ... with a pawn
      {"r3k3/8/8/8/2B5/8/8/4K3 w - -", BLACK_CANNOT_WIN},    // the exchange for Black
      {"4k3/8/3n4/8/8/8/8/2B1KB2 w - -", 0},                 // two bishops beat a knight
      {"4k3/8/3b4/8/8/8/8/2B1KB2 w - -", WHITE_CANNOT_WIN},  // but not a bishop
      {"2b1kb2/8/8/8/8/3N4/8/4K3 w - -", 0},                 // Black's two bishops against a knight
      {"4k3/8/8/8/8/8/8/4KB2 w - -", WHITE_CANNOT_WIN},      // a lone minor piece
      {"4k3/8/8/3p4/8/8/8/4KN2 w - -", WHITE_CANNOT_WIN},    // even against pawns
      {"4k3/8/8/8/8/8/P7/4KN2 w - -", 0},                    // with a pawn it may win
      {"4k3/pppppppp/8/8/8/8/8/R3K3 w - -", 0},              // a rook up
      {"rnbqkbnr/pppppppp/8/8/8/8/8/1NN1K3 w - -", 0},       // middlegame: never
      // A rook's pawn with the bishop that cannot cover the queening corner.
      {"7k/8/8/8/8/7P/8/4KB2 w - -", WHITE_CANNOT_WIN},
      {"7k/8/8/8/8/7P/8/4K1B1 w - -", 0},
      {"4kb2/8/7p/8/8/8/8/7K b - -", BLACK_CANNOT_WIN},
      {"4k1b1/8/7p/8/8/8/8/7K b - -", 0},
      // Knights against knights: the first rule that fits (White's) decides,
      // so only White is marked.
      {"1nn1k3/8/8/8/8/8/8/1NN1K3 w - -", WHITE_CANNOT_WIN},
  };
  for (const Case &c : cases) {
    setUpEvaluation(c.fen);
    EXPECT_EQ(cannotWinFlags(), c.flags) << c.fen;
  }
}

TEST(Evaluate, LazyExitBounds) {
  // The lazy score answers once it lies the margin outside the window:
  // beta <= lazy - margin or alpha >= lazy + margin; otherwise the full score.
  const struct {
    const char *fen;
    int lazy, margin, full;
  } cases[] = {
      // Black without a queen: 950 and two majors' imbalance at phase 54
      // (251); the middlegame margin.
      {"rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", 1201, 300, 1205},
      {"rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq -", -1201, 300, -1205},
      // A rook against a bare king: 500 plus half of 128; the endgame margin.
      {"4k3/8/8/8/8/8/8/R3K3 w - -", 564, 200, 584},
      // Two knights cannot win: both scores are quartered.  Lazy: 600 + 128
      // for the extra minor pieces.  Full: then knights -10 and -7 on their
      // corner squares, kings -20 (a1) against -30 (d4), knight mobility 12
      // at half weight: 667.
      {"N7/8/8/8/3k4/8/8/K6N w - -", 728 / 4, 200, 667 / 4},
      {"N7/8/8/8/3k4/8/8/K6N b - -", -728 / 4, 200, -667 / 4},
  };
  for (const auto &c : cases) {
    setUpEvaluation(c.fen);
    const int full = fullEvaluation();
    EXPECT_EQ(full, c.full) << c.fen;
    EXPECT_EQ(evaluate(-10000, c.lazy - c.margin), c.lazy) << c.fen;
    EXPECT_EQ(evaluate(-10000, c.lazy - c.margin + 1), full) << c.fen;
    EXPECT_EQ(evaluate(c.lazy + c.margin, 10000), c.lazy) << c.fen;
    EXPECT_EQ(evaluate(c.lazy + c.margin - 1, 10000), full) << c.fen;
  }
}

TEST(Evaluate, FiftyMoveDamping) {
  // A rook ending has phase 5: damped once more than 84 half-moves passed.
  setUpEvaluation("4k3/8/8/8/8/8/8/R3K3 w - -");
  int undamped = fullEvaluation();
  ASSERT_GT(undamped, 16);
  pos.fiftyCount = 84;
  EXPECT_EQ(fullEvaluation(), undamped);
  pos.fiftyCount = 90;
  EXPECT_EQ(fullEvaluation(), 10 * undamped / 16);
  pos.fiftyCount = 99;
  EXPECT_EQ(fullEvaluation(), undamped / 16);
  // An unclaimed draw past 100 half-moves scores 0; the sign never turns.
  pos.fiftyCount = 100;
  EXPECT_EQ(fullEvaluation(), 0);
  pos.fiftyCount = 130;
  EXPECT_EQ(fullEvaluation(), 0);

  setUpEvaluation("4k3/8/8/8/8/8/8/R3K3 b - -");
  int forBlack = fullEvaluation();
  pos.fiftyCount = 99;
  EXPECT_EQ(fullEvaluation(), forBlack / 16);

  // With more pieces (phase 25 and more) nothing is damped.
  setUpEvaluation("r3k3/8/8/8/8/8/8/RNBQK3 w - -");
  ASSERT_GT(materialPhase(), 24);
  int middlegame = fullEvaluation();
  pos.fiftyCount = 99;
  EXPECT_EQ(fullEvaluation(), middlegame);
}

TEST(Evaluate, MiddlegamePositionsWorkedByHand) {
  // Every term of three benchmark positions added up by hand, White's view
  // except the last total, for the side to move.
  struct Case {
    const char *fen;
    int pawns, passers, pieces, mobility, total;
  } cases[] = {
      // Phase 64.  Pawns: b2 backward (-8), a3 +1, c4 +6, Black's d5 +8.
      // Kings: e1 behind e3/f2 with an empty d-file, 35 of shelter, -8 - 35;
      // the queen's clear c2-h7 diagonal is one attacker on g8,
      // 0 + (5 * (0 - 42)) >> 5 = -7; the uncastled e1 king -30.
      // Mobility 47 - 33 at (256 + 128) / 256: 21.
      {"r1b2rk1/pp3ppp/2n1pn2/q1bp4/2P2B2/P1N1PN2/1PQ2PPP/R3KB1R w KQ -", -9, 0, -61, 14, -49},
      // Phase 58.  Queen e4 with the b7 bishop behind it on the long
      // diagonal: two attackers on g1, -15 + (15 * (-8 - 42)) >> 5 = -39;
      // the e6 bishop's clear line to g8 against h8: -24 - 9 = -33.
      // Mobility 7 at 354 / 256: 9.
      {"5r1k/pb2r1bp/1p2B1p1/n7/4qNQ1/4B3/P4PPP/2RR2K1 w - -", -4, 0, 14, 7, 19},
      // Phase 26, 1300 in pieces each: the middlegame set, kings in the
      // endgame branch (-20 for h1, -15 for g8, the f1 rook one attacker).
      // Passers: d5 mg 35 eg 84, a7 and c4 mg -30 eg -120, blended -19.
      // -100 + 43 - 19 + 5 + (-3 * 162 / 256 = -1) = -72 for White.
      {"r5k1/p4n1p/6p1/3Pp3/2p1P3/1r6/2B3PP/R4R1K b - -", 43, -19, 5, -3, 72},
  };
  for (const Case &c : cases) {
    setUpEvaluation(c.fen);
    PawnHashEntry &entry = test::currentPawnEntry();
    EXPECT_EQ(entry.pawnScore, c.pawns) << c.fen;
    EXPECT_EQ(evaluatePassedPawns(entry), c.passers) << c.fen;
    PieceScores pieces = evaluatePieces(entry);
    EXPECT_EQ(pieces.pos, c.pieces) << c.fen;
    EXPECT_EQ(pieces.mob, c.mobility) << c.fen;
    EXPECT_EQ(fullEvaluation(), c.total) << c.fen;
  }
}

}  // namespace
