// The static evaluation: a score in centipawns for the side to move.
#pragma once

#include "position/position.h"
#include "search/hash_tables.h"

// Full evaluation with a lazy exit when the score is far outside (alpha, beta).
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
