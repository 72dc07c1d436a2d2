// Quiet moves for the staged move generation of the alpha-beta search, and
// the tests that let the search play a remembered move (hash move, killer)
// before any list has been generated.
#pragma once

#include "position/types.h"

// Appends every move of the side to move that neither captures nor promotes
// to the current ply's list, unscored: pieces highest square first, castling
// last (king side first).
void generateQuiet();

// Whether a remembered move is playable here as the generators would produce
// it: own piece on the from-square, a path the piece can take, no own piece
// and no king on the to-square, consistent promotion and castling bits.
// Pins and attacked squares are left to makeMove.  Returns the move with its
// flags completed from the board, or 0 when it is not playable.
Move playableMove(Move move);
// The same for a killer: only quiet moves are accepted.
Move playableQuietMove(Move move);
