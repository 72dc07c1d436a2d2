// Passed pawns, scored on every evaluation (before the lazy exit, since a
// passer can be worth far more than the lazy margin).  Two sums are kept, one
// for the middlegame and one for the endgame, and blended by the material
// phase.  A passer earns its rank bonus, more when a neighbour stands level
// with it or protects it, more again when it can step forward without being
// lost (an exchange on the square in front), and in the endgame more for
// the enemy king's distance, an empty wing, and a connected pair against a
// lone minor piece or rook.  In pawn endings the runners feed the race
// settlement of pawn_races.cpp.
#include "evaluation/passed_pawns.h"

#include "evaluation/evaluation.h"
#include "evaluation/pawn_races.h"
#include "search/exchange.h"

const int32_t passedRankBonus[8] = {0, 4, 8, 32, 56, 92, 140, 0};

namespace {

// The material phase for the blend; promotions can push it past 64, where
// the endgame sum would get a negative weight, so it stops at 64.
constexpr int MAX_BLEND_PHASE = 64;

struct PassedSums {
  int mg, eg;
  int pushRewarded;  // bit r: the safe-advance bonus of rank r is given (per side's own ranks)
};

int files(int colour, int f) { return pos.pawnFileBits[colour][f + 1]; }
int highestRank(int bits) { return 31 - __builtin_clz(bits); }
int lowestRank(int bits) { return __builtin_ctz(bits); }

// Can the pawn of the colour step from s to t without losing material?  The
// enemy takes first; each side may stop whenever continuing would lose.
bool advanceIsSafe(int colour, int s, int t) {
  int (*const enemy)(int, int) = colour == WHITE ? nextBlackAttacker : nextWhiteAttacker;
  int (*const own)(int, int) = colour == WHITE ? nextWhiteAttacker : nextBlackAttacker;
  initExchangeOnEmpty(t, s);
  int balance = 0, atRisk = 100;
  int v = enemy(s, t);
  while (v != NO_ATTACKER && balance - atRisk < 0) {
    int next = own(s, t);
    if (next == NO_ATTACKER) return false;
    balance = balance - atRisk + v;
    if (balance < 0) return false;
    atRisk = next;
    v = enemy(s, t);
  }
  return true;
}

void scoreWhitePasser(int f, PassedSums &sum, uint8_t passed) {
  int r = highestRank(files(WHITE, f)), s = r * 8 + f;
  int materialBlack = pos.material[BLACK];
  int b = passedRankBonus[r];
  if (pos.material[WHITE] - materialBlack < -299 && r < 5) b -= b >> 2;
  sum.eg += b;
  sum.mg += b >> 1;

  int neighbours = files(WHITE, f - 1) | files(WHITE, f + 1);
  if (neighbours & (1 << r)) {
    sum.mg += b >> 2;
    sum.eg += b >> 1;
  } else if ((neighbours & (1 << (r - 1))) && r >= 4) {
    sum.mg += b >> 3;
    sum.eg += b >> 2;
  }

  int t = s + 8;
  if (!isEmptyWord(pos.board[t])) {
    sum.mg -= b >> 3;
    sum.eg -= b >> 2;
  } else if (r >= 5 && !(sum.pushRewarded & (1 << r)) && advanceIsSafe(WHITE, s, t)) {
    int g = r == 5 ? 32 : 128;
    if (pos.sideToMove == BLACK) g /= 2;
    sum.mg += g;
    sum.eg += g;
    sum.pushRewarded |= 1 << r;
  }

  if (materialBlack >= 1601) return;
  int bk = pos.kingSquare[BLACK], wk = pos.kingSquare[WHITE];
  // Two connected passers far advanced against a single piece.
  if (r >= 5 && f >= 1 && (files(WHITE, f - 1) & 0x60) && (passed & (1 << (f - 1))) && materialBlack > 0 &&
      materialBlack < 501) {
    int j = (files(WHITE, f - 1) & 0x40) ? 6 : 5;
    if (7 - r < squareDistance(bk, s) - pos.sideToMove && 7 - j < squareDistance(bk, j * 8 + f - 1) - pos.sideToMove)
      sum.eg += materialBlack == 500 ? 300 : r == j ? 100 : 15;
  }
  if (r >= 3) sum.eg += (4 * squareDistance(bk, t) - squareDistance(wk, t)) * (r - 2);
  if (f <= 1 && !(files(BLACK, 0) | files(BLACK, 1) | files(BLACK, 2)) && (f == 0 || !files(BLACK, 3))) sum.eg += 30;
  if (f >= 6 && !(files(BLACK, 5) | files(BLACK, 6) | files(BLACK, 7)) && (f == 7 || !files(BLACK, 4))) sum.eg += 30;
  if (materialBlack == 0 && 7 - r < pawnRaces.best[WHITE]) recordWhiteRunner(s);
}

void scoreBlackPasser(int f, PassedSums &sum, uint8_t passed) {
  int r = lowestRank(files(BLACK, f)), s = r * 8 + f;
  int materialWhite = pos.material[WHITE];
  int b = passedRankBonus[7 - r];
  if (materialWhite - pos.material[BLACK] > 299 && r > 2) b -= b >> 2;
  sum.eg -= b;
  sum.mg -= b >> 1;

  int neighbours = files(BLACK, f - 1) | files(BLACK, f + 1);
  if (neighbours & (1 << r)) {
    sum.mg -= b >> 2;
    sum.eg -= b >> 1;
  } else if ((neighbours & (1 << (r + 1))) && r <= 3) {
    sum.mg -= b >> 3;
    sum.eg -= b >> 2;
  }

  int t = s - 8;
  if (!isEmptyWord(pos.board[t])) {
    sum.mg += b >> 3;
    sum.eg += b >> 2;
  } else if (r <= 2 && !(sum.pushRewarded & (1 << (8 + r))) && advanceIsSafe(BLACK, s, t)) {
    int g = r == 2 ? 32 : 128;
    if (pos.sideToMove == WHITE) g /= 2;
    sum.mg -= g;
    sum.eg -= g;
    sum.pushRewarded |= 1 << (8 + r);
  }

  if (materialWhite >= 1601) return;
  int bk = pos.kingSquare[BLACK], wk = pos.kingSquare[WHITE];
  if (r <= 2 && f >= 1 && (files(BLACK, f - 1) & 0x07) && (passed & (1 << (f - 1))) && materialWhite > 0 &&
      materialWhite < 501) {
    int j = (files(BLACK, f - 1) & 0x02) ? 1 : 2;
    if (r < squareDistance(wk, s) - pos.opponent && j < squareDistance(wk, j * 8 + f - 1) - pos.opponent)
      sum.eg -= materialWhite == 500 ? 300 : r == j ? 100 : 15;
  }
  if (r <= 4) sum.eg -= (4 * squareDistance(wk, t) - squareDistance(bk, t)) * (5 - r);
  if (f <= 1 && !(files(WHITE, 0) | files(WHITE, 1) | files(WHITE, 2)) && (f == 0 || !files(WHITE, 3))) sum.eg -= 30;
  if (f >= 6 && !(files(WHITE, 5) | files(WHITE, 6) | files(WHITE, 7)) && (f == 7 || !files(WHITE, 4))) sum.eg -= 30;
  if (materialWhite == 0 && r < pawnRaces.best[BLACK]) recordBlackRunner(s);
}

}  // namespace

int evaluatePassedPawns(PawnHashEntry &entry) {
  PassedSums sum = {0, 0, 0};
  resetPawnRaces();
  // Without a passer there is nothing to score and no race to settle.
  if ((entry.passedFiles[WHITE] | entry.passedFiles[BLACK]) == 0) return 0;

  // Files are visited from the a-file towards the h-file; a file bit without
  // a pawn (an entry that does not belong to this position) is ignored.
  uint8_t passedWhite = entry.passedFiles[WHITE];
  for (int f = 7; f >= 0; f--)
    if (((passedWhite >> f) & 1) && files(WHITE, f)) scoreWhitePasser(f, sum, passedWhite);
  applyWhiteTwoPasserRule();

  uint8_t passedBlack = entry.passedFiles[BLACK];
  for (int f = 7; f >= 0; f--)
    if (((passedBlack >> f) & 1) && files(BLACK, f)) scoreBlackPasser(f, sum, passedBlack);
  applyBlackTwoPasserRule();

  sum.eg += settlePawnRaces();

  if (sum.mg == 0 && sum.eg == 0) return 0;
  int phase = materialPhase();
  if (phase > MAX_BLEND_PHASE) phase = MAX_BLEND_PHASE;
  return (sum.mg * phase + sum.eg * (64 - phase)) / 64;
}
