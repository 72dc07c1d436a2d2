// Moves as text: coordinate text for the protocols and search output.
#pragma once

#include "position/types.h"

// "e2e4", "e7e8Q" (xboard form: upper-case promotion letter), castling as the
// king's move ("e1g1").  The text lives in a static buffer that the next call
// overwrites.
const char *moveToCoordinates(Move move);
// The same with a lower-case promotion letter ("e7e8q"), as UCI requires.
const char *moveToUciCoordinates(Move move);
