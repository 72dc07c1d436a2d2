// Moves as text: coordinate text for the protocols and search
// output, standard algebraic notation for the game record, and the parser
// that turns coordinate or castling text back into a move word whose flags
// are completed from the current position.
#pragma once

#include "position/types.h"

// "e2e4", "e7e8Q" (xboard form: upper-case promotion letter), castling as the
// king's move ("e1g1").  The text lives in a static buffer that the next call
// overwrites.  Never pass the move 0.
const char *moveToCoordinates(Move move);
// The same with a lower-case promotion letter ("e7e8q"), as UCI requires.
// A static buffer of its own.
const char *moveToUciCoordinates(Move move);
// Algebraic text of a move in the current position (the position before the
// move), without a check or mate suffix: "Nbd2", "exd6", "gxh8=Q", "O-O-O".
// A static buffer of its own.
const char *moveToSan(Move move);

// Parses coordinate text ("e2e4", "e7e8q", "e7e8Q") or castling text ("O-O",
// "0-0-0", "o-o") in the current position.  Returns 1 and stores the
// completed move word in `move`, or returns 0 (leaving `move` alone) when the
// text cannot be a move here: too short, a square off the board, an empty
// from-square, or a pawn move to the last rank without a promotion letter.
// Reads the NUL-terminated text no further than it needs (at most 5
// characters) and never past its end.  Legality is left to makeMove.
int parseCoordinateMove(Move &move, const char *text);

// Adds the capture, pawn, double push, en passant and promotion flags to a
// word that holds only from, to, promotion type (and castling bits), from
// the current position; returns the completed word.
Move completeMove(Move move);
