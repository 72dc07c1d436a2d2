// Making and unmaking moves on the one position, all incrementally: board
// words, line-neighbour links, bit sets, counters, pawn file bytes, both keys,
// castling rights, en passant square, fifty-move counter, the ply record and
// the check state of the new side to move.
//
// makeMove is also the final legality filter.  Generated moves can be illegal
// in four ways only: a pinned piece leaving its line, an en passant capture
// that opens the king's rank, a king stepping onto an attacked square, and
// castling out of or through check.  Those are rejected here and leave the
// position exactly as it was.
#include "position/make_move.h"

#include <cstring>

#include "position/keys.h"
#include "position/move_generation.h"
#include "position/position.h"

namespace {

struct CastleRow {
  int rookFrom, rookTo, pathA, pathB, right, towardsRook;
};

// Indexed by the king's destination; rookFrom < 0 marks a non-castling square.
inline const CastleRow *castleRow(int kingTo) {
  static const CastleRow rows[4] = {
      {0, 2, 2, 1, 1, RIGHT}, {7, 4, 4, 5, 2, LEFT}, {56, 58, 58, 57, 4, RIGHT}, {63, 60, 60, 61, 8, LEFT}};
  switch (kingTo) {
    case 1: return &rows[0];
    case 5: return &rows[1];
    case 57: return &rows[2];
    case 61: return &rows[3];
    default: return nullptr;
  }
}

inline bool isLineSlider(int word, int colour, int d) {
  return word == pieceWord(colour, QUEEN) || word == pieceWord(colour, d < 4 ? ROOK : BISHOP);
}

// Takes the piece off s: links, board word and the mover's bit sets.
inline void liftPiece(int s, int colour, int type) {
  unlinkPiece(s);
  pos.board[s] = EMPTY;
  Bitboard clear = squareClear[s];
  pos.colourBits[colour] &= clear;
  pos.occupied &= clear;
  pos.pieceBits[colour][type] &= clear;
}

// Puts a piece on s; onto an empty square it is linked, onto a captured
// piece it takes over that piece's place in every line.
inline void dropPiece(int s, int colour, int type, int capturedColour, int capturedType, bool capture) {
  pos.board[s] = pieceWord(colour, type);
  if (!capture) {
    linkPiece(s, colour, type);
    return;
  }
  Bitboard bit = squareBit[s];
  pos.colourBits[capturedColour] &= ~bit;
  pos.pieceBits[capturedColour][capturedType] &= ~bit;
  pos.colourBits[colour] |= bit;
  pos.pieceBits[colour][type] |= bit;
}

// Links a piece back onto s from the row s had when it was vacated.
inline void relinkPiece(int s, uint64_t row, int colour, int type) {
  std::memcpy(pos.lineNeighbour[s], &row, sizeof row);
  for (int d = 0; d < 8; d++) pos.lineNeighbour[(row >> (8 * d)) & 0xFF][d ^ 1] = uint8_t(s);
  const Bitboard bit = squareBit[s];
  pos.colourBits[colour] |= bit;
  pos.occupied |= bit;
  pos.pieceBits[colour][type] |= bit;
}

// Whether moving the piece on `from` (not the king) to `to` uncovers the
// king on ks to a slider of colour o: the piece stands next to the king on a
// line, leaves it, and the nearest piece beyond it on that line is an enemy
// slider of the line's kind.
inline bool breaksPin(int from, int to, int ks, int o) {
  const int d = directionTo[from * 64 + ks];
  if (d < 0) return false;
  const uint8_t *line = pos.lineNeighbour[from];
  return line[d] == ks && directionTo[to * 64 + ks] != d && isLineSlider(pos.board[line[d ^ 1]], o, d);
}

inline void movePawnBit(int colour, int from, int to) {
  pos.pawnFileBits[colour][(from & 7) + 1] &= uint8_t(~rankBit[from]);
  pos.pawnFileBits[colour][(to & 7) + 1] |= uint8_t(rankBit[to]);
}

}  // namespace

int castlePathAttacked(int kingTo) {
  const CastleRow *row = castleRow(kingTo);
  return attackerOfEmpty(row->pathA) != NO_SQUARE || attackerOfEmpty(row->pathB) != NO_SQUARE;
}

int makeMove(Move move) {
  const int from = moveFrom(move), to = moveTo(move);
  const int s = pos.sideToMove, o = pos.opponent;
  PlyRecord &record = pos.plyRecords[pos.gamePly];
  record.hashKey = pos.hashKey;
  record.pawnKey = pos.pawnKey;

  if (move & MOVE_CASTLE) {
    if (pos.checkInfo[pos.gamePly] != CHECK_NONE) return 0;
    const CastleRow *row = castleRow(to);
    if (!row) return 0;
    // Generated castling always has its right and a free path; a move word
    // parsed from text might not, and must not conjure up a rook.
    if (!(pos.castleRights & row->right) || from != pos.kingSquare[s] ||
        pos.lineNeighbour[from][row->towardsRook] != row->rookFrom)
      return 0;
    if (castlePathAttacked(to)) return 0;
    liftPiece(row->rookFrom, s, ROOK);
    pos.board[row->rookTo] = pieceWord(s, ROOK);
    linkPiece(row->rookTo, s, ROOK);
    pos.hashKey ^= pieceKeyOf(s, ROOK, row->rookFrom) ^ pieceKeyOf(s, ROOK, row->rookTo);
  } else if (from != pos.kingSquare[s]) {
    const int ks = pos.kingSquare[s];
    const int d = directionTo[from * 64 + ks];
    if (d >= 0) {
      const uint8_t *line = pos.lineNeighbour[from];
      if ((move & MOVE_EN_PASSANT) && (d == LEFT || d == RIGHT)) {
        // Both pawns leave the king's rank at once.
        const int cap = s == WHITE ? to - 8 : to + 8;
        int beyond = NO_SQUARE;
        if (line[d] == ks)
          beyond = pos.lineNeighbour[cap][d ^ 1];
        else if (line[d] == cap && pos.lineNeighbour[cap][d] == ks)
          beyond = line[d ^ 1];
        if (beyond != NO_SQUARE &&
            (pos.board[beyond] == pieceWord(o, ROOK) || pos.board[beyond] == pieceWord(o, QUEEN)))
          return 0;
      }
    }
    if (breaksPin(from, to, ks, o)) return 0;
  }

  // Bookkeeping.
  const int movedType = wordType(pos.board[from]);
  const int capturedType = wordType(pos.board[to]);  // NO_PIECE when empty
  pos.searchPly++;
  std::memcpy(&record.fromLinks, pos.lineNeighbour[from], sizeof record.fromLinks);
  record.move = move;
  record.capturedType = capturedType;
  record.castleRights = pos.castleRights;
  record.epSquare = pos.epSquare;
  record.fiftyCount = pos.fiftyCount;
  pos.gamePly++;

  pos.fiftyCount = (move & (MOVE_CAPTURE | MOVE_PAWN)) ? 0 : pos.fiftyCount + 1;
  if (pos.epSquare >= 0) {
    pos.hashKey ^= epKey[pos.epSquare];
    pos.epSquare = -1;
  }
  const int rights = pos.castleRights & pos.castleMask[from] & pos.castleMask[to];
  if (rights != pos.castleRights) {
    pos.hashKey ^= castleKey[pos.castleRights] ^ castleKey[rights];
    pos.castleRights = rights;
  }

  const bool capture = (move & MOVE_CAPTURE) != 0;
  const int cap = s == WHITE ? to - 8 : to + 8;  // en passant victim
  if (capture) {
    if (move & MOVE_EN_PASSANT) {
      HashKey k = pieceKeyOf(o, PAWN, cap);
      pos.hashKey ^= k;
      pos.pawnKey ^= PawnKey(k);
    } else {
      HashKey k = pieceKeyOf(o, capturedType, to);
      pos.hashKey ^= k;
      if (capturedType == PAWN) pos.pawnKey ^= PawnKey(k);
    }
  }

  if (movedType != PAWN) {
    if (movedType == KING) pos.kingSquare[s] = to;
    liftPiece(from, s, movedType);
    dropPiece(to, s, movedType, o, capturedType, capture);
    pos.hashKey ^= pieceKeyOf(s, movedType, from) ^ pieceKeyOf(s, movedType, to);
  } else {
    if (move & MOVE_DOUBLE_PUSH) {
      // An en passant square exists only when an enemy pawn can take.
      const int f = (to & 7) + 1;
      if ((pos.pawnFileBits[o][f - 1] | pos.pawnFileBits[o][f + 1]) & rankBit[to]) {
        pos.epSquare = s == WHITE ? to - 8 : to + 8;
        pos.hashKey ^= epKey[pos.epSquare];
      }
    }
    const HashKey fromKey = pieceKeyOf(s, PAWN, from);
    if (move & MOVE_PROMOTION) {
      const int q = movePromotionType(move);
      liftPiece(from, s, PAWN);
      pos.pieceCount[s][PAWN]--;
      pos.pawnFileBits[s][(from & 7) + 1] &= uint8_t(~rankBit[from]);
      dropPiece(to, s, q, o, capturedType, capture);
      pos.material[s] += pieceValue[q];
      pos.pieceCount[s][q]++;
      pos.hashKey ^= fromKey ^ pieceKeyOf(s, q, to);
      pos.pawnKey ^= PawnKey(fromKey);
    } else {
      liftPiece(from, s, PAWN);
      movePawnBit(s, from, to);
      const HashKey keys = fromKey ^ pieceKeyOf(s, PAWN, to);
      pos.hashKey ^= keys;
      pos.pawnKey ^= PawnKey(keys);
      if (move & MOVE_EN_PASSANT) {
        pos.board[to] = pieceWord(s, PAWN);
        linkPiece(to, s, PAWN);
        liftPiece(cap, o, PAWN);
      } else {
        dropPiece(to, s, PAWN, o, capturedType, capture);
      }
    }
  }

  if (capture) {
    const int x = (move & MOVE_EN_PASSANT) ? PAWN : capturedType;
    if (x == PAWN) {
      const int victimSquare = (move & MOVE_EN_PASSANT) ? cap : to;
      pos.pawnFileBits[o][(victimSquare & 7) + 1] &= uint8_t(~rankBit[victimSquare]);
    } else {
      pos.material[o] -= pieceValue[x];
    }
    pos.pieceCount[o][x]--;
    pos.pieceTotal--;
  }

  pos.hashKey ^= sideKey;
  pos.sideToMove = o;
  pos.opponent = s;

  // A king may not step onto an attacked square.  An en passant capture is
  // checked here too: in a set-up position the captured pawn can be the last
  // shield of the king on a diagonal, which the tests above do not see.
  if (movedType == KING || (move & MOVE_EN_PASSANT)) {
    if (findAttacker(pos.kingSquare[s], o) != NO_SQUARE) {
      unmakeMove();
      return 0;
    }
  }

  updateCheckInfo(move);
  return 1;
}

bool legalMove(Move move) {
  const int from = moveFrom(move);
  const int s = pos.sideToMove;
  // King moves, castling and en passant need the position after the move.
  if ((move & (MOVE_CASTLE | MOVE_EN_PASSANT)) || from == pos.kingSquare[s]) {
    if (!makeMove(move)) return false;
    unmakeMove();
    return true;
  }
  return !breaksPin(from, moveTo(move), pos.kingSquare[s], pos.opponent);
}

void unmakeMove() {
  pos.searchPly--;
  pos.gamePly--;
  const int s = pos.opponent, o = pos.sideToMove;
  pos.sideToMove = s;
  pos.opponent = o;
  const PlyRecord &r = pos.plyRecords[pos.gamePly];
  pos.epSquare = r.epSquare;
  pos.fiftyCount = r.fiftyCount;

  const Move move = r.move;
  if (move == 0) {
    pos.hashKey ^= sideKey;
    if (pos.epSquare >= 0) pos.hashKey ^= epKey[pos.epSquare];
    return;
  }
  pos.castleRights = r.castleRights;
  pos.hashKey = r.hashKey;
  pos.pawnKey = r.pawnKey;

  const int from = moveFrom(move), to = moveTo(move);
  const int t = wordType(pos.board[to]);
  const int x = r.capturedType;
  const Bitboard toBit = squareBit[to];
  if (x == NO_PIECE) {
    unlinkPiece(to);
    pos.board[to] = EMPTY;
    pos.colourBits[s] &= ~toBit;
    pos.occupied &= ~toBit;
    pos.pieceBits[s][t] &= ~toBit;
  } else {
    pos.board[to] = pieceWord(o, x);
    pos.colourBits[s] &= ~toBit;
    pos.pieceBits[s][t] &= ~toBit;
    pos.colourBits[o] |= toBit;
    pos.pieceBits[o][x] |= toBit;
    if (x == PAWN)
      pos.pawnFileBits[o][(to & 7) + 1] |= uint8_t(rankBit[to]);
    else
      pos.material[o] += pieceValue[x];
    pos.pieceCount[o][x]++;
    pos.pieceTotal++;
  }

  if (move & MOVE_PROMOTION) {
    pos.board[from] = pieceWord(s, PAWN);
    relinkPiece(from, r.fromLinks, s, PAWN);
    pos.pieceCount[s][PAWN]++;
    pos.pawnFileBits[s][(from & 7) + 1] |= uint8_t(rankBit[from]);
    pos.material[s] -= pieceValue[t];
    pos.pieceCount[s][t]--;
  } else {
    pos.board[from] = pieceWord(s, t);
    if (t == KING)
      pos.kingSquare[s] = from;
    else if (t == PAWN)
      movePawnBit(s, to, from);
    relinkPiece(from, r.fromLinks, s, t);
  }

  if (move & MOVE_EN_PASSANT) {
    const int cap = s == WHITE ? to - 8 : to + 8;
    pos.board[cap] = pieceWord(o, PAWN);
    linkPiece(cap, o, PAWN);
    pos.pieceCount[o][PAWN]++;
    pos.pieceTotal++;
    pos.pawnFileBits[o][(cap & 7) + 1] |= uint8_t(rankBit[cap]);
  } else if (move & MOVE_CASTLE) {
    const CastleRow *row = castleRow(to);
    liftPiece(row->rookTo, s, ROOK);
    pos.board[row->rookFrom] = pieceWord(s, ROOK);
    linkPiece(row->rookFrom, s, ROOK);
  }
}

void makeNullMove() {
  PlyRecord &record = pos.plyRecords[pos.gamePly];
  pos.gamePly++;
  pos.searchPly++;
  record.move = 0;
  record.capturedType = NO_PIECE;
  record.epSquare = pos.epSquare;
  record.fiftyCount = pos.fiftyCount;
  record.hashKey &= 0xFFFFFFFF00000000ULL;  // a null move never matches in repetition scans
  if (pos.epSquare >= 0) {
    pos.hashKey ^= epKey[pos.epSquare];
    pos.epSquare = -1;
  }
  pos.hashKey ^= sideKey;
  const int s = pos.sideToMove;
  pos.sideToMove = pos.opponent;
  pos.opponent = s;
  pos.fiftyCount = 0;
  pos.checkInfo[pos.gamePly] = CHECK_NONE;
}

void updateCheckInfo(Move move) {
  const int k = pos.kingSquare[pos.sideToMove];
  const int m = pos.opponent;
  const int from = moveFrom(move), to = moveTo(move);
  const int t = wordType(pos.board[to]);
  uint32_t check = CHECK_NONE;

  switch (t) {
    case KNIGHT:
      if (knightBits[k] & squareBit[to]) check = uint32_t(to);
      break;
    case BISHOP:
    case ROOK:
    case QUEEN: {
      const int d = directionTo[to * 64 + k];
      if (d >= 0 && pos.lineNeighbour[to][d] == k && (t == QUEEN || (t == ROOK) == (d < 4))) {
        check = uint32_t(to);
        // Moving along the checking line cannot uncover a second checker.
        if ((directionTo[from * 64 + to] & ~1) == (d & ~1)) {
          pos.checkInfo[pos.gamePly] = check;
          return;
        }
      }
      break;
    }
    case KING:
      if (move & MOVE_CASTLE) {
        const int e = pos.lineNeighbour[k][pos.sideToMove == WHITE ? UP : DOWN];
        if (pos.board[e] == pieceWord(m, ROOK)) check = uint32_t(e);
      }
      break;
    case PAWN:
      if (move & MOVE_EN_PASSANT) {
        const int cap = m == WHITE ? to - 8 : to + 8;
        const int d = directionTo[k * 64 + cap];
        if (d >= 0) {
          const int p = pos.lineNeighbour[k][d];
          if (isLineSlider(pos.board[p], m, d)) check = uint32_t(p);
        }
      }
      if (pos.sideToMove == WHITE ? (to == stepSquare[k][UP_LEFT] || to == stepSquare[k][UP_RIGHT])
                                  : (to == stepSquare[k][DOWN_LEFT] || to == stepSquare[k][DOWN_RIGHT]))
        check = uint32_t(to);
      break;
  }

  // Discovered check through the vacated square.
  const int d = directionTo[k * 64 + from];
  if (d >= 0) {
    const int p = pos.lineNeighbour[k][d];
    if (isLineSlider(pos.board[p], m, d)) {
      if (check == CHECK_NONE)
        check = uint32_t(p);
      else if (check != uint32_t(p))
        check |= CHECK_DOUBLE;
    }
  }
  pos.checkInfo[pos.gamePly] = check;
}
