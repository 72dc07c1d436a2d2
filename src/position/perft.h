// Counting the leaves of the legal move tree: the move generator's and
// make/unmake's regression test.
#pragma once

#include <cstdint>

#include "position/types.h"

uint64_t perft(int depth);

// Per root move counts, in generation order.
struct PerftDivide {
  int count;
  Move moves[256];
  uint64_t nodes[256];
};
void perftDivide(int depth, PerftDivide &out);
