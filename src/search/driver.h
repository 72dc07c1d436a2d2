// What the iterative-deepening driver shares with the input poll and the
// search output.
#pragma once

#include "shell/engine_state.h"

// Leaves the running search for think()'s return point, which takes back
// every move made below the root.  Only valid while think() runs.
[[noreturn]] void abandonSearch();
// Whether a search can be abandoned now (think() is running).
bool searchRunning();

// The root's best line (pvTable[0]) becomes the search result the shell reads.
void publishResult();

// Analysis of several lines at once: each root move keeps its own line.
inline bool multiPVAnalysis() { return shell.analyzeMode && shell.multiPV >= 2; }

// The input poll without the grace of the first two iterations: the wait at
// the end of a ponder search or an analysis uses it.
void pollInputNow();
