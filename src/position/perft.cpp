// Perft: generate, make, count, unmake.  Illegal pseudo-legal moves are
// refused by makeMove, so every counted leaf is a legal position.  The last
// ply only counts: legalMove answers there what makeMove would.
#include "position/perft.h"

#include "position/make_move.h"
#include "position/move_generation.h"
#include "position/position.h"

uint64_t perft(int depth) {
  if (depth <= 0) return 1;
  generateMoves();
  const int first = moveListStart[pos.searchPly], last = moveListStart[pos.searchPly + 1];
  uint64_t nodes = 0;
  if (depth == 1) {
    for (int i = first; i < last; i++) nodes += legalMove(moveStack[i].move);
    return nodes;
  }
  for (int i = first; i < last; i++) {
    if (!makeMove(moveStack[i].move)) continue;
    nodes += perft(depth - 1);
    unmakeMove();
  }
  return nodes;
}

void perftDivide(int depth, PerftDivide &out) {
  out.count = 0;
  generateMoves();
  const int first = moveListStart[pos.searchPly], last = moveListStart[pos.searchPly + 1];
  for (int i = first; i < last && out.count < 256; i++) {
    const Move move = moveStack[i].move;
    if (!makeMove(move)) continue;
    out.moves[out.count] = move;
    out.nodes[out.count] = depth <= 1 ? 1 : perft(depth - 1);
    out.count++;
    unmakeMove();
  }
}
