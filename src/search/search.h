// What the rest of the engine calls in the search: the iterative-deepening
// driver, the recursive searches, time allocation, the input poll and the
// speed benchmark.  The search's state is in search_state.h.
#pragma once

#include "search/search_state.h"

// Searches the current position within the limits of `timeControl` and the
// modes of `shell`; leaves the best line in searchResult (best move first,
// expected reply second) and its score in searchResult.lastSearchScore.  The
// position is exactly the root again when it returns, however the search
// ended.
void think();
// One iteration at the root: every root move within (alpha, beta).
int rootSearch(int alpha, int beta, int depth);
// The alpha-beta search below the root; depth is 1 or more.
int search(int alpha, int beta, int depth, int fracExt, int nodeFlags);
// The quiescence search below the horizon.
int quiesce(int alpha, int beta, int qflags);

// Sets the soft target and the hard limit for this move from the clocks.
void allocateTime();
// Called every few thousand nodes: checks the clock, reads one waiting input
// line and acts on what its handler asked for.  May abandon the search, in
// which case it does not return.
void pollInput();

// The four benchmark searches and their report ("si").
void speedIndex();
