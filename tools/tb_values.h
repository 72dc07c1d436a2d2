// The byte stored per position in a tablebase file and its meaning as a
// distance in plies, shared by the generator and its checks.
//
// Win in m moves (mate on the side to move's m-th move): 127 - m, with
// m = 127 stored as -128.  Loss in m moves (mated after m moves of each
// side; 0 = checkmated now): m - 126, with m = 126 stored as -127.  Draw 0;
// 127 marks a slot that no legal position uses.
#pragma once

#include <cstdint>

namespace tbvalues {

constexpr int16_t UNKNOWN = 0x7FFF;
constexpr int16_t DRAW = 0x7FFE;
constexpr int16_t ILLEGAL = 0x7FFD;
constexpr int MAX_PLIES = 253;  // win in 127 moves

// Plies to mate: odd = the side to move wins, even = it loses.
inline bool isWin(int16_t plies) { return plies < ILLEGAL && (plies & 1); }
inline bool isLoss(int16_t plies) { return plies < ILLEGAL && !(plies & 1); }

inline int8_t encode(int16_t plies) {
  if (plies == ILLEGAL) return 127;
  if (plies == DRAW || plies == UNKNOWN) return 0;
  if (plies & 1) {
    int m = (plies + 1) / 2;
    return int8_t(m >= 127 ? -128 : 127 - m);
  }
  int m = plies / 2;
  return int8_t(m >= 126 ? -127 : m - 126);
}

inline int16_t decode(int8_t b) {
  if (b == 127) return ILLEGAL;
  if (b == 0) return DRAW;
  if (b == -128) return 2 * 127 - 1;
  if (b == -127) return 2 * 126;
  if (b > 0) return int16_t(2 * (127 - b) - 1);
  return int16_t(2 * (b + 126));
}

}  // namespace tbvalues
