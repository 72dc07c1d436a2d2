// Pawn races.  In a pawn ending seen from one side (the defender has king and
// pawns only) each passer is either unstoppable (outside the square of the
// enemy king, ahead of it, or escorted by its own king) or catchable.  The
// fastest unstoppable pawn of each side and the number of moves it needs are
// kept; two catchable passers far apart can still make one of them
// unstoppable.  The settlement compares the two runners: a side that queens
// two moves or more ahead wins (850, a queen less a little), and a side one
// move ahead wins only when its new queen checks, controls the other
// promotion square, or the other pawn is blocked.
#include "evaluation/pawn_races.h"

#include "position/position.h"

PawnRaceState pawnRaces;

namespace {

int rankOf(int s) { return s >> 3; }
int fileOf(int s) { return s & 7; }
int absolute(int x) { return x < 0 ? -x : x; }
int minimum(int a, int b) { return a < b ? a : b; }

// Rank of the most advanced pawn of the colour on the file, -1 when none.
int frontRank(int colour, int file) {
  int bits = pos.pawnFileBits[colour][file + 1];
  if (!bits) return -1;
  return colour == WHITE ? 31 - __builtin_clz(bits) : __builtin_ctz(bits);
}

void setRunner(int colour, int moves, int queenSquare, int s, bool freePath) {
  pawnRaces.best[colour] = moves;
  pawnRaces.queenSquare[colour] = queenSquare;
  pawnRaces.flags[colour] = rankOf(s) | (freePath ? RACE_FREE_PATH : 0);
  // A pawn on its starting rank saves a move with the double step.
  if (rankOf(s) == (colour == WHITE ? 1 : 6)) pawnRaces.best[colour]--;
}

void addCatchable(int colour, int s) {
  int(&slots)[2] = pawnRaces.catchable[colour];
  if (slots[0] < 0)
    slots[0] = s;
  else
    slots[1] = s;
}

}  // namespace

void resetPawnRaces() {
  for (int c = WHITE; c <= BLACK; c++) {
    pawnRaces.best[c] = RACE_NONE;
    pawnRaces.queenSquare[c] = NO_SQUARE;
    pawnRaces.flags[c] = 0;
    pawnRaces.tempo[c] = 0;
    pawnRaces.minCatch[c] = RACE_NONE;
    pawnRaces.catchable[c][0] = pawnRaces.catchable[c][1] = -1;
  }
  pawnRaces.pairSeenWhite = false;
}

bool queenChecksBlack(int q, int r) {
  if (q >= 64) return false;
  int bk = pos.kingSquare[BLACK];
  int d = directionTo[bk * 64 + q];
  if (d < 0) return false;
  if (pos.lineNeighbour[bk][d] == NO_SQUARE && squareDistance(bk, q) > 1) return true;
  return d == UP && rankOf(pos.lineNeighbour[bk][UP]) == r;
}

bool queenChecksWhite(int q, int r) {
  if (q >= 64) return false;
  int wk = pos.kingSquare[WHITE];
  int d = directionTo[wk * 64 + q];
  if (d < 0) return false;
  if (pos.lineNeighbour[wk][d] == NO_SQUARE && squareDistance(wk, q) > 1) return true;
  return d == DOWN && rankOf(pos.lineNeighbour[wk][DOWN]) == r;
}

void recordWhiteRunner(int s) {
  int r = rankOf(s), f = fileOf(s), q = f + 56;
  int bk = pos.kingSquare[BLACK], wk = pos.kingSquare[WHITE];
  int stm = pos.sideToMove, opp = pos.opponent;
  int dR = absolute(rankOf(bk) - r), dF = absolute(fileOf(bk) - f), wF = absolute(fileOf(wk) - f);
  int front = pos.lineNeighbour[s][UP];
  bool freePath = front == NO_SQUARE;

  // 1. The black king is behind the pawn or outside its square.
  if (r - stm > rankOf(bk) || (dF > dR ? dF : dR) > 7 - r + stm) {
    setRunner(WHITE, freePath ? 7 - r : 8 - r, q, s, freePath);
    return;
  }
  // 2. Inside the square, but no nearer to the pawn and its queening square
  // than the white king.
  if (dF >= wF && squareDistance(bk, s) >= squareDistance(wk, s) && squareDistance(bk, q) >= squareDistance(wk, q)) {
    if (freePath) {
      setRunner(WHITE, 7 - r, q, s, true);
      return;
    }
    // A blocked rook's pawn: the king must reach the square beside the blocker.
    bool caught =
        (f == 0 && squareDistance(bk, front + 2) - stm < 1) || (f == 7 && !(squareDistance(bk, front - 2) - stm > 0));
    if (!caught) {
      setRunner(WHITE, 8 - r, q, s, false);
      return;
    }
    addCatchable(WHITE, s);
    return;
  }
  // 3. The black king is nearer: the pawn still runs when its own king
  // shepherds it and stands on another file than the defender.
  if (wF - opp <= dF && squareDistance(wk, s) - opp <= squareDistance(bk, s) &&
      squareDistance(wk, q) - opp <= squareDistance(bk, q) && absolute(fileOf(wk) - fileOf(bk)) > 1) {
    pawnRaces.best[WHITE] = r == 1 ? 6 : 8 - r;
    pawnRaces.queenSquare[WHITE] = q;
    pawnRaces.flags[WHITE] = r | RACE_ESCORTED | (freePath ? RACE_FREE_PATH : 0);
    return;
  }
  if (!(r <= rankOf(bk) && squareDistance(bk, s) <= 7 - r))
    pawnRaces.minCatch[WHITE] = minimum(pawnRaces.minCatch[WHITE], 7 - r);
  addCatchable(WHITE, s);
}

void recordBlackRunner(int s) {
  int r = rankOf(s), f = fileOf(s), q = f;
  int bk = pos.kingSquare[BLACK], wk = pos.kingSquare[WHITE];
  int stm = pos.sideToMove, opp = pos.opponent;
  int dF = absolute(fileOf(wk) - f), bF = absolute(fileOf(bk) - f);
  int front = pos.lineNeighbour[s][DOWN];
  bool freePath = front == NO_SQUARE;

  if (rankOf(wk) > r + opp || squareDistance(wk, s) > r + opp) {
    setRunner(BLACK, freePath ? r : r + 1, q, s, freePath);
    return;
  }
  if (dF >= bF && squareDistance(wk, s) >= squareDistance(bk, s) && squareDistance(wk, q) >= squareDistance(bk, q)) {
    if (freePath) {
      setRunner(BLACK, r, q, s, true);
      return;
    }
    bool caught =
        (f == 0 && squareDistance(wk, front + 2) - opp < 1) || (f == 7 && !(squareDistance(wk, front - 2) - opp > 0));
    if (!caught) {
      setRunner(BLACK, r + 1, q, s, false);
      return;
    }
    addCatchable(BLACK, s);
    return;
  }
  if (bF - stm <= dF && squareDistance(bk, s) - stm <= squareDistance(wk, s) &&
      squareDistance(bk, q) - stm <= squareDistance(wk, q) && absolute(fileOf(wk) - fileOf(bk)) > 1) {
    pawnRaces.best[BLACK] = r == 6 ? 6 : r + 1;
    pawnRaces.queenSquare[BLACK] = q;
    pawnRaces.flags[BLACK] = r | RACE_ESCORTED | (freePath ? RACE_FREE_PATH : 0);
    return;
  }
  if (!(r >= rankOf(wk) && squareDistance(wk, s) <= r))
    pawnRaces.minCatch[BLACK] = minimum(pawnRaces.minCatch[BLACK], r);
  addCatchable(BLACK, s);
}

// Two catchable passers with files far enough apart: the king that stops one
// lets the other through.  The first slot holds the pawn on the higher file.
void applyWhiteTwoPasserRule() {
  int first = pawnRaces.catchable[WHITE][0], second = pawnRaces.catchable[WHITE][1];
  if (first < 0 || second < 0) return;
  int a = 7 - rankOf(first), b = 7 - rankOf(second), gap = fileOf(first) - fileOf(second);
  int opp = pos.opponent, bk = pos.kingSquare[BLACK];
  int &best = pawnRaces.best[WHITE];
  if (b < a) {
    if (a < gap + opp && a < best) {
      best = a;
      pawnRaces.queenSquare[WHITE] = fileOf(first) + 56;
      pawnRaces.flags[WHITE] = RACE_SPLIT_PAIR;
    }
  } else if (a < b) {
    if (b < gap + opp && b < best) {
      best = b;
      pawnRaces.queenSquare[WHITE] = fileOf(second) + 56;
      pawnRaces.flags[WHITE] = RACE_SPLIT_PAIR;
    }
  } else if (a < gap && a < best) {
    best = a;
    pawnRaces.queenSquare[WHITE] = fileOf(first) + 56;
    pawnRaces.flags[WHITE] = RACE_SPLIT_PAIR;
    // The black king on move and between the two, close enough to gain a tempo.
    if (pos.sideToMove == BLACK && 7 - rankOf(bk) < a && fileOf(first) - fileOf(bk) < a &&
        fileOf(bk) - fileOf(second) < a) {
      best = a + 1;
      pawnRaces.tempo[WHITE] = 1;
    }
  }
  pawnRaces.pairSeenWhite = true;
  if (gap == 1 && best == RACE_NONE && absolute(a - b) < 2) best = RACE_PAIR;
}

void applyBlackTwoPasserRule() {
  int first = pawnRaces.catchable[BLACK][0], second = pawnRaces.catchable[BLACK][1];
  if (first < 0 || second < 0) return;
  int a = rankOf(first), b = rankOf(second), gap = fileOf(first) - fileOf(second);
  int stm = pos.sideToMove, wk = pos.kingSquare[WHITE];
  int &best = pawnRaces.best[BLACK];
  const int splitFlags = RACE_SPLIT_PAIR | RACE_FREE_PATH;
  if (b < a) {
    if (a < gap + stm && a < best) {
      best = a;
      pawnRaces.queenSquare[BLACK] = fileOf(first);
      pawnRaces.flags[BLACK] = splitFlags;
    }
  } else if (a < b) {
    if (b < gap + stm && b < best) {
      best = b;
      pawnRaces.queenSquare[BLACK] = fileOf(second);
      pawnRaces.flags[BLACK] = splitFlags;
    }
  } else if (a < gap && a < best) {
    best = a;
    pawnRaces.queenSquare[BLACK] = fileOf(second);
    pawnRaces.flags[BLACK] = splitFlags;
    if (pos.sideToMove == WHITE && rankOf(wk) < a && fileOf(first) - fileOf(wk) < a &&
        fileOf(wk) - fileOf(second) < a) {
      best = a + 1;
      pawnRaces.tempo[BLACK] = 1;
    }
  }
  if (pawnRaces.best[WHITE] == RACE_PAIR)
    pawnRaces.best[WHITE] = RACE_NONE;
  else if (best == RACE_NONE && !pawnRaces.pairSeenWhite && gap == 1 && absolute(a - b) < 2)
    best = RACE_PAIR;
}

namespace {

// The most advanced pawns on the two promotion files.
bool runnerSquares(int &whitePawn, int &blackPawn) {
  int qW = pawnRaces.queenSquare[WHITE], qB = pawnRaces.queenSquare[BLACK];
  if (qW >= 64 || qB >= 64) return false;
  int rW = frontRank(WHITE, fileOf(qW)), rB = frontRank(BLACK, fileOf(qB));
  if (rW < 0 || rB < 0) return false;
  whitePawn = rW * 8 + fileOf(qW);
  blackPawn = rB * 8 + fileOf(qB);
  return true;
}

// White queens one move before Black.  Returns White's gain.
int whiteOneMoveAhead() {
  int qW = pawnRaces.queenSquare[WHITE], qB = pawnRaces.queenSquare[BLACK];
  int fW = pawnRaces.flags[WHITE], fB = pawnRaces.flags[BLACK];
  int bk = pos.kingSquare[BLACK];
  bool blackRunsFree = (fB & RACE_FREE_PATH) && !(fB & RACE_ESCORTED);

  // The new queen checks, so Black's reply cannot be its own promotion.
  if (blackRunsFree && !(fW & RACE_SPLIT_PAIR) && queenChecksBlack(qW, fW & RACE_RANK_MASK) && bk != qB) {
    bool closeToOwnCorner = squareDistance(bk, qB) < 3 && absolute(fileOf(qW) - fileOf(qB)) != 1;
    return closeToOwnCorner ? 50 : 850;
  }
  if (fB & RACE_SPLIT_PAIR) return 0;

  // The new queen sees Black's promotion square along the long diagonal or the file.
  int whitePawn, blackPawn;
  if (!runnerSquares(whitePawn, blackPawn)) return 0;
  bool control = (qW == 63 && qB == 0 && !(rayBits[63][DOWN_RIGHT] & pos.occupied)) ||
                 (qW == 56 && qB == 7 && !(rayBits[56][DOWN_LEFT] & pos.occupied)) ||
                 (fileOf(qW) == fileOf(qB) && pos.lineNeighbour[blackPawn][UP] == whitePawn);
  if (control) {
    int k = kingLineInfo[qB][0][bk] & 15;
    if (blackRunsFree) return k == 2 ? 50 : k > 2 ? 850 : 0;
    return k > 2 ? 850 : 0;
  }

  // Black's pawn is blocked and its king shut in beside White's pawn.
  if (!(fB & RACE_FREE_PATH) && pos.lineNeighbour[whitePawn][DOWN] == NO_SQUARE) {
    Bitboard king = squareBit[bk];
    if (fileOf(qB) == 0 && fileOf(qW) == 1 && (king & 0x20F1F1F1F1FULL)) return 850;
    if (fileOf(qB) == 7 && fileOf(qW) == 6 && (king & 0x40F0F8F8F8F8ULL)) return 850;
  }
  return 0;
}

// Black queens one move before White.  Returns Black's gain.
int blackOneMoveAhead() {
  int qW = pawnRaces.queenSquare[WHITE], qB = pawnRaces.queenSquare[BLACK];
  int fW = pawnRaces.flags[WHITE], fB = pawnRaces.flags[BLACK];
  int wk = pos.kingSquare[WHITE];
  bool whiteRunsFree = (fW & RACE_FREE_PATH) && !(fW & RACE_ESCORTED);

  if (whiteRunsFree && !(fB & RACE_SPLIT_PAIR) && queenChecksWhite(qB, fB & RACE_RANK_MASK) && wk != qW) {
    bool closeToOwnCorner = squareDistance(wk, qW) < 3 && absolute(fileOf(qW) - fileOf(qB)) != 1;
    return closeToOwnCorner ? 50 : 850;
  }
  if (fW & RACE_SPLIT_PAIR) return 0;

  int whitePawn, blackPawn;
  if (!runnerSquares(whitePawn, blackPawn)) return 0;
  bool control = (qB == 0 && qW == 63 && !(rayBits[0][UP_LEFT] & pos.occupied)) ||
                 (qB == 7 && qW == 56 && !(rayBits[7][UP_RIGHT] & pos.occupied)) ||
                 (fileOf(qW) == fileOf(qB) && pos.lineNeighbour[whitePawn][DOWN] == blackPawn);
  if (control) {
    int k = kingLineInfo[qW][0][wk] & 15;
    if (whiteRunsFree) return k == 2 ? 50 : k > 2 ? 850 : 0;
    return k > 2 ? 850 : 0;
  }

  if (!(fW & RACE_FREE_PATH) && pos.lineNeighbour[blackPawn][UP] == NO_SQUARE) {
    Bitboard king = squareBit[wk];
    if (fileOf(qW) == 0 && fileOf(qB) == 1 && (king & 0x1F1F1F1F0F020000ULL)) return 850;
    if (fileOf(qW) == 7 && fileOf(qB) == 6 && (king & 0xF8F8F8F8F0400000ULL)) return 850;
  }
  return 0;
}

}  // namespace

int settlePawnRaces() {
  int W = pawnRaces.best[WHITE], B = pawnRaces.best[BLACK];
  if (W == RACE_NONE && B == RACE_NONE) return 0;
  int stm = pos.sideToMove, opp = pos.opponent;

  if (W < pawnRaces.tempo[WHITE] - stm + B) {
    // White queens first with a move to spare.
    if ((W & 15) < pawnRaces.minCatch[BLACK] || (pawnRaces.flags[WHITE] & RACE_SPLIT_PAIR)) return 850;
    int qW = pawnRaces.queenSquare[WHITE], rq = frontRank(WHITE, fileOf(qW));
    if (rq < 0) return 850;
    int bk = pos.kingSquare[BLACK];
    // Black's king close behind the pawn can still win it unless the queen comes with check.
    if (rankOf(bk) >= rq - 1 && squareDistance(bk, rq * 8 + fileOf(qW)) <= 8 - rq && !queenChecksBlack(qW, rq))
      return 0;
    return 850;
  }
  if (B < pawnRaces.tempo[BLACK] - opp + W) {
    if ((B & 15) < pawnRaces.minCatch[WHITE] || (pawnRaces.flags[BLACK] & RACE_SPLIT_PAIR)) return -850;
    int qB = pawnRaces.queenSquare[BLACK], rb = frontRank(BLACK, fileOf(qB));
    if (rb < 0) return -850;
    int wk = pos.kingSquare[WHITE];
    if (rankOf(wk) <= rb + 1 && squareDistance(wk, rb * 8 + fileOf(qB)) <= rb + 1)
      return queenChecksWhite(qB, rb) ? -850 : 0;
    return -850;
  }
  if (B != W - opp) return whiteOneMoveAhead();
  return -blackOneMoveAhead();
}
