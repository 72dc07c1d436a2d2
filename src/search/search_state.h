// The search's own state, in plain structures with one reset function.
//
// `tree` holds what the recursive search touches at every node (node count,
// the triangular principal-variation table, the material balance per ply);
// `driver` holds what the iterative-deepening driver keeps per search and
// carries from one search to the next; `timing` is the clock side of it.
// The move-ordering memory lives in `ordering` (move_ordering.h).
#pragma once

#include <cstdint>

#include "position/position.h"

// Node flags of the alpha-beta search.
enum : int {
  NF_NULL_OK = 1,      // a null move may be tried here
  NF_RECAPTURED = 2,   // the recapture extension has been used on this path
  NF_SCOUT = 4,        // null-window node; without it a principal-variation node
  NF_HORIZON_EXT = 8,  // the horizon threat extension has been used on this path
  NF_REDUCED = 16,     // the reduced search of a late-move reduction
};

// Quiescence flags.
enum : int {
  QF_ALL_CHECKS = 1,  // generate every quiet check, not only the threatening ones
  QF_FULL_WIDTH = 2,  // below a principal-variation node: no cut-offs from the table, no pruning
};

// The window and the mate scores.
constexpr int INFINITE_SCORE = 10000;
constexpr int MATE_BOUND = 9000;
constexpr int MAX_MULTI_PV = 5;
// Deepest ply at which a node still searches; deeper nodes only evaluate.
constexpr int MAX_SEARCH_PLY = 61;

struct SearchTree {
  uint64_t nodeCount;
  int32_t nodePollMask;  // poll when nodeCount & nodePollMask is 0
  int32_t selDepth;
  int32_t followPV;  // still walking along the previous iteration's line
  int32_t tbHits;
  int32_t tbPollInterval;
  Move pvTable[MAX_PLY][MAX_PLY];
  int32_t pvLength[MAX_PLY];
  int32_t materialBalance[MAX_PLY + 1];  // side to move's view, pawns counted 100
};
extern SearchTree tree;

struct SearchDriver {
  int32_t iterationDepth;
  int32_t lastCompletedDepth;
  int32_t windowLow, windowHigh;
  int32_t failState;      // 0, -1 re-searching after a fail low, 1 after a fail high
  int32_t failLowDepth;   // iteration whose first move or whole window failed low, 0 = none
  int32_t iterationBest;  // -10000 = no root move scored yet in this iteration
  int32_t prevIterScore;
  Move prevPV[MAX_PLY + 1];  // 0-terminated
  int32_t prevPVLength;
  // Root bookkeeping.
  int32_t rootMoveCount;
  int32_t legalRootMoves;
  int32_t currentMoveNumber;
  int32_t firstMoveTime;  // centiseconds
  int64_t reSearchStart;  // milliseconds, 0 = no re-search running
  int32_t searchDone;
  // MultiPV analysis.
  int32_t multipvScore[MAX_MULTI_PV];
  Move multipvLines[MAX_MULTI_PV][MAX_PLY + 1];  // 0-terminated
  int32_t multipvFilled;                         // lines refilled in this iteration
  // Tablebases and early stops.
  int32_t tbProbeLimit;  // -2 = the root is a tablebase draw
  int32_t recaptureSquare;
  int32_t timeTrouble;
  // Remembered between searches.
  int32_t matDiffAtStart;
  int32_t ponderMatDiff;
  int32_t ponderGamePly;
  int32_t ponderScore;
};
extern SearchDriver driver;

struct TimeManagement {
  int32_t targetMoveTime;  // centiseconds
  int32_t timeReserve;
  int32_t avgMoveTime;
  int32_t moveTimeSum;
  int32_t moveTimeCount;
  int32_t ponderTimeUsed;
};
extern TimeManagement timing;

// Test hooks: called at every poll from iteration 3 on; a fixed poll mask
// replaces the one think() adapts to the speed of the machine.
struct SearchHooks {
  void (*onPoll)();
  int32_t fixedPollMask;  // -1 = adapt
};
extern SearchHooks searchHooks;

// Everything above to its state at process start (no previous search).
void resetSearchState();
