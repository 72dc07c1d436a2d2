// The quiet-move generator of the staged search and the validity tests for
// remembered moves.
//
// A killer comes from another position at the same ply and a hash move from
// whatever position shares its table slot and key bits, so neither may be
// trusted to be a move of this position: makeMove expects moves that the
// generators could have produced.
#include "search/quiet_moves.h"

#include "position/move_text.h"
#include "position/position.h"
#include "position/quiescence_moves.h"

namespace {

inline void pushQuiet(int from, int to, Move flags) {
  int32_t &end = moveListStart[pos.searchPly + 1];
  if (end >= MOVE_STACK_SIZE) return;
  moveStack[end].move = makeMoveWord(from, to, flags);
  moveStack[end].score = 0;
  end++;
}

void slideQuiet(int p, int d) {
  const int stop = pos.lineNeighbour[p][d];
  for (int t = stepSquare[p][d]; t != stop; t = stepSquare[t][d]) pushQuiet(p, t, 0);
}

struct CastleSquares {
  int right, kingTo, rookSide;  // rookSide: direction from the king to its rook
  Move flag;
};
// White king side, white queen side, black king side, black queen side.
constexpr CastleSquares castles[4] = {{1, 1, RIGHT, MOVE_KING_CASTLE},
                                      {2, 5, LEFT, MOVE_QUEEN_CASTLE},
                                      {4, 57, RIGHT, MOVE_KING_CASTLE},
                                      {8, 61, LEFT, MOVE_QUEEN_CASTLE}};

bool castlingAvailable(const CastleSquares &c, int side) {
  const int k = pos.kingSquare[side];
  const int rook = c.rookSide == RIGHT ? pos.kingRookSquare[side] : pos.queenRookSquare[side];
  return (pos.castleRights & c.right) && rook >= 0 && pos.lineNeighbour[k][c.rookSide] == rook;
}

}  // namespace

void generateQuiet() {
  const int ply = pos.searchPly;
  moveListStart[ply + 1] = moveListStart[ply];
  const int side = pos.sideToMove;
  for (Bitboard pieces = pos.colourBits[side]; pieces;) {
    const int p = highestBit(pieces);
    pieces ^= squareBit[p];
    switch (wordType(pos.board[p])) {
      case PAWN: {
        const int step = side == WHITE ? 8 : -8;
        const int ahead = p + step;
        const bool lastRank = side == WHITE ? ahead >= 56 : ahead < 8;
        if (pos.board[ahead] != EMPTY || lastRank) break;
        pushQuiet(p, ahead, MOVE_PAWN);
        const bool startRank = side == WHITE ? p <= 15 : p >= 48;
        if (startRank && pos.board[ahead + step] == EMPTY) pushQuiet(p, ahead + step, MOVE_PAWN | MOVE_DOUBLE_PUSH);
        break;
      }
      case KNIGHT:
        for (const int32_t *t = knightTargets[p]; *t >= 0; t++)
          if (pos.board[*t] == EMPTY) pushQuiet(p, *t, 0);
        break;
      case BISHOP:
        for (int d = 4; d < 8; d++) slideQuiet(p, d);
        break;
      case ROOK:
        for (int d = 0; d < 4; d++) slideQuiet(p, d);
        break;
      case QUEEN:
        for (int d = 0; d < 8; d++) slideQuiet(p, d);
        break;
      case KING:
        for (int d = 0; d < 8; d++) {
          const int t = stepSquare[p][d];
          if (t != NO_SQUARE && pos.board[t] == EMPTY) pushQuiet(p, t, 0);
        }
        break;
    }
  }
  const int k = pos.kingSquare[side];
  for (int i = 2 * side; i < 2 * side + 2; i++)
    if (castlingAvailable(castles[i], side)) pushQuiet(k, castles[i].kingTo, castles[i].flag);
}

Move playableMove(Move move) {
  move &= MOVE_IDENTITY_MASK;
  const int from = moveFrom(move), to = moveTo(move);
  const int us = pos.sideToMove, them = pos.opponent;
  const int word = pos.board[from];
  const int target = pos.board[to];
  if (move == 0 || from == to || wordColour(word) != us) return 0;
  if (target != EMPTY && (wordColour(target) != them || wordType(target) == KING)) return 0;
  const int type = wordType(word);
  const int promotion = movePromotionType(move);

  if (move & MOVE_CASTLE) {
    if (type != KING || (move & MOVE_CASTLE) == MOVE_CASTLE || promotion || target != EMPTY) return 0;
    const CastleSquares &c = castles[2 * us + ((move & MOVE_QUEEN_CASTLE) ? 1 : 0)];
    if (to != c.kingTo || !castlingAvailable(c, us)) return 0;
    return completeMove(move);
  }

  if (type == PAWN) {
    const bool lastRank = us == WHITE ? to >= 56 : to < 8;
    if (lastRank ? (promotion < KNIGHT || promotion > QUEEN) : promotion != 0) return 0;
    const int step = us == WHITE ? 8 : -8;
    if (target == EMPTY && to == from + step) return completeMove(move);
    if (target == EMPTY && to == from + 2 * step) {
      const bool startRank = us == WHITE ? from <= 15 : from >= 48;
      return startRank && pos.board[from + step] == EMPTY ? completeMove(move) : 0;
    }
    const bool diagonal = (pawnAttackFrom[us][to] & squareBit[from]) != 0;
    if (diagonal && (target != EMPTY || to == pos.epSquare)) return completeMove(move);
    return 0;
  }
  if (promotion) return 0;

  bool reaches = false;
  switch (type) {
    case KNIGHT: reaches = (knightBits[from] & squareBit[to]) != 0; break;
    case KING: reaches = (kingBits[from] & squareBit[to]) != 0; break;
    default: {
      const int d = directionTo[from * 64 + to];
      if (d < 0 || (type == ROOK && d >= 4) || (type == BISHOP && d < 4)) return 0;
      reaches = target == EMPTY ? reachable(from, to) : pos.lineNeighbour[from][d] == to;
    }
  }
  return reaches ? completeMove(move) : 0;
}

Move playableQuietMove(Move move) {
  if (move & MOVE_PROMOTION_TYPE_MASK) return 0;
  if (pos.board[moveTo(move)] != EMPTY) return 0;
  const Move m = playableMove(move);
  // An en passant capture lands on an empty square too.
  return (m & (MOVE_CAPTURE | MOVE_PROMOTION)) ? 0 : m;
}
