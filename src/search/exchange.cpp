// Static exchange evaluation.  The exchange state holds, per
// direction, the nearest piece seen from the target square not yet used
// (the "front"), and per colour how far that colour's attacker generator has
// got: pawns, knights, sliders (with x-rays as fronts advance), the king last.
// Each call returns the value of the next cheapest attacker; the exchange test
// plays the two generators against each other and stops as soon as the
// outcome for the capturer is known.
#include "search/exchange.h"

#include "position/position.h"

ExchangeState exchange;

namespace {

inline int nearestOnRay(int target, int d) {
  const Bitboard m = rayBits[target][d] & pos.occupied;
  if (!m) return NO_SQUARE;
  return (d & 1) == 0 ? lowestBit(m) : highestBit(m);
}

inline void resetStages() {
  exchange.seeStage[WHITE] = exchange.seeStage[BLACK] = 0;
  exchange.seeKnightIndex[WHITE] = exchange.seeKnightIndex[BLACK] = 0;
}

// Moves the front of direction d past the piece standing on it.
inline void advanceFront(int d) { exchange.seeRayFront[d] = pos.lineNeighbour[exchange.seeRayFront[d]][d]; }

// The generator of one colour.  Its pawns attack the target from the squares
// in directions pawnDir[0] (tried first) and pawnDir[1].
template <int colour>
int nextAttacker(int excludedSquare, int target) {
  constexpr int pawnWord = pieceWord(colour, PAWN), knightWord = pieceWord(colour, KNIGHT);
  constexpr int bishopWord = pieceWord(colour, BISHOP), rookWord = pieceWord(colour, ROOK);
  constexpr int queenWord = pieceWord(colour, QUEEN);
  // White pawns stand below the target (directions 7 then 5), black pawns
  // above it (directions 4 then 6).
  constexpr int pawnDir[2] = {colour == WHITE ? DOWN_LEFT : UP_LEFT, colour == WHITE ? DOWN_RIGHT : UP_RIGHT};
  int16_t &stage = exchange.seeStage[colour];
  int *front = exchange.seeRayFront;

  // Stages 0 and 1: the two pawn lines.
  while (stage < 2) {
    const int d = pawnDir[stage];
    stage++;
    const int f = front[d];
    if (f == stepSquare[target][d] && f != NO_SQUARE && pos.board[f] == pawnWord) {
      advanceFront(d);
      return 100;
    }
  }

  // Stage 2: knights, continuing behind the one returned last time.
  if (stage == 2) {
    int16_t &index = exchange.seeKnightIndex[colour];
    const int32_t *targets = knightTargets[target];
    while (targets[index] >= 0) {
      const int s = targets[index++];
      if (s != excludedSquare && pos.board[s] == knightWord) return 300;
    }
    index++;  // past the terminator
    stage = 3;
  }

  if (stage > 3) return NO_ATTACKER;

  // Stage 3: sliders, bishops before rooks before queens.
  int queenDir = -1;
  for (int d = 4; d < 8; d++) {
    const int w = pos.board[front[d]];
    if (w == bishopWord) {
      advanceFront(d);
      return 300;
    }
    if (w == queenWord) queenDir = d;
  }
  for (int d = 0; d < 4; d++) {
    const int w = pos.board[front[d]];
    if (w == rookWord) {
      advanceFront(d);
      return 500;
    }
    if (w == queenWord) queenDir = d;
  }
  if (queenDir >= 0) {
    advanceFront(queenDir);
    return 950;
  }
  if (squareDistance(pos.kingSquare[colour], target) == 1) {
    stage = 4;
    return 4750;
  }
  return NO_ATTACKER;
}

}  // namespace

void initExchange(int target, int excludedSquare) {
  resetStages();
  for (int d = 0; d < 8; d++) {
    int f = pos.lineNeighbour[target][d];
    if (f != NO_SQUARE && f == excludedSquare) f = pos.lineNeighbour[excludedSquare][d];
    exchange.seeRayFront[d] = f;
  }
}

void initExchangeOnEmpty(int target, int excludedSquare) {
  resetStages();
  for (int d = 0; d < 8; d++) {
    int f = nearestOnRay(target, d);
    if (f != NO_SQUARE && f == excludedSquare) f = pos.lineNeighbour[excludedSquare][d];
    exchange.seeRayFront[d] = f;
  }
}

int nextWhiteAttacker(int excludedSquare, int target) { return nextAttacker<WHITE>(excludedSquare, target); }

int nextBlackAttacker(int excludedSquare, int target) { return nextAttacker<BLACK>(excludedSquare, target); }

bool exchangeTestAccepts(Move move) {
  const int from = moveFrom(move), to = moveTo(move);
  const int moverWord = pos.board[from];
  int balance = pieceValue[wordType(pos.board[to])];
  int atRisk = pieceValue[wordType(moverWord)];
  // Cheaper or equal captures (en passant among them) need no test.
  if (atRisk <= balance) return true;
  const int side = wordColour(moverWord);
  int (*const own)(int, int) = side == WHITE ? nextWhiteAttacker : nextBlackAttacker;
  int (*const theirs)(int, int) = side == WHITE ? nextBlackAttacker : nextWhiteAttacker;

  initExchange(to, from);
  int v = theirs(from, to);
  while (v != NO_ATTACKER) {
    balance -= atRisk;  // they take the piece on the square
    if (balance >= 0) return true;
    const int u = own(from, to);
    if (u == NO_ATTACKER) return false;
    balance += v;  // we take back
    if (balance < 0) return false;
    atRisk = u;
    v = theirs(from, to);
  }
  return true;
}
