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
// The positions of "si", their depths and the reference machine's figures.
struct SpeedIndexCase {
  const char *fen;
  int depth;
  uint64_t referenceNodes;
  uint64_t referenceMs;
};
constexpr int SPEED_INDEX_CASES = 4;
extern const SpeedIndexCase speedIndexCases[SPEED_INDEX_CASES];
// Searches case i as a new game to its depth less depthCut (at least 1),
// returns the nodes searched and, when asked, the milliseconds taken.  The
// benchmark program cuts the depth to profile a shorter run.
uint64_t searchSpeedIndexCase(int i, int depthCut, int64_t *milliseconds = nullptr);
