// The rules of the evaluation that are not colour-symmetric by design, and
// tests that tell whether one of them can touch the current position.  A
// position and its colour-flipped mirror (ranks reversed, colours, side to
// move and castling rights exchanged) score the same for the side to move,
// with no root side, unless one of these rules applies:
//  1. Pawn storm: an enemy pawn three ranks in front of a king, with another
//     farther up the same file, scores 7 against the black king and 0
//     against the white king.
//  2. King lines: the first line from a slider into the enemy king's zone is
//     looked for in the fixed direction order 0..7 for both colours, so when
//     several lines reach the zone the two colours may pick different ones.
//  3. Queen's second line: looked for after a first line in an even
//     direction for White and an odd one for Black; a first line along a
//     rank is even or odd for both colours alike.
//  4. Can't-win flags: the first rule that fits decides, and White's rules
//     come first, so with two knights each and no pawns only White is
//     marked.
//  5. Pawn races: Black's two-passer rule keeps the free-path bit and takes
//     the second pawn's file, and when both sides have two catchable
//     passers White's pair rule runs first and Black's undoes its result.
#pragma once

#include "evaluation/pawn_races.h"
#include "evaluation_fixture.h"

namespace test {

constexpr int mirroredDirection[8] = {1, 0, 2, 3, 7, 6, 5, 4};

// Rule 1, for the king of colour c.
inline bool stormDiffers(int c) {
  if (pos.material[c ^ 1] < 1451) return false;  // no shelter in the endgame
  int k = pos.kingSquare[c], f = k & 7, r = k >> 3;
  for (int g = f - 1; g <= f + 1; g++) {
    int enemy = pos.pawnFileBits[c ^ 1][g + 1];
    int seen = c == WHITE ? enemy >> r : ((enemy << (7 - r)) & 255);
    if (c == WHITE && seen >= 16 && (seen & 15) == 8) return true;
    if (c == BLACK && seen >= 17 && seen <= 31) return true;
  }
  return false;
}

// Rule 2: the line found from s into the zone of the king on k, against the
// line found in the mirrored position.
inline bool kingLineDiffers(int k, int table, int s) {
  int e = kingLineInfo[k][table][s], m = kingLineInfo[k ^ 56][table][s ^ 56];
  if ((e < 0) != (m < 0)) return true;
  if (e < 0) return false;
  return (m >> 8) != ((e >> 8) ^ 56) || ((m >> 4) & 7) != mirroredDirection[(e >> 4) & 7];
}

inline bool sliderLinesDiffer() {
  for (int c = 0; c < 2; c++)
    for (int type : {BISHOP, ROOK, QUEEN})
      for (Bitboard b = pos.pieceBits[c][type]; b; b &= b - 1)
        for (int table = 0; table < 2; table++)  // 0: rank and file lines, 1: diagonals
          if (type != (table ? ROOK : BISHOP) && kingLineDiffers(pos.kingSquare[c ^ 1], table, lowestBit(b)))
            return true;
  return false;
}

// Rule 3: a queen whose first line into the zone runs along a rank and that
// has a second, diagonal line into another zone square.
inline bool queenSecondLineDiffers() {
  for (int c = 0; c < 2; c++) {
    int k = pos.kingSquare[c ^ 1];
    for (Bitboard b = pos.pieceBits[c][QUEEN]; b; b &= b - 1) {
      int e = kingLineInfo[k][0][lowestBit(b)], e2 = kingLineInfo[k][1][lowestBit(b)];
      int d = (e >> 4) & 7;
      if (e > 0 && (d == 2 || d == 3) && e2 >= 0 && (e2 >> 8) != (e >> 8)) return true;
    }
  }
  return false;
}

// Rule 4.
inline bool knightsAgainstKnights() {
  for (int c = 0; c < 2; c++)
    if (pos.pieceCount[c][PAWN] || pos.material[c] != 600 || pos.pieceCount[c][BISHOP]) return false;
  return true;
}

// Rule 5: the two-passer rule made a split pair the runner of one side, or
// both sides had two catchable passers (each side's pair rule then reacts to
// the other's in a fixed order).  Read after the position was evaluated.
inline bool twoPasserRace() {
  if ((pawnRaces.flags[WHITE] | pawnRaces.flags[BLACK]) & RACE_SPLIT_PAIR) return true;
  return pawnRaces.catchable[WHITE][1] >= 0 && pawnRaces.catchable[BLACK][1] >= 0;
}

// The number of the first rule that can touch the position, 0 if none; to
// be asked right after the position was evaluated.
inline int asymmetricRule() {
  if (stormDiffers(WHITE) || stormDiffers(BLACK)) return 1;
  if (sliderLinesDiffer()) return 2;
  if (queenSecondLineDiffers()) return 3;
  if (knightsAgainstKnights()) return 4;
  if (twoPasserRace()) return 5;
  return 0;
}

}  // namespace test
