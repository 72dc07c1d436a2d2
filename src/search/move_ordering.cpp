#include "search/move_ordering.h"

#include <cstring>

MoveOrdering ordering;

void clearMoveOrdering() { std::memset(&ordering, 0, sizeof ordering); }

void addHistory(Move move, int depth) {
  int32_t &entry = ordering.history[moveIndex(move)];
  entry += depth * depth;
  if (entry > 0x1FFFFF)
    for (int32_t &h : ordering.history) h /= 2;
}

void addKiller(int ply, Move move) {
  Move *k = ordering.killer[ply];
  if (k[0] != move) {
    k[1] = k[0];
    k[0] = move;
  }
}
