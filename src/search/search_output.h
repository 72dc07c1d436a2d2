// The lines a search prints while it runs, in the form of the protocol in
// use.  Every line is flushed at once.
#pragma once

#include <cstdint>

#include "position/types.h"

// Builds the principal-variation line of `depth` with `score` and prints it
// when thinking output is on; the line is lengthened from the transposition
// table up to `depth` moves.  With depth 0 the previous line is printed again.
void printPV(int depth, int score);
// The best line and the further lines of a MultiPV analysis.
void printMultiPV(int depth);
// "++" after an aspiration fail high, "--" after a fail low (xboard).
void printFailMark();
// UCI progress: the iteration started, and the root move being searched.
void printDepthLine();
void printCurrentMove(Move move, int number, int64_t elapsedMs);
// The last line built by printPV, without its line end.
const char *lastPVLine();
