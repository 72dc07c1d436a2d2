// The moves of the game: finding a typed or listed move among the legal
// ones, playing it into the record (its algebraic text in moveTextList) and
// setting up the position a "position" or "setboard" command describes.
#pragma once

#include "position/types.h"

// The generated move of the current position with these squares and, for a
// pawn reaching the last rank, this promotion piece (NO_PIECE: none given,
// which means a queen); 0 when there is none.  Legality is left to makeMove.
Move findGeneratedMove(int from, int to, int promotionType);
// The generated move that a coordinate or castling text names, or 0.
Move generatedMoveFromText(const char *text);

// The legal move of the position that a move word names (a root move of the
// search, or a move of its principal variation, which may have come from the
// transposition table without its flags), completed; 0 when there is none.
Move legalMoveFor(Move word);

// Plays a move of the game: stores its algebraic text at
// moveTextList[gamePly], makes it and appends "+" when it gives check.
// Returns 0 (position unchanged) when the move is illegal.  The game record's
// length (gameLength) is left to the caller.
int playGameMove(Move move);
// Takes back the last move of the game.
void takeBackGameMove();

// Carries out a set-position command from commandArg: a FEN (empty for the
// initial position), or "M" and a FEN with the moves in moveTextList.  A
// move list that extends the game on the board only plays the new moves.
void setPositionFromCommand();
// A new game from a FEN (xboard "setboard"): returns 0 after the error line
// when the FEN is missing or the engine cannot use it, leaving the initial
// position.
int setBoardFromFen(const char *fen);
