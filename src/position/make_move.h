// Making and unmaking moves (see make_move.cpp).
#pragma once

#include "position/types.h"

// Plays a generated move; returns 1 when it was legal and has been made, 0
// when it was illegal (the position is then unchanged).
int makeMove(Move move);
// Whether makeMove would accept a generated move, answered without making
// it when the move is neither a king move, castling nor en passant (those
// are made and taken back).
bool legalMove(Move move);
// Takes back the last move made by makeMove or makeNullMove.
void unmakeMove();
// Passes the move to the opponent (the search's null move).
void makeNullMove();
// 1 when the opponent attacks a square the king crosses or lands on.
int castlePathAttacked(int kingTo);
// Stores the check state of the side to move after `move` has been made.
void updateCheckInfo(Move move);
