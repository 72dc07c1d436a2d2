// The pawn structure and its cache: exact structure scores, the weak and
// passed files, and the cache's behaviour (warm equals cold, also across
// the two parameter sets; the cleared-entry mark).
#include <cstring>
#include <tuple>

#include "evaluation_fixture.h"

namespace {

using test::fullEvaluation;
using test::setUpEvaluation;

const PawnHashEntry &structureOf(const char *fen, const EvalParams &params = middlegameParams) {
  setUpEvaluation(fen);
  return pawnStructureEntry(params);
}

TEST(PawnStructure, ExactScores) {
  const std::pair<const char *, int> cases[] = {
      // e2 (-20) isolated and doubled behind e3 (0), isolated; one free pawn
      // on the king side.
      {"4k3/8/8/8/8/4P3/4P3/4K3 w - -", -20 - 16 - 10 - 16 + 6},
      // e4 and d4 (8 each): only e4, with its neighbour on the a-file side,
      // is a duo; one free pawn on each wing.
      {"4k3/8/8/8/3PP3/8/8/4K3 w - -", 8 + 4 + 8 + 6 + 6}, {"4k3/8/8/3pp3/8/8/8/4K3 w - -", -(8 + 4 + 8 + 6 + 6)},
      // e4 (8) ahead of d2: d2 could come up to d3, but c4 would take it and
      // no pawn retakes, so e4 cannot be supported (-15).  d2 is backward
      // (-16 - 8); c4 (9) is isolated (-16).  King-side majority 1 unit.
      // Without c4, d2-d3 supports it.
      {"4k3/8/8/8/2p1P3/8/3P4/4K3 w - -", (8 - 15) + (-16 - 8) - (9 - 16) + 6},
      {"4k3/8/8/8/4P3/8/3P4/4K3 w - -", 8 + (-16 - 8) + 6 + 6},
      // e5 (12) can be supported by d2-d4 in one move, which no black pawn
      // can take en passant; c5 would then take on d4 unanswered, so e5 is
      // unsupportable (-15).  d2 backward (-24), c5 (6) isolated (-16).
      {"4k3/8/8/2p1P3/8/8/3P4/4K3 w - -", (12 - 15) - 24 - (6 - 16) + 6},
      {"4k3/8/8/4P3/8/8/3P4/4K3 w - -", 12 - 24 + 6 + 6},
      {"4k3/3p4/8/8/2P1p3/8/8/4K3 w - -", -((12 - 15) - 24 - (6 - 16) + 6)},
  };
  for (const auto &[fen, score] : cases) EXPECT_EQ(structureOf(fen).pawnScore, score) << fen;

  // a2 with its only neighbour on b3, in front: backward (-8) and file a
  // weak.  b3 is defended by a2 and scores its square (2).  Two free pawns
  // on the queen side against none: a majority worth 3 units of either set.
  const PawnHashEntry &e = structureOf("4k3/8/8/8/8/1P6/P7/4K3 w - -");
  EXPECT_EQ(std::tuple(int(e.weakFiles[WHITE]), int(e.weakFiles[BLACK]), int(e.passedFiles[WHITE]), int(e.pawnScore)),
            std::tuple(1 << 7, 0, 3 << 6, -8 + 2 + 3 * 6));
  EXPECT_EQ(structureOf("4k3/8/8/8/8/1P6/P7/4K3 w - -", endgameParams).pawnScore, -8 + 2 + 3 * 12);
  // The unsupportable e4 marks d2's file weak, and only White has a passer.
  const PawnHashEntry &u = structureOf("4k3/8/8/8/2p1P3/8/3P4/4K3 w - -");
  EXPECT_EQ(std::tuple(int(u.weakFiles[WHITE]), int(u.passedFiles[WHITE]), int(u.passedFiles[BLACK])),
            std::tuple(1 << 4, 1 << 3, 0));
}

TEST(PawnCache, AKeyEqualToTheClearedMarkIsStillCached) {
  const char *fen = "r2qk2r/ppp2ppp/8/3p4/8/2P5/PP3PPP/R2QK2R w KQkq -";
  setUpEvaluation(fen);
  int expected = fullEvaluation();

  // Give the same structure the one key a cleared entry carries.
  setUpEvaluation(fen);
  pos.pawnKey = PAWN_KEY_CLEARED ^ middlegameParams.pawnHashSalt;
  ASSERT_EQ(pawnHashKey(middlegameParams), PAWN_KEY_CLEARED);
  EXPECT_EQ(fullEvaluation(), expected);
  EXPECT_EQ(pawnHashSlot(PAWN_KEY_CLEARED).key, 1u);
  EXPECT_EQ(fullEvaluation(), expected);
}

// Random games from the start position (fixed seed): every position is
// evaluated with the cache warm from the positions before it, then again
// after its entry was cleared as clearing the table clears it.
TEST(PawnCache, WarmEntriesScoreAsFreshOnes) {
  auto structure = [](const PawnHashEntry &e) {
    return std::tuple(e.pawnScore, e.passedFiles[WHITE], e.passedFiles[BLACK], e.weakFiles[WHITE], e.weakFiles[BLACK]);
  };
  std::mt19937 random(20240611);
  int compared = 0;
  for (int game = 0; game < 12; game++) {
    setUpEvaluation();
    for (int ply = 0; ply < 160; ply++) {
      std::vector<Move> moves = test::legalMoves();
      if (moves.empty()) break;
      ASSERT_TRUE(test::playGameMove(moves[random() % moves.size()]));
      for (int side = 0; side < 2; side++) {
        rootSide = side;
        const int warm = fullEvaluation();
        PawnHashEntry &entry = test::currentPawnEntry();
        const auto cached = structure(entry);
        std::memset(&entry, 0, sizeof entry);
        ASSERT_EQ(fullEvaluation(), warm) << test::positionFen();
        ASSERT_EQ(structure(test::currentPawnEntry()), cached) << test::positionFen();
        compared++;
      }
    }
  }
  EXPECT_GT(compared, 2000);
}

}  // namespace
