// Passed pawns: the exact amounts of the rank bonus, blockade, safe advance
// and material handicap, the phase blend, colour symmetry and extreme
// material.
#include "evaluation/passed_pawns.h"

#include "evaluation/pawn_races.h"
#include "passed_pawn_support.h"
#include "random_positions.h"

namespace {

using test::passedScore;

TEST(PassedPawns, LonePasserOnTheFifthRank) {
  // a5, nothing else: base 56 (mg 28), king distances (4 * 7 - 5) * 2 = 46,
  // empty queen's wing 30, and the runner is outside the black king's square
  // (850).  Phase 0 keeps the endgame sum alone.
  EXPECT_EQ(passedScore("8/8/8/P6k/8/8/8/4K3 w - -"), 56 + 46 + 30 + 850);
  EXPECT_EQ(pawnRaces.best[WHITE], 3);
}

TEST(PassedPawns, SafeAdvanceOncePerRank) {
  // Two white passers on the sixth rank, both free to advance.  Black's two
  // queens keep the endgame terms off; phase 20.  mg = 46 + 46 + 32 and
  // eg = 92 + 92 + 32: only the b-pawn (visited first) gets the push bonus.
  EXPECT_EQ(passedScore("7k/8/1P2P3/7q/8/7q/8/K7 w - -"), (124 * 20 + 216 * 44) / 64);
}

TEST(PassedPawns, RookBehindSupportsTheAdvance) {
  // a7 with a white rook on a1 and a black rook covering a8: the white rook
  // is seen through the pawn, so the advance is safe: 128 (64 with Black to
  // move).  King distances (4 * 4 - 6) * 4 = 40, empty wing 30; phase 10.
  EXPECT_EQ(passedScore("7r/P7/8/4k3/8/8/6K1/R7 w - -"), ((70 + 128) * 10 + (140 + 128 + 40 + 30) * 54) / 64);
  EXPECT_EQ(passedScore("7r/P7/8/4k3/8/8/6K1/R7 b - -"), ((70 + 64) * 10 + (140 + 64 + 40 + 30) * 54) / 64);
  // The rook beside the file does not help: the pawn is lost on a8.
  EXPECT_EQ(passedScore("7r/P7/8/4k3/8/8/6K1/1R6 w - -"), (70 * 10 + (140 + 40 + 30) * 54) / 64);
}

TEST(PassedPawns, BlockadeAndHandicap) {
  // e5 blocked by a bishop: mg 28 - 7, eg 56 - 14; phase 36, no endgame terms.
  EXPECT_EQ(passedScore("r2q2k1/8/4b3/4P3/8/8/8/R1BQ2K1 w - -"), (21 * 36 + 42 * 28) / 64);
  EXPECT_EQ(passedScore("r2q2k1/1b6/8/4P3/8/8/8/R1BQ2K1 w - -"), (28 * 36 + 56 * 28) / 64);
  // White 1000 behind (queen against queen and two rooks): the fifth-rank
  // passer keeps three quarters of its bonus (42), the sixth-rank one all of
  // it (and its advance is not safe: the queen on d8 takes).
  EXPECT_EQ(passedScore("r2q2kr/8/8/4P3/8/8/8/3Q2K1 w - -"), (21 * 30 + 42 * 34) / 64);
  EXPECT_EQ(passedScore("r2q2kr/8/4P3/8/8/8/8/3Q2K1 w - -"), (46 * 30 + 92 * 34) / 64);
  EXPECT_EQ(passedRankBonus[5], 92);
}

TEST(PassedPawns, NeighboursLevelOrProtecting) {
  // d5 and e5 side by side: each +b/4 mg, +b/2 eg, so mg 28 + 14 and eg
  // 56 + 28 per pawn.  Queen, rook and bishop each keep the endgame terms
  // off; phase 36.
  EXPECT_EQ(passedScore("r2q2k1/1b6/8/3PP3/8/8/1B6/R2Q2K1 w - -"), (2 * 42 * 36 + 2 * 84 * 28) / 64);
  // e5 protected by d4 from the fifth rank on: +b/8 mg, +b/4 eg (mg 35, eg
  // 70); d4 is neither level nor protected (mg 16, eg 32).
  EXPECT_EQ(passedScore("r2q2k1/1b6/8/4P3/3P4/8/1B6/R2Q2K1 w - -"), ((35 + 16) * 36 + (70 + 32) * 28) / 64);
}

TEST(PassedPawns, ConnectedPassersAgainstOnePiece) {
  // c6 and d6 against a rook, the black king outside both squares.  c6:
  // mg 46 + 23 + 32 (safe push), eg 92 + 46 + 32 + 300 + king distances 60;
  // d6: mg 46 + 23, eg 92 + 46 + 60.  Phase 5.
  EXPECT_EQ(passedScore("8/8/2PP4/8/8/6K1/8/k6r w - -"), ((101 + 69) * 5 + (530 + 198) * 59) / 64);
  // Against a bishop the pair on one rank earns 100 instead of 300; phase 3.
  EXPECT_EQ(passedScore("8/8/2PP4/8/8/6K1/8/k6b w - -"), ((101 + 69) * 3 + (330 + 198) * 61) / 64);
}

TEST(PassedPawns, ColourFlipNegatesTheScore) {
  const char *fens[] = {
      "8/8/8/P6k/8/8/8/4K3 w - -",       "7k/8/1P2P3/7q/8/7q/8/K7 w - -",
      "7r/P7/8/4k3/8/8/6K1/R7 b - -",    "r2q2k1/8/4b3/4P3/8/8/8/R1BQ2K1 w - -",
      "6k1/8/8/4P3/3P4/8/q7/q5K1 w - -", "8/5k2/1P6/2p5/8/5K2/6p1/8 b - -",
      "4k3/1P6/8/8/8/8/p7/4K3 w - -",    "8/8/4k3/8/1P4P1/8/8/7K b - -",
      "8/2k5/8/P7/8/8/5p2/3K4 w - -",    "8/3k4/8/1PP5/8/8/4n3/7K w - -",
  };
  for (const char *fen : fens) {
    int score = passedScore(fen);
    EXPECT_EQ(passedScore(test::flipFen(fen).c_str()), -score) << fen;
  }
}

TEST(PassedPawns, ColourFlipOverRandomPlacements) {
  // Kings, a few pawns and sometimes a piece, placed at random.  The
  // two-passer rules are not mirror images of each other (Black's split
  // pair carries the free-path flag and queens on the second pawn's file),
  // so positions where either rule had two catchable passers are left out.
  test::Rng rng(20240611);
  const char pieces[] = "PPPPPPPPppppppppNBRQnbrq";
  int tested = 0;
  for (int attempt = 0; attempt < 20000 && tested < 3000; attempt++) {
    char board[64];
    std::fill(board, board + 64, 0);
    int count = 2 + int(rng.next() % 7);
    board[rng.next() % 64] = 'K';
    for (;;) {
      int s = int(rng.next() % 64);
      if (!board[s]) {
        board[s] = 'k';
        break;
      }
    }
    for (int i = 0; i < count; i++) {
      int s = int(rng.next() % 64);
      char p = pieces[rng.next() % (i < 4 ? 16 : 24)];
      if (!board[s]) board[s] = p;
    }
    std::string fen;
    for (int rank = 7; rank >= 0; rank--) {
      int empty = 0;
      for (int file = 0; file < 8; file++) {
        char c = board[rank * 8 + file];
        if (!c) {
          empty++;
          continue;
        }
        if (empty) fen += char('0' + empty);
        empty = 0;
        fen += c;
      }
      if (empty) fen += char('0' + empty);
      if (rank) fen += '/';
    }
    fen += rng.next() & 1 ? " w - -" : " b - -";
    initBoardTables();
    buildPieceSquareTables();
    if (setupFromFen(fen.c_str()) != FEN_OK) continue;
    std::string flipped = test::flipFen(fen);
    if (setupFromFen(flipped.c_str()) != FEN_OK) continue;
    int score = passedScore(fen.c_str());
    bool pairRule = pawnRaces.catchable[WHITE][1] >= 0 || pawnRaces.catchable[BLACK][1] >= 0;
    int mirrored = passedScore(flipped.c_str());
    pairRule = pairRule || pawnRaces.catchable[WHITE][1] >= 0 || pawnRaces.catchable[BLACK][1] >= 0;
    if (pairRule) continue;
    tested++;
    ASSERT_EQ(mirrored, -score) << fen;
  }
  EXPECT_GE(tested, 3000);
}

TEST(PassedPawns, ExtremeMaterial) {
  // Nine queens: a phase far beyond 64 is blended as 64, the middlegame sum
  // alone: a7's 70 and 128 for its safe advance.
  EXPECT_EQ(passedScore("6k1/P7/8/8/8/8/1QQQQQ2/QQQQ3K w - -"), 70 + 128);
  // Bare kings, and stale masks naming files without pawns.
  test::setUp("8/8/4k3/8/8/3K4/8/8 w - -");
  PawnHashEntry entry{};
  entry.passedFiles[WHITE] = entry.passedFiles[BLACK] = 0xFF;
  EXPECT_EQ(evaluatePassedPawns(entry), 0);
  // Pawns on the seventh and second ranks everywhere they can pass.
  test::setUp("7k/PPPP4/8/8/8/8/4pppp/K7 w - -");
  entry = test::passedEntry();
  EXPECT_EQ(entry.passedFiles[WHITE], 0xF0);
  EXPECT_EQ(entry.passedFiles[BLACK], 0x0F);
  evaluatePassedPawns(entry);
  // Three bishops with passers on both wings, and its mirror.
  int score = passedScore("1k6/P6P/8/8/8/8/p1BBB2p/4K3 b - -");
  EXPECT_EQ(passedScore(test::flipFen("1k6/P6P/8/8/8/8/p1BBB2p/4K3 b - -").c_str()), -score);
}

}  // namespace
