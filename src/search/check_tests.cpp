// Check and threat tests on the board, without making moves.
//
// seriousCheck answers the question a side in check asks first: can I simply
// take the checker?  It says no (the check is serious) on a double check, a
// checker nobody can take, a checker that is defended, a capturing piece that
// is itself watched by an enemy slider, and a check that opened a line.
#include "search/check_tests.h"

#include <initializer_list>

#include "position/position.h"
#include "position/quiescence_moves.h"

namespace {

inline bool isLineSlider(int word, int colour, int d) {
  return word == pieceWord(colour, QUEEN) || word == pieceWord(colour, d < 4 ? ROOK : BISHOP);
}

// The nearest occupied square from s in direction d, or 64.  Read from the
// occupancy, since s may be empty and its line-neighbour row stale.
inline int nearestFrom(int s, int d) {
  const Bitboard m = rayBits[s][d] & pos.occupied;
  if (!m) return NO_SQUARE;
  return (d & 1) == 0 ? lowestBit(m) : highestBit(m);
}

// A piece of `colour` that attacks the occupied square s, found in the
// order pawns, knights (the highest square first among several), then the
// lines 0 to 7: a slider of the line's kind or the king right next to s.
int attackerOf(int s, int colour) {
  const Bitboard pawns = pawnAttackFrom[colour][s] & pos.pieceBits[colour][PAWN];
  if (pawns) return highestBit(pawns);
  const Bitboard knights = knightBits[s] & pos.pieceBits[colour][KNIGHT];
  if (knights) return highestBit(knights);
  const int king = pieceWord(colour, KING);
  for (int d = 0; d < 8; d++) {
    const int p = pos.lineNeighbour[s][d];
    if (p == NO_SQUARE) continue;
    const int w = pos.board[p];
    if (isLineSlider(w, colour, d) || (w == king && p == stepSquare[s][d])) return p;
  }
  return NO_SQUARE;
}

// `bothEnds` examines every line through the vacated square from each of its
// two ends, so a slider of the checking side at either end counts.  The
// quiescence version looks at each line once; the two give the same answer.
int seriousCheckTest(bool bothEnds) {
  const uint32_t info = pos.checkInfo[pos.gamePly];
  if (info & CHECK_DOUBLE) return 1;
  const Move last = pos.plyRecords[pos.gamePly - 1].move;
  const int checker = moveTo(last), vacated = moveFrom(last);
  const int us = pos.sideToMove, them = pos.opponent;

  const int capturer = attackerOf(checker, us);
  if (capturer == NO_SQUARE) return 1;
  if (attackerOf(checker, them) != NO_SQUARE) return 1;

  // The capturer watched by another enemy slider.
  for (int d = 0; d < 8; d++) {
    const int p = pos.lineNeighbour[capturer][d];
    if (p != NO_SQUARE && p != checker && isLineSlider(pos.board[p], them, d)) return 1;
  }

  // A line opened by the checking move: an enemy slider now faces one of our
  // pieces through the vacated square.
  for (int d = 0; d < 8; d += bothEnds ? 1 : 2) {
    const int a = nearestFrom(vacated, d), b = nearestFrom(vacated, d ^ 1);
    if (a == NO_SQUARE || b == NO_SQUARE) continue;
    const int wa = pos.board[a], wb = pos.board[b];
    if (wordColour(wa) == wordColour(wb)) continue;
    if (isLineSlider(wa, them, d) || (!bothEnds && isLineSlider(wb, them, d))) return 1;
  }
  return 0;
}

}  // namespace

int seriousCheck() { return seriousCheckTest(false); }

int seriousCheckInSearch() { return seriousCheckTest(true); }

bool moveGivesCheck(Move move) {
  const int from = moveFrom(move), to = moveTo(move);
  const int us = pos.sideToMove;
  const int ek = pos.kingSquare[pos.opponent];
  const int type = wordType(pos.board[from]);

  switch (type) {
    case PAWN:
      if (pawnAttackFrom[us][ek] & squareBit[to]) return true;
      break;
    case KNIGHT:
      if (knightBits[ek] & squareBit[to]) return true;
      break;
    case BISHOP:
    case ROOK:
    case QUEEN: {
      // The king must be the nearest piece from the to-square along a line
      // the piece moves on.  An empty to-square has a stale line-neighbour
      // row, so the line is read from the king's side instead.
      const int d = directionTo[to * 64 + ek];
      if (d >= 0 && (type == QUEEN || (type == ROOK) == (d < 4))) {
        const int nearest = pos.lineNeighbour[ek][d ^ 1];
        if (nearest == to || reachable(ek, to)) return true;
      }
      break;
    }
    default: break;
  }

  // Discovered check: the from-square screens a slider of ours from the king.
  const int d = directionTo[ek * 64 + from];
  if (d >= 0 && pos.lineNeighbour[ek][d] == from) {
    const int behind = pos.lineNeighbour[from][d];
    if (behind != NO_SQUARE && isLineSlider(pos.board[behind], us, d)) return true;
  }
  return false;
}

int threatAfterMove() {
  const int mover = pos.opponent, victim = pos.sideToMove;
  const int rootPly = pos.gamePly - pos.searchPly;
  for (int i = pos.gamePly - 1; i >= rootPly && i >= pos.gamePly - 5; i -= 2) {
    const Move m = pos.plyRecords[i].move;
    if (m == 0) continue;  // a null move placed nothing
    const int s = moveTo(m);
    const int w = pos.board[s];
    if (wordColour(w) != mover) continue;
    switch (wordType(w)) {
      case KNIGHT: {
        const Bitboard big = pos.pieceBits[victim][ROOK] | pos.pieceBits[victim][QUEEN] | pos.pieceBits[victim][KING];
        if (knightBits[s] & big) return 1;
        break;
      }
      case BISHOP:
        for (int d = 4; d < 8; d++) {
          const int t = wordType(pos.board[pos.lineNeighbour[s][d]]);
          if (wordColour(pos.board[pos.lineNeighbour[s][d]]) == victim && (t == ROOK || t == QUEEN || t == KING))
            return 1;
        }
        break;
      case PAWN: {
        const int left = stepSquare[s][mover == WHITE ? UP_LEFT : DOWN_LEFT];
        const int right = stepSquare[s][mover == WHITE ? UP_RIGHT : DOWN_RIGHT];
        for (int t : {left, right}) {
          const int w2 = pos.board[t];
          if (wordColour(w2) == victim && wordType(w2) != PAWN) return 1;
        }
        break;
      }
      default: break;
    }
  }
  return 0;
}

bool pawnIsPassed(int square, int colour) {
  const int file = square & 7;
  const Bitboard enemy = pos.pieceBits[colour ^ 1][PAWN];
  Bitboard front = rayBits[square][colour == WHITE ? UP : DOWN];
  if (file > 0) front |= rayBits[square - 1][colour == WHITE ? UP : DOWN];  // towards the h-file
  if (file < 7) front |= rayBits[square + 1][colour == WHITE ? UP : DOWN];  // towards the a-file
  return (enemy & front) == 0;
}
