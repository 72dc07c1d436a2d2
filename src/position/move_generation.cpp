// Move generation: all moves, captures and promotions, and check evasions,
// appended to the move stack of the current search ply with their ordering
// scores.  Pieces come from the colour set by bit scans, highest square
// first; slider captures come straight from the line-neighbour table.
#include "position/move_generation.h"

#include "evaluation/piece_square.h"
#include "position/position.h"
#include "search/move_ordering.h"

namespace {

inline void startList() { moveListStart[pos.searchPly + 1] = moveListStart[pos.searchPly]; }

// The stack is sized far beyond any real position; the test only keeps a
// pathological list from ever writing past its end.
inline void pushMove(Move move, uint32_t score) {
  int32_t &end = moveListStart[pos.searchPly + 1];
  if (end >= MOVE_STACK_SIZE) return;
  moveStack[end].move = move;
  moveStack[end].score = score;
  end++;
}

inline bool isLineSlider(int word, int colour, int d) {
  return word == pieceWord(colour, QUEEN) || word == pieceWord(colour, d < 4 ? ROOK : BISHOP);
}

}  // namespace

void addMove(int from, int to, Move flags) {
  const int victim = wordType(pos.board[to]);
  if ((flags & MOVE_PAWN) && (to < 8 || to >= 56)) {
    const int v = victim == NO_PIECE ? 0 : victim;
    for (int type = QUEEN; type >= KNIGHT; type--)
      pushMove(makeMoveWord(from, to, flags | MOVE_PROMOTION | Move(type) << 16),
               SCORE_CAPTURE | uint32_t(8 * (type + 1) + v));
    return;
  }
  const int mover = wordType(pos.board[from]);
  const Move move = makeMoveWord(from, to, flags);
  if (flags & MOVE_CAPTURE) {
    const int v = (flags & MOVE_EN_PASSANT) ? 0 : victim;
    pushMove(move, SCORE_CAPTURE | uint32_t(8 * v - mover + 8));
    return;
  }
  const int32_t *psq = pieceSquareTable[mover + pos.sideToMove * 6];
  uint32_t score = uint32_t(psq[to] - psq[from] + 64 * ordering.history[(to << 6) | from] + 32);
  const Move *killer = ordering.killer[pos.searchPly];
  if (move == killer[0])
    score |= SCORE_KILLER1;
  else if (move == killer[1])
    score |= SCORE_KILLER2;
  pushMove(move, score);
}

// The two pawn captures (p + 9 then p + 7 for White, p - 7 then p - 9 for
// Black); onto the last rank addMove makes four capture-promotions.
void addPawnCaptures(int p) {
  const int f = p & 7;
  if (pos.sideToMove == WHITE) {
    if (f < 7 && isBlackWord(pos.board[p + 9])) addMove(p, p + 9, 0x11000000);
    if (f > 0 && isBlackWord(pos.board[p + 7])) addMove(p, p + 7, 0x11000000);
  } else {
    if (f < 7 && isWhiteWord(pos.board[p - 7])) addMove(p, p - 7, 0x11000000);
    if (f > 0 && isWhiteWord(pos.board[p - 9])) addMove(p, p - 9, 0x11000000);
  }
}

void addEnPassantCaptures() {
  const int e = pos.epSquare;
  if (e < 0) return;
  const int f = e & 7;
  if (pos.sideToMove == WHITE) {
    if (f < 7 && pos.board[e - 7] == pieceWord(WHITE, PAWN)) addMove(e - 7, e, 0x15000000);
    if (f > 0 && pos.board[e - 9] == pieceWord(WHITE, PAWN)) addMove(e - 9, e, 0x15000000);
  } else {
    if (f < 7 && pos.board[e + 9] == pieceWord(BLACK, PAWN)) addMove(e + 9, e, 0x15000000);
    if (f > 0 && pos.board[e + 7] == pieceWord(BLACK, PAWN)) addMove(e + 7, e, 0x15000000);
  }
}

void generateSlide(int p, int d) {
  const int stop = pos.lineNeighbour[p][d];
  for (int t = stepSquare[p][d]; t != stop; t = stepSquare[t][d]) addMove(p, t, 0);
  if (stop != NO_SQUARE && wordColour(pos.board[stop]) == pos.opponent) addMove(p, stop, MOVE_CAPTURE);
}

void generatePieceMoves(int p, int type, int kingBlock) {
  const int o = pos.opponent;
  switch (type) {
    case PAWN: {
      const bool pushAllowed = !(kingBlock >= 0 && (directionTo[p * 64 + kingBlock] & ~1) == 0);
      addPawnCaptures(p);
      if (pos.sideToMove == WHITE) {
        if (pos.board[p + 8] == EMPTY && pushAllowed) {
          addMove(p, p + 8, MOVE_PAWN);
          if (p <= 15 && pos.board[p + 16] == EMPTY) addMove(p, p + 16, 0x18000000);
        }
      } else {
        if (pos.board[p - 8] == EMPTY && pushAllowed) {
          addMove(p, p - 8, MOVE_PAWN);
          if (p >= 48 && pos.board[p - 16] == EMPTY) addMove(p, p - 16, 0x18000000);
        }
      }
      break;
    }
    case KNIGHT:
      for (const int32_t *t = knightTargets[p]; *t >= 0; t++) {
        const int w = pos.board[*t];
        if (w == EMPTY)
          addMove(p, *t, 0);
        else if (wordColour(w) == o)
          addMove(p, *t, MOVE_CAPTURE);
      }
      break;
    case BISHOP:
      for (int d = 4; d < 8; d++) generateSlide(p, d);
      break;
    case ROOK:
      for (int d = 0; d < 4; d++) generateSlide(p, d);
      break;
    case QUEEN:
      for (int d = 0; d < 8; d++) generateSlide(p, d);
      break;
    case KING: {
      const int blockLine = kingBlock >= 0 ? directionTo[p * 64 + kingBlock] : -1;
      for (int d = 0; d < 8; d++) {
        const int t = stepSquare[p][d];
        if (t == NO_SQUARE) continue;
        const int w = pos.board[t];
        if (wordColour(w) == o)
          addMove(p, t, MOVE_CAPTURE);
        else if (w == EMPTY && !(blockLine >= 0 && (d & ~1) == (blockLine & ~1)))
          addMove(p, t, 0);
      }
      break;
    }
  }
}

void generateAll() {
  startList();
  const int side = pos.sideToMove;
  for (Bitboard pieces = pos.colourBits[side]; pieces;) {
    const int s = highestBit(pieces);
    pieces ^= squareBit[s];
    generatePieceMoves(s, wordType(pos.board[s]), -1);
  }
  const int k = pos.kingSquare[side];
  if (side == WHITE) {
    if ((pos.castleRights & 1) && pos.lineNeighbour[k][RIGHT] == pos.kingRookSquare[WHITE])
      addMove(k, 1, MOVE_KING_CASTLE);
    if ((pos.castleRights & 2) && pos.lineNeighbour[k][LEFT] == pos.queenRookSquare[WHITE])
      addMove(k, 5, MOVE_QUEEN_CASTLE);
  } else {
    if ((pos.castleRights & 4) && pos.lineNeighbour[k][RIGHT] == pos.kingRookSquare[BLACK])
      addMove(k, 57, MOVE_KING_CASTLE);
    if ((pos.castleRights & 8) && pos.lineNeighbour[k][LEFT] == pos.queenRookSquare[BLACK])
      addMove(k, 61, MOVE_QUEEN_CASTLE);
  }
  addEnPassantCaptures();
}

void generateCaptures() {
  startList();
  const int side = pos.sideToMove, o = pos.opponent;
  for (Bitboard pieces = pos.colourBits[side]; pieces;) {
    const int p = highestBit(pieces);
    pieces ^= squareBit[p];
    const int type = wordType(pos.board[p]);
    switch (type) {
      case PAWN: {
        addPawnCaptures(p);
        if (side == WHITE && p >= 48 && pos.board[p + 8] == EMPTY) addMove(p, p + 8, MOVE_PAWN);
        if (side == BLACK && p < 16 && pos.board[p - 8] == EMPTY) addMove(p, p - 8, MOVE_PAWN);
        break;
      }
      case KNIGHT:
        for (const int32_t *t = knightTargets[p]; *t >= 0; t++)
          if (wordColour(pos.board[*t]) == o) addMove(p, *t, MOVE_CAPTURE);
        break;
      case KING:
        for (int d = 0; d < 8; d++) {
          const int t = stepSquare[p][d];
          if (wordColour(pos.board[t]) == o) addMove(p, t, MOVE_CAPTURE);
        }
        break;
      default: {
        const int first = type == BISHOP ? 4 : 0, last = type == ROOK ? 4 : 8;
        for (int d = first; d < last; d++) {
          const int t = pos.lineNeighbour[p][d];
          if (wordColour(pos.board[t]) == o) addMove(p, t, MOVE_CAPTURE);
        }
      }
    }
  }
  addEnPassantCaptures();
}

void generateEvasions() {
  startList();
  const int side = pos.sideToMove, o = pos.opponent;
  const int k = pos.kingSquare[side];
  const uint32_t info = pos.checkInfo[pos.gamePly];
  const int a = int(info & 0xFF);

  if (info & CHECK_DOUBLE) {
    for (int d = 0; d < 8; d++) {
      const int t = stepSquare[k][d];
      if (t == NO_SQUARE) continue;
      const int w = pos.board[t];
      if (w == EMPTY) {
        if (attackerOfEmpty(t) == NO_SQUARE) addMove(k, t, 0);
      } else if (wordColour(w) == o && findAttacker(t, o) == NO_SQUARE) {
        addMove(k, t, MOVE_CAPTURE);
      }
    }
    return;
  }

  // Blocking squares: the empty squares between a checking slider and the king.
  int dk = 15;
  Bitboard block = 0;
  if (isSlider[wordType(pos.board[a])]) {
    dk = directionTo[k * 64 + a];
    block = rayBits[a][dk ^ 1] & rayBits[k][dk];
  }

  for (Bitboard pieces = pos.colourBits[side]; pieces;) {
    const int p = highestBit(pieces);
    pieces ^= squareBit[p];
    const int type = wordType(pos.board[p]);
    switch (type) {
      case PAWN: {
        const int f = p & 7;
        if (side == WHITE) {
          if ((f < 7 && a == p + 9) || (f > 0 && a == p + 7)) addMove(p, a, 0x11000000);
          if (block & squareBit[p + 8]) addMove(p, p + 8, MOVE_PAWN);
          if (p <= 15 && pos.board[p + 8] == EMPTY && (block & squareBit[p + 16])) addMove(p, p + 16, 0x18000000);
        } else {
          if ((f < 7 && a == p - 7) || (f > 0 && a == p - 9)) addMove(p, a, 0x11000000);
          if (block & squareBit[p - 8]) addMove(p, p - 8, MOVE_PAWN);
          if (p >= 48 && pos.board[p - 8] == EMPTY && (block & squareBit[p - 16])) addMove(p, p - 16, 0x18000000);
        }
        break;
      }
      case KNIGHT:
        for (const int32_t *t = knightTargets[p]; *t >= 0; t++) {
          if (*t == a)
            addMove(p, a, MOVE_CAPTURE);
          else if (block & squareBit[*t])
            addMove(p, *t, 0);
        }
        break;
      case KING:
        for (int d = 0; d < 8; d++) {
          const int t = stepSquare[k][d];
          if (t == NO_SQUARE) continue;
          const int w = pos.board[t];
          if (w == EMPTY) {
            // Stepping along the checking line stays in check.
            if (d != dk && d != (dk ^ 1) && attackerOfEmpty(t) == NO_SQUARE) addMove(k, t, 0);
          } else if (wordColour(w) == o) {
            if (d != (dk ^ 1) && findAttacker(t, o) == NO_SQUARE) addMove(k, t, MOVE_CAPTURE);
          }
        }
        break;
      default: {
        const int first = type == BISHOP ? 4 : 0, last = type == ROOK ? 4 : 8;
        for (int d = first; d < last; d++) {
          const int n = pos.lineNeighbour[p][d];
          if (n == a) {
            addMove(p, a, MOVE_CAPTURE);
            continue;
          }
          Bitboard m = rayBits[p][d] & block;
          if (n != NO_SQUARE) m &= ~rayBits[n][d];
          if (m) addMove(p, highestBit(m), 0);
        }
      }
    }
  }

  // En passant only takes the checker when it is the pawn that just double-stepped.
  const int e = pos.epSquare;
  if (e >= 0 && a == (side == WHITE ? e - 8 : e + 8)) addEnPassantCaptures();
}

void generateMoves() {
  if (pos.checkInfo[pos.gamePly] != CHECK_NONE)
    generateEvasions();
  else
    generateAll();
}

int noEvasions() {
  if (pos.checkInfo[pos.gamePly] & 64) return 0;
  generateEvasions();
  return moveListStart[pos.searchPly] == moveListStart[pos.searchPly + 1];
}

int attackerOfEmpty(int s) {
  const int c = pos.opponent;
  const Bitboard pawns = pawnAttackFrom[c][s] & pos.pieceBits[c][PAWN];
  if (pawns) return highestBit(pawns);
  const Bitboard knights = knightBits[s] & pos.pieceBits[c][KNIGHT];
  if (knights) return highestBit(knights);
  const int king = pieceWord(c, KING);
  for (int d = 0; d < 8; d += 2) {
    const Bitboard m = rayBits[s][d] & pos.occupied;
    int y;
    if (m) {
      const int x = lowestBit(m);
      const int w = pos.board[x];
      if (isLineSlider(w, c, d) || (w == king && x == stepSquare[s][d])) return x;
      y = pos.lineNeighbour[x][d + 1];
    } else {
      const Bitboard behind = rayBits[s][d + 1] & pos.occupied;
      if (!behind) continue;
      y = highestBit(behind);
    }
    if (y != NO_SQUARE) {
      const int w = pos.board[y];
      if (isLineSlider(w, c, d) || (w == king && y == stepSquare[s][d + 1])) return y;
    }
  }
  return NO_SQUARE;
}
