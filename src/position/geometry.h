// Board geometry: steps, rays, knight targets, directions between squares and
// the slider mobility and king-line tables the evaluation reads.
//
// The constant tables are data; the others are built once by initGeometry()
// at start-up and are read-only afterwards, so every geometric question is a
// plain array read.
#pragma once

#include "position/types.h"

// Constant data.
extern const int directionOffset[8];
extern const int directionStep[8][2];  // (rank step, file-index step)
extern const int knightOffset[8];
extern const int knightStep[8][2];
extern const int isSlider[6];

// The free-square counts between two line neighbours, read by the evaluation.
struct LineMobility {
  int32_t diagUp;    // directions 4/5: twice the free squares
  int32_t fileFree;  // directions 0/1
  int32_t diagDown;  // directions 6/7: twice the free squares
  int32_t rankFree;  // directions 2/3
};

// Built by initGeometry().
extern Bitboard squareBit[64];
extern Bitboard squareClear[64];
extern Bitboard kingBits[64];
extern Bitboard pawnAttackFrom[2][64];
extern int32_t rankBit[64];
extern int32_t stepSquare[65][8];  // row 64 is all 64, so stepping from "no square" stays off the board
extern Bitboard rayBits[64][8];
extern int32_t knightTargets[64][9];
extern Bitboard knightBits[64];
extern Bitboard rookLineBits[64];
extern Bitboard bishopLineBits[64];
extern int32_t directionTo[64 * 64];
extern LineMobility lineMobility[65][65];
extern int32_t openLineMobility[64][2];
extern int32_t kingLineInfo[64][2][64];

int stepFrom(int s, int d);
int knightStepFrom(int s, int i);
void initGeometry();

// The larger of the rank and file distances between two squares.
inline int squareDistance(int a, int b) {
  int dr = (a >> 3) - (b >> 3), df = (a & 7) - (b & 7);
  if (dr < 0) dr = -dr;
  if (df < 0) df = -df;
  return dr > df ? dr : df;
}
