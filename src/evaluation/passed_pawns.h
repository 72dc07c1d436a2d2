// Passed pawns: the rank bonus table (also read by the search's pawn-push
// extensions) and the evaluation of the passers recorded in the pawn hash,
// evaluatePassedPawns (declared in evaluation.h).
#pragma once

#include <cstdint>

// By the rank index of a white passer (rank 1 = 0); Black reads index 7 - rank.
extern const int32_t passedRankBonus[8];
