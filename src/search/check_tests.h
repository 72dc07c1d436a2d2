// Tactical tests on the position that the searches use to decide on
// extensions and pruning without making moves.
#pragma once

#include "position/types.h"

// After a checking move: 1 when the check must be taken seriously, 0 when
// the checker can apparently be taken safely.  The quiescence search's
// version, used for its stand-pat decision in check.
int seriousCheck();
// The alpha-beta search's version, used to decide on check extensions.
int seriousCheckInSearch();

// Whether a move, not yet made, gives check to the opponent's king: a direct
// check by the piece that lands on the to-square, or a check uncovered by
// the piece leaving its square.  A king move is only tested for the latter.
bool moveGivesCheck(Move move);

// After a move: 1 when a piece the side that just moved placed in its last
// three moves of the search now attacks something worth more than itself
// (a knight or bishop against rook, queen or king; a pawn against a piece).
int threatAfterMove();

// Whether the pawn of `colour` on `square` has no enemy pawn in front of it
// on its own or an adjacent file.
bool pawnIsPassed(int square, int colour);
