// The search's move-ordering memory: the history counters and the two killer
// moves per ply.  The move generator reads them to score quiet moves.
#pragma once

#include "position/position.h"

struct MoveOrdering {
  int32_t history[4096];        // indexed by move & 0xFFF (to * 64 + from)
  Move killer[MAX_PLY + 2][2];  // per search ply
};

extern MoveOrdering ordering;

void clearMoveOrdering();
