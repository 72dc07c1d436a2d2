// The piece-square base tables, written from White's side in square order:
// each line is one rank from the h-file to the a-file, rank 1 first.
#include "evaluation/piece_square.h"

#include <cstring>

int32_t pieceSquareTable[12][64];
int32_t rootSide = -1;

const int32_t pawnSquareBase[64] = {
    0, 0,  0,  0,   0,   0,  0,  0,  //
    0, 0,  0,  -20, -16, 0,  0,  0,  //
    1, 2,  3,  0,   0,   3,  2,  1,  //
    2, 4,  6,  8,   8,   6,  4,  2,  //
    3, 6,  9,  12,  12,  9,  6,  3,  //
    4, 8,  12, 16,  16,  12, 8,  4,  //
    5, 10, 15, 20,  20,  15, 10, 5,  //
    0, 0,  0,  0,   0,   0,  0,  0,  //
};

const int32_t knightSquareBase[64] = {
    -10, -10, -8, -8, -8, -8, -10, -10,  //
    -8,  -4,  0,  0,  0,  0,  -4,  -8,   //
    -6,  0,   8,  8,  8,  8,  0,   -6,   //
    -5,  0,   8,  12, 12, 8,  0,   -5,   //
    -4,  0,   9,  12, 12, 9,  0,   -4,   //
    -5,  0,   10, 12, 12, 10, 0,   -5,   //
    -6,  -4,  0,  2,  2,  0,  -4,  -6,   //
    -7,  -6,  -5, -4, -4, -5, -6,  -7,   //
};

const int32_t bishopSquareBase[64] = {
    -4, -4, -4, -4, -4, -4, -4, -4,  //
    -2, 4,  0,  2,  2,  0,  4,  -2,  //
    -2, 0,  3,  4,  4,  3,  0,  -2,  //
    -2, 0,  4,  8,  8,  4,  0,  -2,  //
    -2, 2,  5,  8,  8,  5,  2,  -2,  //
    -2, 2,  6,  8,  8,  6,  2,  -2,  //
    -2, 2,  2,  2,  2,  2,  2,  -2,  //
    -4, -2, -2, -2, -2, -2, -2, -4,  //
};

const int32_t queenSquareBase[64] = {
    0,  0,  0, 0, 0, 0, 0,  0,   //
    -4, 0,  2, 2, 2, 2, 0,  -4,  //
    -4, 2,  3, 4, 4, 3, 2,  -4,  //
    -4, 2,  4, 8, 8, 4, 2,  -4,  //
    -6, 2,  5, 8, 8, 5, 2,  -6,  //
    -6, 2,  6, 6, 6, 6, 2,  -6,  //
    -6, 0,  2, 2, 2, 2, 0,  -6,  //
    -6, -3, 0, 0, 0, 0, -3, -6,  //
};

const int32_t kingSquareBase[64] = {
    -4,  0,   -8,  -8,  -8,  -4,  0,   -4,   //
    -4,  -6,  -8,  -8,  -8,  -8,  -6,  -4,   //
    -16, -16, -16, -16, -16, -16, -16, -16,  //
    -32, -32, -32, -32, -32, -32, -32, -32,  //
    -40, -40, -40, -40, -40, -40, -40, -40,  //
    -40, -40, -40, -40, -40, -40, -40, -40,  //
    -40, -40, -40, -40, -40, -40, -40, -40,  //
    -40, -40, -40, -40, -40, -40, -40, -40,  //
};

void buildPieceSquareTables() {
  static const int32_t *const base[6] = {pawnSquareBase, knightSquareBase, bishopSquareBase,
                                         nullptr,        queenSquareBase,  kingSquareBase};
  std::memset(pieceSquareTable, 0, sizeof pieceSquareTable);
  for (int s = 0; s < 64; s++) {
    for (int p = 0; p < 6; p++) {
      if (!base[p]) continue;
      pieceSquareTable[p][s] = base[p][s];
      pieceSquareTable[6 + p][s] = base[p][s ^ 56];
    }
  }
  rootSide = -1;
}
