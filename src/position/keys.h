// Zobrist keys.  The book file stores positions under hashKey, so these
// values are part of the book format and must never change.
#pragma once

#include <array>

#include "position/types.h"

constexpr HashKey sideKey = 0xC139B61D3DA793B1ULL;
extern const HashKey castleKey[16];
extern const HashKey epKey[64];
extern const std::array<HashKey, 768> pieceKey;  // index (colour * 6 + type) * 64 + square

inline HashKey pieceKeyOf(int colour, int type, int square) { return pieceKey[(colour * 6 + type) * 64 + square]; }
