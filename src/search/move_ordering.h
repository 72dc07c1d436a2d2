// The search's move-ordering memory: the history counters, the two killer
// moves per ply, and the cut-off statistics that decide which quiet moves are
// pruned or reduced.  The move generator reads `history` and `killer` to
// score quiet moves.  Everything here is zeroed at the start of every search.
#pragma once

#include "position/position.h"

// Counters indexed by the low 12 bits of a move (from + 64 * to).
inline int moveIndex(Move move) { return int(move & 0xFFF); }

struct MoveOrdering {
  int32_t history[4096];        // depth * depth summed over quiet best moves
  Move killer[MAX_PLY + 2][2];  // per search ply, full move words
  // Quiet moves searched at null-window nodes, and how often they cut off.
  uint32_t cutoffTried[4096];
  uint32_t cutoffGood[4096];
  // Quiet checks searched in the quiescence search, and how often they cut off.
  uint32_t qCheckTried[4096];
  uint32_t qCheckGood[4096];
};

extern MoveOrdering ordering;

void clearMoveOrdering();

// Credits a quiet best move found `depth` plies from the horizon; when a
// counter outgrows its range every counter is halved, so old experience
// fades without losing the order.
void addHistory(Move move, int depth);
// The latest quiet move that raised alpha at this ply becomes the first killer.
void addKiller(int ply, Move move);
