// Constant tables of the evaluation: phase scales, bishop pair, king attack
// and knight fork weights, knight target weights, king shelter and storm
// tables, king endgame squares, byte bit indexes and the two parameter sets.
// All are written from White's side; Black reads the rank-mirrored square
// (square ^ 56) unless a table has a Black version of its own.
#pragma once

#include <array>
#include <cstdint>

// Scales indexed by the material phase.  The start position has phase 64 and
// promotions can raise it further; phases past the table hold its last value.
constexpr int PHASE_TABLE_SIZE = 64;
inline int phaseIndex(int phase) { return phase < PHASE_TABLE_SIZE - 1 ? phase : PHASE_TABLE_SIZE - 1; }

// Weight of the material imbalance in 1/256ths, growing with the pieces left.
extern const std::array<int32_t, PHASE_TABLE_SIZE> imbalancePhaseScale;
// Weight of piece mobility (0..256), nothing in the late endgame.
extern const std::array<int32_t, PHASE_TABLE_SIZE> mobilityPhaseScale;
// By the side's own pawn count (0..8; more pawns read as 8).
extern const std::array<int32_t, 9> bishopPairBonus;

// By the number of enemy pieces bearing on the king zone; counts past 15
// (several promoted pieces) read as 15.
extern const std::array<int32_t, 16> kingAttackWeight;
// By the weighted number of enemy pieces a knight hits, capped likewise.
extern const std::array<int32_t, 16> knightForkBonus;
inline int countIndex(int n) { return n < 15 ? n : 15; }

// Value of a square as a knight target, [colour][square].
extern const std::array<std::array<int32_t, 64>, 2> knightTargetWeight;

// King shelter and pawn storm penalties for one file next to the king.
// White's tables take a pawn-file byte shifted right by the king's rank (bit 0
// level with the king, bit 1 one rank in front); Black's take the byte shifted
// left by 7 - rank and cut to 8 bits (bit 7 level, bit 6 one rank in front).
extern const std::array<int32_t, 128> ownShelterWhite;
extern const std::array<int32_t, 128> enemyStormWhite;
extern const std::array<int32_t, 256> ownShelterBlack;
extern const std::array<int32_t, 256> enemyStormBlack;

// King activity in the endgame, White's view: row 0 in general, row 1 with
// pawns only on the h-, g- and f-files, row 2 with pawns only on c, b and a.
extern const std::array<std::array<int32_t, 64>, 3> kingEndgameSquare;

// Index of the lowest and highest set bit of a byte, -1 for 0.
extern const std::array<int32_t, 256> lowestBitIndex;
extern const std::array<int32_t, 256> highestBitIndex;

// The pawn-structure weights and the lazy-exit margin.  The middlegame set
// applies while either side has more than 1200 in pieces.  Each set salts the
// pawn key differently (in the low 13 bits too, which pick the cache slot), so
// a structure scored under one set is never read back under the other.
struct EvalParams {
  int32_t doubledPenalty;        // another own pawn in front on the file
  int32_t isolatedPenalty;       // no own pawn on either neighbouring file
  int32_t backwardPenalty;       // every neighbouring own pawn stands in front
  int32_t unsupportablePenalty;  // neighbours only behind and none can come up
  int32_t duoBonus;              // an own pawn level with it on the next file
  int32_t majorityUnit;          // unit of the wing-majority term
  int32_t lazyMargin;            // margin of the lazy evaluation exit
  uint32_t pawnHashSalt;         // XORed into the pawn key
};
extern const EvalParams middlegameParams;
extern const EvalParams endgameParams;
