// Stand-ins for parts of the engine that are still being built elsewhere:
// a material-and-placement evaluation, quiescence generators that offer
// captures and promotions only, and a tablebase probe that never finds
// anything.  Remove each as soon as the real code is merged.
#include "search/pending_stubs.h"

#include "evaluation/evaluation.h"
#include "evaluation/piece_square.h"
#include "position/move_generation.h"
#include "position/position.h"
#include "position/quiescence_moves.h"

int evaluate(int, int) {
  int score = 0;
  for (int c = 0; c < 2; c++) {
    int side = pos.material[c] + 100 * pos.pieceCount[c][PAWN];
    for (Bitboard b = pos.colourBits[c]; b; b &= b - 1) {
      const int s = lowestBit(b);
      side += pieceSquareTable[c * 6 + wordType(pos.board[s])][s];
    }
    score += c == WHITE ? side : -side;
  }
  return pos.sideToMove == WHITE ? score : -score;
}

void generateCapturesChecks() { generateCaptures(); }
void generateCapturesThreats() { generateCaptures(); }
int queenContactSupported(int) { return 0; }

bool reachable(int s, int x) {
  const int d = directionTo[s * 64 + x];
  if (d < 0) return false;
  const int n = pos.lineNeighbour[s][d];
  return (d & 1) == 0 ? n > x : (n == NO_SQUARE || n < x);
}

bool TbProbe(int *) { return false; }
