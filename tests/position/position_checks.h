// Independent recomputation of everything the position keeps incrementally,
// a snapshot of it for make/unmake, and generated lists as text.
#pragma once

#include <cstddef>
#include <cstring>
#include <utility>

#include "position/keys.h"
#include "position/position.h"
#include "test_support.h"

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
    EXPECT_EQ(std::memcmp(pos.pieceBits[c], pieceBits[c], sizeof pieceBits[c]), 0) << c;
    EXPECT_EQ(std::memcmp(pos.pieceCount[c], pieceCount[c], sizeof pieceCount[c]), 0) << c;
    EXPECT_EQ(std::memcmp(pos.pawnFileBits[c], pawnFiles[c], 10), 0) << c;
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

// Every field a move and its unmake must leave as it was: the position up
// to its per-ply history, without the line-neighbour rows of empty squares
// (stale by design), and the current ply's check state.
struct Snapshot {
  std::vector<unsigned char> bytes;
  static Snapshot take() {
    Snapshot s;
    const unsigned char *p = reinterpret_cast<const unsigned char *>(&pos);
    s.bytes.assign(p, p + offsetof(Position, checkInfo));
    for (int sq = 0; sq <= 64; sq++)
      if (sq == 64 || !(pos.occupied >> sq & 1))
        std::memset(&s.bytes[offsetof(Position, lineNeighbour) + sq * 8], 0, 8);
    p = reinterpret_cast<const unsigned char *>(&pos.checkInfo[pos.gamePly]);
    s.bytes.insert(s.bytes.end(), p, p + sizeof(uint32_t));
    return s;
  }
  bool operator==(const Snapshot &o) const { return bytes == o.bytes; }
};

// A generated move as its coordinate text and score word.
using Listed = std::pair<std::string, uint32_t>;

// The moves a generator lists from `from` (every square for -1), in order.
inline std::vector<Listed> listOf(void (*generator)(), int from = -1) {
  generator();
  std::vector<Listed> out;
  for (int i = moveListStart[pos.searchPly]; i < moveListStart[pos.searchPly + 1]; i++)
    if (from < 0 || moveFrom(moveStack[i].move) == from)
      out.push_back({moveToUciCoordinates(moveStack[i].move), moveStack[i].score});
  return out;
}

inline std::vector<std::string> texts(const std::vector<Listed> &list) {
  std::vector<std::string> out;
  for (const Listed &l : list) out.push_back(l.first);
  return out;
}

}  // namespace test
