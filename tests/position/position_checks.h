// Independent recomputation of everything the position keeps incrementally,
// used by the make/unmake tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "position/keys.h"
#include "position/position.h"

namespace test {

// Recomputes sets, counters, pawn bytes, line neighbours and keys from the
// board words alone and compares them with the position.
inline void expectConsistent(const char *where) {
  SCOPED_TRACE(where);
  Bitboard occupied = 0, colourBits[2] = {0, 0}, pieceBits[2][6] = {};
  int pieceCount[2][6] = {}, material[2] = {0, 0}, total = 0;
  uint8_t pawnFiles[2][10] = {};
  for (int s = 0; s < 64; s++) {
    const int w = pos.board[s];
    if (w == EMPTY) continue;
    const int c = wordColour(w), t = wordType(w);
    ASSERT_TRUE((c == 0 || c == 1) && t < 6) << "bad word on " << s;
    occupied |= 1ULL << s;
    colourBits[c] |= 1ULL << s;
    pieceBits[c][t] |= 1ULL << s;
    pieceCount[c][t]++;
    total++;
    if (t == PAWN) pawnFiles[c][(s & 7) + 1] |= uint8_t(1 << (s >> 3));
    if (t != PAWN && t != KING) material[c] += pieceValue[t];
    if (t == KING) {
      EXPECT_EQ(pos.kingSquare[c], s);
    }
  }
  for (int s = 64; s < 128; s++) EXPECT_EQ(pos.board[s], EMPTY);
  EXPECT_EQ(pos.occupied, occupied);
  EXPECT_EQ(pos.pieceTotal, total);
  for (int c = 0; c < 2; c++) {
    EXPECT_EQ(pos.colourBits[c], colourBits[c]);
    EXPECT_EQ(pos.material[c], material[c]);
    for (int t = 0; t < 6; t++) {
      EXPECT_EQ(pos.pieceBits[c][t], pieceBits[c][t]) << c << " " << t;
      EXPECT_EQ(pos.pieceCount[c][t], pieceCount[c][t]) << c << " " << t;
    }
    EXPECT_EQ(std::memcmp(pos.pawnFileBits[c], pawnFiles[c], 10), 0);
  }
  for (int s = 0; s < 64; s++) {
    if (!(occupied >> s & 1)) continue;
    for (int d = 0; d < 8; d++) {
      int t = stepSquare[s][d];
      while (t != NO_SQUARE && pos.board[t] == EMPTY) t = stepSquare[t][d];
      ASSERT_EQ(pos.lineNeighbour[s][d], t) << "line neighbour of " << s << " direction " << d;
    }
  }
  EXPECT_EQ(pos.opponent, 1 - pos.sideToMove);
  EXPECT_EQ(pos.hashKey, computeHashKey());
  EXPECT_EQ(pos.pawnKey, computePawnKey());
  EXPECT_EQ(pos.checkInfo[pos.gamePly], computeCheckInfo());
}

// Everything a move and its unmake must leave as it was.
struct Snapshot {
  int32_t board[128], sideToMove, kingSquare[2], pieceCount[2][6], pieceTotal, material[2];
  uint8_t pawnFileBits[2][10];
  Bitboard occupied, colourBits[2], pieceBits[2][6];
  uint8_t lineNeighbour[64][8];
  int32_t castleRights, castleMask[64], kingRookSquare[2], queenRookSquare[2], epSquare, fiftyCount;
  HashKey hashKey;
  PawnKey pawnKey;
  int32_t gamePly, searchPly;
  uint32_t checkInfo;

  static Snapshot take() {
    Snapshot s;
    std::memset(&s, 0, sizeof s);
    std::memcpy(s.board, pos.board, sizeof s.board);
    s.sideToMove = pos.sideToMove;
    std::memcpy(s.kingSquare, pos.kingSquare, sizeof s.kingSquare);
    std::memcpy(s.pieceCount, pos.pieceCount, sizeof s.pieceCount);
    s.pieceTotal = pos.pieceTotal;
    std::memcpy(s.material, pos.material, sizeof s.material);
    std::memcpy(s.pawnFileBits, pos.pawnFileBits, sizeof s.pawnFileBits);
    s.occupied = pos.occupied;
    std::memcpy(s.colourBits, pos.colourBits, sizeof s.colourBits);
    std::memcpy(s.pieceBits, pos.pieceBits, sizeof s.pieceBits);
    for (int sq = 0; sq < 64; sq++)  // rows of empty squares are stale by design
      if (pos.occupied >> sq & 1) std::memcpy(s.lineNeighbour[sq], pos.lineNeighbour[sq], 8);
    s.castleRights = pos.castleRights;
    std::memcpy(s.castleMask, pos.castleMask, sizeof s.castleMask);
    std::memcpy(s.kingRookSquare, pos.kingRookSquare, sizeof s.kingRookSquare);
    std::memcpy(s.queenRookSquare, pos.queenRookSquare, sizeof s.queenRookSquare);
    s.epSquare = pos.epSquare;
    s.fiftyCount = pos.fiftyCount;
    s.hashKey = pos.hashKey;
    s.pawnKey = pos.pawnKey;
    s.gamePly = pos.gamePly;
    s.searchPly = pos.searchPly;
    s.checkInfo = pos.checkInfo[pos.gamePly];
    return s;
  }
  bool operator==(const Snapshot &o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};

}  // namespace test
