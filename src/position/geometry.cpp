// Builds the geometry tables once at start-up.  Square 0 is h1 and the file
// index grows towards the a-file, so "left" (direction 2) is +1.
#include "position/geometry.h"

#include <initializer_list>

const int directionOffset[8] = {8, -8, 1, -1, 9, -9, 7, -7};
const int directionStep[8][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}, {1, 1}, {-1, -1}, {1, -1}, {-1, 1}};
const int knightOffset[8] = {15, -15, 6, -6, 17, -17, 10, -10};
const int knightStep[8][2] = {{2, -1}, {-2, 1}, {1, -2}, {-1, 2}, {2, 1}, {-2, -1}, {1, 2}, {-1, -2}};
const int isSlider[6] = {0, 0, 1, 1, 1, 0};

Bitboard squareBit[64];
Bitboard squareClear[64];
Bitboard kingBits[64];
Bitboard pawnAttackFrom[2][64];
int32_t rankBit[64];
int32_t stepSquare[65][8];
Bitboard rayBits[64][8];
int32_t knightTargets[64][9];
Bitboard knightBits[64];
Bitboard rookLineBits[64];
Bitboard bishopLineBits[64];
int32_t directionTo[64 * 64];
LineMobility lineMobility[65][65];
int32_t openLineMobility[64][2];
int32_t kingLineInfo[64][2][64];

static int stepWith(int s, int offset, int rankStep, int fileStep) {
  int t = s + offset;
  if (t < 0 || t > 63) return NO_SQUARE;
  if ((t >> 3) - (s >> 3) != rankStep || (t & 7) - (s & 7) != fileStep) return NO_SQUARE;
  return t;
}

int stepFrom(int s, int d) { return stepWith(s, directionOffset[d], directionStep[d][0], directionStep[d][1]); }

int knightStepFrom(int s, int i) { return stepWith(s, knightOffset[i], knightStep[i][0], knightStep[i][1]); }

static int squaresBeyond(int s, int d) {
  int n = 0;
  for (int t = stepFrom(s, d); t != NO_SQUARE; t = stepFrom(t, d)) n++;
  return n;
}

// The constant-shaped tables (king neighbourhoods, pawn attacks, rank bits)
// are derived here too rather than typed in, from the same step rules.
static void initSmallTables() {
  for (int s = 0; s < 64; s++) {
    rankBit[s] = 1 << (s >> 3);
    kingBits[s] = 0;
    for (int d = 0; d < 8; d++) {
      int t = stepFrom(s, d);
      if (t != NO_SQUARE) kingBits[s] |= 1ULL << t;
    }
    // A white pawn attacks s from one rank below (directions 5 and 7 from s),
    // a black pawn from one rank above (directions 4 and 6).
    pawnAttackFrom[WHITE][s] = pawnAttackFrom[BLACK][s] = 0;
    for (int d : {DOWN_RIGHT, DOWN_LEFT}) {
      int t = stepFrom(s, d);
      if (t != NO_SQUARE && t >= 8) pawnAttackFrom[WHITE][s] |= 1ULL << t;
    }
    for (int d : {UP_LEFT, UP_RIGHT}) {
      int t = stepFrom(s, d);
      if (t != NO_SQUARE && t < 56) pawnAttackFrom[BLACK][s] |= 1ULL << t;
    }
  }
}

static void initLineMobility() {
  for (int p = 0; p <= 64; p++) {
    for (int q = 0; q <= 64; q++) {
      LineMobility &m = lineMobility[p][q];
      if (p < 64 && q < 64) {
        int diff = p < q ? q - p : p - q;
        m.diagUp = diff % 9 == 0 ? 2 * (diff / 9) - 4 : -2;
        m.diagDown = diff % 7 == 0 ? 2 * (diff / 7) - 4 : -2;
        m.fileFree = diff / 8 - 2;
        m.rankFree = diff - 2;
      } else if (p == 64 && q < 64) {
        m.diagUp = 2 * squaresBeyond(q, UP_LEFT) - 2;
        m.diagDown = 2 * squaresBeyond(q, UP_RIGHT) - 2;
        m.fileFree = 6 - (q >> 3);
        m.rankFree = 6 - (q & 7);
      } else if (p < 64 && q == 64) {
        m.diagUp = 2 * squaresBeyond(p, DOWN_RIGHT) - 2;
        m.diagDown = 2 * squaresBeyond(p, DOWN_LEFT) - 2;
        m.fileFree = (p >> 3) - 1;
        m.rankFree = (p & 7) - 1;
      } else {
        m.diagUp = m.diagDown = 0;
        m.fileFree = m.rankFree = 7;
      }
    }
  }
}

// For a king on k and a piece on s: the first direction (of all eight, or of
// the diagonals only) whose ray from s enters the king's zone.
static int kingLineEntry(int k, int s, int firstDirection) {
  Bitboard zone = kingBits[k] | squareBit[k];
  for (int d = firstDirection; d < 8; d++) {
    Bitboard hit = rayBits[s][d] & zone;
    if (!hit) continue;
    int e = (d & 1) == 0 ? lowestBit(hit) : highestBit(hit);
    return (e << 8) | (d * 16 + squareDistance(k, s));
  }
  return -1;
}

void initGeometry() {
  for (int s = 63; s >= 0; s--) {
    squareBit[s] = 1ULL << s;
    squareClear[s] = ~(1ULL << s);
  }
  initSmallTables();
  for (int s = 0; s < 64; s++) {
    int n = 0;
    knightBits[s] = 0;
    for (int d = 0; d < 8; d++) {
      Bitboard ray = 0;
      for (int t = stepFrom(s, d); t != NO_SQUARE; t = stepFrom(t, d)) ray |= squareBit[t];
      rayBits[s][d] = ray;
      stepSquare[s][d] = stepFrom(s, d);
      int t = knightStepFrom(s, d);
      if (t != NO_SQUARE) {
        knightTargets[s][n++] = t;
        knightBits[s] |= squareBit[t];
      }
    }
    knightTargets[s][n] = -1;
  }
  for (int d = 0; d < 8; d++) stepSquare[64][d] = NO_SQUARE;
  for (int s = 0; s < 64; s++) {
    rookLineBits[s] = rayBits[s][0] | rayBits[s][1] | rayBits[s][2] | rayBits[s][3];
    bishopLineBits[s] = rayBits[s][4] | rayBits[s][5] | rayBits[s][6] | rayBits[s][7];
  }
  initLineMobility();
  for (int s = 0; s < 64; s++) {
    openLineMobility[s][0] = 2 * (squaresBeyond(s, UP_LEFT) + squaresBeyond(s, DOWN_RIGHT));
    openLineMobility[s][1] = 2 * (squaresBeyond(s, UP_RIGHT) + squaresBeyond(s, DOWN_LEFT));
  }
  for (int k = 0; k < 64; k++) {
    for (int s = 0; s < 64; s++) {
      kingLineInfo[k][0][s] = kingLineEntry(k, s, 0);
      kingLineInfo[k][1][s] = kingLineEntry(k, s, 4);
      int dir = -1;
      for (int d = 0; d < 8; d++) {
        if (rayBits[s][d] & squareBit[k]) {
          dir = d;
          break;
        }
      }
      directionTo[s * 64 + k] = dir;
    }
  }
}
