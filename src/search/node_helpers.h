// Small steps that the quiescence search, the alpha-beta search and the root
// share: the draw rules, picking moves from a list, marking remembered moves
// in it, and keeping the principal variation.
#pragma once

#include "position/move_generation.h"
#include "position/position.h"
#include "search/search_state.h"

// The fifty-move rule and repetitions.  Returns true and sets *score when the
// node is decided: a draw, or a checkmate on the hundredth reversible ply
// (mate takes precedence over the fifty-move rule).  One earlier occurrence
// of the position with the same side to move counts as a draw.
inline bool drawnByRule(int ply, int *score) {
  const int fifty = pos.fiftyCount;
  if (fifty <= 3) return false;
  if (fifty >= 100) {
    *score = fifty == 100 && noEvasions() ? ply - INFINITE_SCORE : 0;
    return true;
  }
  const uint32_t key = uint32_t(pos.hashKey);
  const int last = pos.gamePly - fifty < 0 ? 0 : pos.gamePly - fifty;
  for (int i = pos.gamePly - 4; i >= last; i -= 2) {
    if (uint32_t(pos.plyRecords[i].hashKey) == key) {
      *score = 0;
      return true;
    }
  }
  return false;
}

// Takes the remaining entry with the highest score word into position i of
// the current list and returns its move (ties keep the list's order).
inline Move pickMove(int i, int end) {
  int best = i;
  for (int j = i + 1; j < end; j++)
    if (moveStack[j].score > moveStack[best].score) best = j;
  if (best != i) {
    const MoveEntry t = moveStack[i];
    moveStack[i] = moveStack[best];
    moveStack[best] = t;
  }
  return moveStack[i].move;
}

// Sets `bit` in the score word of the list entry that is `move`.
inline void markMove(Move move, uint32_t bit) {
  if (!move) return;
  const Move id = move & MOVE_IDENTITY_MASK;
  const int end = moveListStart[pos.searchPly + 1];
  for (int i = moveListStart[pos.searchPly]; i < end; i++) {
    if ((moveStack[i].move & MOVE_IDENTITY_MASK) == id) {
      moveStack[i].score |= bit;
      return;
    }
  }
}

// While the search walks down the previous iteration's line, its move at
// this ply goes first; the walk ends where the line ends or leaves the list.
inline void followPrincipalVariation() {
  tree.followPV = 0;
  const int ply = pos.searchPly;
  if (ply >= tree.pvLength[0]) return;
  const Move id = tree.pvTable[0][ply] & MOVE_IDENTITY_MASK;
  if (!id) return;
  const int end = moveListStart[ply + 1];
  for (int i = moveListStart[ply]; i < end; i++) {
    if ((moveStack[i].move & MOVE_IDENTITY_MASK) == id) {
      moveStack[i].score |= SCORE_PV;
      tree.followPV = 1;
      return;
    }
  }
}

// The line of this node: the move, then the child's line.
inline void updatePV(int ply, Move move) {
  Move *row = tree.pvTable[ply];
  const Move *child = tree.pvTable[ply + 1];
  const int length = tree.pvLength[ply + 1];
  row[ply] = move;
  for (int i = ply + 1; i < length; i++) row[i] = child[i];
  tree.pvLength[ply] = length > ply + 1 ? length : ply + 1;
}

inline bool isQuiet(Move move) { return !(move & (MOVE_CAPTURE | MOVE_PROMOTION)); }
