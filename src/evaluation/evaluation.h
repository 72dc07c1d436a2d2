// The static evaluation: a score in centipawns for the side to move.
#pragma once

#include "evaluation/tables.h"
#include "position/position.h"
#include "search/hash_tables.h"

// Full evaluation with a lazy exit when the score is far outside (alpha, beta).
// The console's "chk" calls it with (-10000, 10000), where the exit never fires.
// The result stays within +-EVAL_LIMIT, below the mate scores (beyond 9000),
// even with many promoted queens on the board.
constexpr int EVAL_LIMIT = 8999;
int evaluate(int alpha, int beta);

// Piece activity and king safety, White minus Black: a positional sum added
// directly and a mobility sum weighted by the phase.
struct PieceScores {
  int pos;
  int mob;
};
PieceScores evaluatePieces(PawnHashEntry &entry);

// Passed pawns and pawn races, White minus Black, blended by phase.
int evaluatePassedPawns(PawnHashEntry &entry);

// 3 per minor piece, 5 per rook, 10 per queen, both colours: 64 at the start.
inline int materialPhase() {
  const int32_t(&n)[2][6] = pos.pieceCount;
  return 3 * (n[0][KNIGHT] + n[0][BISHOP] + n[1][KNIGHT] + n[1][BISHOP]) +
         5 * (n[0][ROOK] + n[1][ROOK] + 2 * (n[0][QUEEN] + n[1][QUEEN]));
}

// The parameter set of the current material: the endgame set once both
// sides are down to 1200 or less in pieces.
inline const EvalParams &currentEvalParams() {
  return pos.material[WHITE] > 1200 || pos.material[BLACK] > 1200 ? middlegameParams : endgameParams;
}

// Simple endings that one side cannot win, whatever the score says: a
// positive score for White (or a negative one for Black) is divided by 4.
// Computed only with the endgame parameter set.
enum : int { WHITE_CANNOT_WIN = 1, BLACK_CANNOT_WIN = 2 };
int cannotWinFlags();

// The pawn-structure cache.  The key is the pawn key salted by the parameter
// set; the slot is its low 13 bits.  A key of 0, the mark of a cleared
// entry, is stored as 1 (which lives in another slot, so it is never mistaken).
constexpr uint32_t PAWN_HASH_MASK = PAWN_HASH_ENTRIES - 1;
constexpr uint32_t PAWN_KEY_CLEARED = 0;
inline uint32_t pawnHashKey(const EvalParams &params) { return pos.pawnKey ^ params.pawnHashSalt; }
inline uint32_t storedPawnHashKey(uint32_t key) { return key == PAWN_KEY_CLEARED ? 1 : key; }
inline PawnHashEntry &pawnHashSlot(uint32_t key) { return hashTables.pawn[key & PAWN_HASH_MASK]; }
// The entry of the current pawn structure, scored now if it is not cached.
PawnHashEntry &pawnStructureEntry(const EvalParams &params);
