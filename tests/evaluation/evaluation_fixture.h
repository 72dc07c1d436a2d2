// Shared set-up of the evaluation tests: board tables, a cleared pawn cache
// and the position of a FEN, with no root side.
#pragma once

#include <random>

#include "evaluation/evaluation.h"
#include "random_positions.h"
#include "test_support.h"

namespace test {

inline void setUpEvaluation(const char *fen = startFen) {
  if (!hashTables.pawn) {
    ASSERT_TRUE(allocateHashTables());
  }
  clearHashTables();
  setUp(fen);
  rootSide = -1;
}

inline int fullEvaluation() { return evaluate(-10000, 10000); }

// Plays a move of a game: made, and the new position becomes the root of
// the next search, as the game loop leaves it.
inline bool playGameMove(Move move) {
  if (!makeMove(move)) return false;
  pos.searchPly = 0;
  moveListStart[0] = 0;
  return true;
}

// The pawn-cache entry the current position uses (creating it if needed).
inline PawnHashEntry &currentPawnEntry() { return pawnStructureEntry(currentEvalParams()); }

// The passed-pawn and pawn-race score of a position, White minus Black.
inline int passedScore(const char *fen) {
  setUpEvaluation(fen);
  return evaluatePassedPawns(currentPawnEntry());
}

}  // namespace test
