// Pawn races in pawn endings, used by the passed-pawn evaluation: for each
// side its fastest passer the enemy king cannot catch, the two-passer rules,
// and the settlement of the race between the two sides' runners.
#pragma once

#include <cstdint>

constexpr int RACE_NONE = 127;  // no unstoppable pawn
constexpr int RACE_PAIR = 16;   // a connected pair the king cannot stop

// Flag bits of a runner beside its rank (bits 0..2).
enum : int { RACE_RANK_MASK = 7, RACE_FREE_PATH = 8, RACE_ESCORTED = 16, RACE_SPLIT_PAIR = 32 };

// Per-call race state, indexed by colour.
struct PawnRaceState {
  int32_t best[2];         // moves the best unstoppable pawn needs to queen, RACE_PAIR, or RACE_NONE
  int32_t queenSquare[2];  // its promotion square, NO_SQUARE when none
  int32_t flags[2];
  int32_t tempo[2];         // one extra tempo granted by the two-passer rule
  int32_t minCatch[2];      // fewest moves to queen among the passers the enemy king can catch
  int32_t catchable[2][2];  // first and last catchable passer seen (square), -1 when empty
  bool pairSeenWhite;       // White's two-passer rule ran
};
extern PawnRaceState pawnRaces;

void resetPawnRaces();
// A passed pawn on s of a side whose opponent has no pieces.
void recordWhiteRunner(int s);
void recordBlackRunner(int s);
// After all passers of that side: two passers too far apart for one king.
void applyWhiteTwoPasserRule();
void applyBlackTwoPasserRule();
// The race result for the endgame sum, White minus Black.
int settlePawnRaces();

// Whether a queen arriving on q would give check, the pawn now on rank r.
bool queenChecksBlack(int q, int r);
bool queenChecksWhite(int q, int r);
