// Piece-square values: one table per colour and piece, White's from the base
// tables, Black's from the rank-mirrored square.  Also read by the move
// generator to order quiet moves.
#pragma once

#include <cstdint>

// Row colour * 6 + piece type; rooks are 0 everywhere.
extern int32_t pieceSquareTable[12][64];
// Base tables in square order (h1 first), indexed by piece type; the rook has none.
extern const int32_t pawnSquareBase[64];
extern const int32_t knightSquareBase[64];
extern const int32_t bishopSquareBase[64];
extern const int32_t queenSquareBase[64];
extern const int32_t kingSquareBase[64];

// The side to move at the start of the last search, -1 when none.  King
// safety is not symmetric between the engine's side and the opponent.
extern int32_t rootSide;

// Fills pieceSquareTable and forgets the root side (a new game).
void buildPieceSquareTables();
