// Helpers for the passed-pawn tests: the passed-file masks of a position, as
// the pawn-structure pass records them, and colour-flipped FEN text.
#pragma once

#include <string>

#include "evaluation/evaluation.h"
#include "test_support.h"

namespace test {

// The frontmost pawn of a file is passed when no enemy pawn stands in front
// of it on its own or a neighbouring file.
inline PawnHashEntry passedEntry() {
  PawnHashEntry entry{};
  for (int f = 0; f < 8; f++) {
    int white = pos.pawnFileBits[WHITE][f + 1], black = pos.pawnFileBits[BLACK][f + 1];
    int blackNear = pos.pawnFileBits[BLACK][f] | black | pos.pawnFileBits[BLACK][f + 2];
    int whiteNear = pos.pawnFileBits[WHITE][f] | white | pos.pawnFileBits[WHITE][f + 2];
    if (white) {
      int r = 31 - __builtin_clz(white);
      if (!(blackNear >> (r + 1))) entry.passedFiles[WHITE] |= uint8_t(1 << f);
    }
    if (black) {
      int r = __builtin_ctz(black);
      if (!(whiteNear & ((1 << r) - 1))) entry.passedFiles[BLACK] |= uint8_t(1 << f);
    }
  }
  return entry;
}

inline int passedScore(const char *fen) {
  setUp(fen);
  PawnHashEntry entry = passedEntry();
  return evaluatePassedPawns(entry);
}

// Ranks mirrored, colours and side to move exchanged (no castling or en
// passant fields needed here).
inline std::string flipFen(const std::string &fen) {
  std::string placement = fen.substr(0, fen.find(' '));
  std::string side = fen.substr(fen.find(' ') + 1, 1);
  std::string flipped, rank;
  for (char c : placement + "/") {
    if (c != '/') {
      rank += char(isupper(c) ? tolower(c) : toupper(c));
      continue;
    }
    flipped = flipped.empty() ? rank : rank + "/" + flipped;
    rank.clear();
  }
  return flipped + (side == "w" ? " b - -" : " w - -");
}

}  // namespace test
