// The evaluation's constant tables.  Square tables are written rank by rank
// from rank 1, each rank from the h-file to the a-file (square order).  The
// tables that follow a rule (phase scales, shelter bytes, bit indexes, the
// Black and mirrored rows) are built by the compiler from that rule.
#include "evaluation/tables.h"

namespace {

using Table64 = std::array<int32_t, 64>;

constexpr std::array<int32_t, PHASE_TABLE_SIZE> makeImbalancePhaseScale() {
  // Flat in the endgame, steep around phase 24..31, then one step per phase.
  constexpr int32_t rise[16] = {144, 158, 170, 180, 188, 196, 204, 212, 216, 220, 224, 228, 230, 232, 234, 236};
  std::array<int32_t, PHASE_TABLE_SIZE> t{};
  for (int p = 0; p < PHASE_TABLE_SIZE; p++) {
    if (p < 24)
      t[p] = 128;
    else if (p < 40)
      t[p] = rise[p - 24];
    else
      t[p] = 237 + (p - 40);
  }
  return t;
}

constexpr std::array<int32_t, PHASE_TABLE_SIZE> makeMobilityPhaseScale() {
  std::array<int32_t, PHASE_TABLE_SIZE> t{};
  for (int p = 0; p < PHASE_TABLE_SIZE; p++) t[p] = p <= 20 ? 0 : p == 21 ? 4 : 6 * p - 122;
  return t;
}

// Values of one file's pawn bits seen from the king, for b = 0..15 (bit 0
// level with the king, bit 1 one rank in front, ...).
constexpr int32_t shelterLow[16] = {30, 5, 0, 0, 5, 5, 0, 0, 20, 5, 0, 0, 5, 5, 0, 0};
constexpr int32_t stormLow[16] = {15, 5, 10, 20, 15, 17, 20, 20, 7, 8, 12, 20, 15, 17, 20, 20};

// Pawns four or more ranks in front only matter through the nearer ones: an
// empty near part is worth 20 to the defender and nothing to the attacker.
constexpr std::array<int32_t, 128> makeOwnShelterWhite() {
  std::array<int32_t, 128> t{};
  for (int b = 0; b < 128; b++) t[b] = b < 16 ? shelterLow[b] : (b & 15) == 0 ? 20 : shelterLow[b & 15];
  return t;
}

// Beyond 15, a near part of nothing or of a lone pawn three ranks ahead is
// no storm at all.
constexpr std::array<int32_t, 128> makeEnemyStormWhite() {
  std::array<int32_t, 128> t{};
  for (int b = 0; b < 128; b++) t[b] = b < 16 ? stormLow[b] : ((b & 15) == 0 || (b & 15) == 8) ? 0 : stormLow[b & 15];
  return t;
}

// Black's tables in ranges of the left-shifted byte (bit 7 level with the
// king).  The storm table gives 7 for every byte of 16..31, where White's
// rule gives 0 once a farther pawn is present.
struct ByteRange {
  int from, to;
  int32_t value;
};

template <int N>
constexpr std::array<int32_t, 256> makeByRanges(const ByteRange (&ranges)[N]) {
  std::array<int32_t, 256> t{};
  for (const ByteRange &r : ranges)
    for (int b = r.from; b <= r.to; b++) t[b] = r.value;
  return t;
}

constexpr ByteRange ownShelterBlackRanges[] = {{0, 0, 30},   {1, 31, 20},   {32, 63, 5},
                                               {64, 127, 0}, {128, 191, 5}, {192, 255, 0}};
constexpr ByteRange enemyStormBlackRanges[] = {{0, 0, 15},    {1, 15, 0},     {16, 31, 7},   {32, 63, 15},
                                               {64, 79, 10},  {80, 95, 12},   {96, 127, 20}, {128, 143, 5},
                                               {144, 159, 8}, {160, 191, 17}, {192, 255, 20}};

constexpr Table64 kingEndgameGeneral = {
    -20, -15, -10, -5, -5, -10, -15, -20,  //
    -10, -5,  0,   5,  5,  0,   -5,  -10,  //
    0,   5,   10,  15, 15, 10,  5,   0,    //
    10,  15,  20,  25, 25, 20,  15,  10,   //
    15,  20,  25,  30, 30, 25,  20,  15,   //
    10,  15,  20,  25, 25, 20,  15,  10,   //
    5,   10,  15,  20, 20, 15,  10,  5,    //
    0,   5,   10,  15, 15, 10,  5,   0,    //
};

// Pawns on the h-, g- and f-files only: the king heads for that wing.
constexpr Table64 kingEndgameKingWing = {
    -10, -5, -5, -10, -15, -20, -25, -30,  //
    0,   5,  5,  0,   -5,  -10, -15, -20,  //
    10,  15, 15, 10,  5,   0,   -5,  -10,  //
    20,  25, 25, 20,  15,  10,  5,   0,    //
    25,  30, 30, 25,  20,  15,  10,  5,    //
    20,  25, 25, 20,  15,  10,  5,   0,    //
    15,  20, 20, 15,  10,  5,   0,   -5,   //
    10,  15, 15, 10,  5,   0,   -5,  -10,  //
};

constexpr Table64 fileReversed(const Table64 &t) {
  Table64 r{};
  for (int s = 0; s < 64; s++) r[s] = t[s ^ 7];
  return r;
}

constexpr Table64 knightTargetWeightWhite = {
    1, 1, 1, 1, 1, 1, 1, 1,  //
    1, 2, 2, 2, 2, 2, 2, 1,  //
    2, 2, 2, 2, 2, 2, 2, 2,  //
    2, 3, 3, 3, 3, 3, 3, 2,  //
    2, 3, 3, 3, 3, 3, 3, 2,  //
    3, 4, 4, 4, 4, 4, 4, 3,  //
    3, 3, 4, 4, 4, 4, 3, 3,  //
    2, 2, 3, 3, 3, 3, 2, 2,  //
};

constexpr Table64 rankMirrored(const Table64 &t) {
  Table64 r{};
  for (int s = 0; s < 64; s++) r[s] = t[s ^ 56];
  return r;
}

constexpr std::array<int32_t, 256> makeBitIndex(bool highest) {
  std::array<int32_t, 256> t{};
  for (int b = 0; b < 256; b++) {
    t[b] = -1;
    for (int i = 0; i < 8; i++) {
      if (!(b & (1 << i))) continue;
      if (highest || t[b] < 0) t[b] = i;
    }
  }
  return t;
}

}  // namespace

const std::array<int32_t, PHASE_TABLE_SIZE> imbalancePhaseScale = makeImbalancePhaseScale();
const std::array<int32_t, PHASE_TABLE_SIZE> mobilityPhaseScale = makeMobilityPhaseScale();
const std::array<int32_t, 9> bishopPairBonus = {32, 32, 30, 30, 28, 28, 24, 16, 6};

const std::array<int32_t, 16> kingAttackWeight = {0,   5,   15,  30,  50,  75,  105, 140,
                                                  180, 225, 275, 330, 390, 455, 525, 600};
const std::array<int32_t, 16> knightForkBonus = {0, 1, 3, 7, 13, 21, 31, 43, 60, 60, 60, 60, 60, 60, 60, 60};

const std::array<Table64, 2> knightTargetWeight = {knightTargetWeightWhite, rankMirrored(knightTargetWeightWhite)};

const std::array<int32_t, 128> ownShelterWhite = makeOwnShelterWhite();
const std::array<int32_t, 128> enemyStormWhite = makeEnemyStormWhite();
const std::array<int32_t, 256> ownShelterBlack = makeByRanges(ownShelterBlackRanges);
const std::array<int32_t, 256> enemyStormBlack = makeByRanges(enemyStormBlackRanges);

const std::array<Table64, 3> kingEndgameSquare = {kingEndgameGeneral, kingEndgameKingWing,
                                                  fileReversed(kingEndgameKingWing)};

const std::array<int32_t, 256> lowestBitIndex = makeBitIndex(false);
const std::array<int32_t, 256> highestBitIndex = makeBitIndex(true);

const EvalParams middlegameParams = {10, 16, 8, 15, 4, 6, 300, 0x9E3779B9u};
const EvalParams endgameParams = {12, 20, 8, 8, 8, 12, 200, 0x7F4A6C15u};
static_assert((0x9E3779B9u ^ 0x7F4A6C15u) & 0x1FFF, "the two salts must pick different pawn-cache slots");
