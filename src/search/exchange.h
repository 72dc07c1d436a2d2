// Static exchange evaluation: two incremental attacker generators, one per
// colour, each returning the value of the next cheapest piece that can take
// on the target square (x-rays through used pieces included), and the
// exchange test the quiescence search uses to drop losing captures.
#pragma once

#include <cstdint>

#include "position/types.h"

constexpr int NO_ATTACKER = 10000;

struct ExchangeState {
  int seeRayFront[8];         // nearest occupied square from the target per direction, 64 = none
  int16_t seeStage[2];        // 0/1 pawn lines, 2 knights, 3 sliders, 4 king used
  int16_t seeKnightIndex[2];  // position reached in the target's knight list
};
extern ExchangeState exchange;

// Starts an exchange on an occupied target square; the first capturer on
// excludedSquare is looked through.
void initExchange(int target, int excludedSquare);
// Starts an exchange on an empty target square, as if the piece on
// excludedSquare (a pawn about to advance) had moved there; the fronts come
// from the rays and a front on excludedSquare is replaced by the next
// occupied square beyond it.
void initExchangeOnEmpty(int target, int excludedSquare);

// Value of the next attacker (100, 300, 300, 500, 950, 4750 for the king) or
// NO_ATTACKER.
int nextWhiteAttacker(int excludedSquare, int target);
int nextBlackAttacker(int excludedSquare, int target);

// The exchange test for a capture by a piece worth more than its victim:
// true when the capture does not lose material.  Cheaper or equal captures
// (en passant among them) are accepted at once, without the test.  Resets
// the exchange state.
bool exchangeTestAccepts(Move move);
