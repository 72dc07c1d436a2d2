// Building a position from scratch: the start arrays, FEN text, the
// line-neighbour links, attack queries and the check state.
#include "position/position.h"

#include <cstring>

#include "position/keys.h"

const int32_t pieceValue[8] = {100, 300, 300, 500, 950, 0, 100, 100};

Position pos;
MoveEntry moveStack[MOVE_STACK_SIZE];
int32_t moveListStart[MAX_PLY + 2];

int32_t startPieces[64] = {
    ROOK, KNIGHT, BISHOP, KING, QUEEN, BISHOP, KNIGHT, ROOK,  //
    PAWN, PAWN,   PAWN,   PAWN, PAWN,  PAWN,   PAWN,   PAWN,  //
    6,    6,      6,      6,    6,     6,      6,      6,     //
    6,    6,      6,      6,    6,     6,      6,      6,     //
    6,    6,      6,      6,    6,     6,      6,      6,     //
    6,    6,      6,      6,    6,     6,      6,      6,     //
    PAWN, PAWN,   PAWN,   PAWN, PAWN,  PAWN,   PAWN,   PAWN,  //
    ROOK, KNIGHT, BISHOP, KING, QUEEN, BISHOP, KNIGHT, ROOK,  //
};
int32_t startColours[64] = {
    0, 0, 0, 0, 0, 0, 0, 0,  //
    0, 0, 0, 0, 0, 0, 0, 0,  //
    6, 6, 6, 6, 6, 6, 6, 6,  //
    6, 6, 6, 6, 6, 6, 6, 6,  //
    6, 6, 6, 6, 6, 6, 6, 6,  //
    6, 6, 6, 6, 6, 6, 6, 6,  //
    1, 1, 1, 1, 1, 1, 1, 1,  //
    1, 1, 1, 1, 1, 1, 1, 1,  //
};

int pieceFromLetter(char letter) {
  switch (letter) {
    case 'N': return KNIGHT;
    case 'B': return BISHOP;
    case 'R': return ROOK;
    case 'Q': return QUEEN;
    case 'K': return KING;
    default: return PAWN;
  }
}

// True when the word is a piece of colour k that slides along direction d.
static inline bool isLineSlider(int word, int k, int d) {
  if (word == pieceWord(k, QUEEN)) return true;
  return word == pieceWord(k, d < 4 ? ROOK : BISHOP);
}

int findAttacker(int sq, int k) {
  Bitboard pawns = pawnAttackFrom[k][sq] & pos.pieceBits[k][PAWN];
  if (pawns) return highestBit(pawns);
  Bitboard knights = knightBits[sq] & pos.pieceBits[k][KNIGHT];
  if (knights) return highestBit(knights);
  for (int d = 0; d < 8; d++) {
    int p = pos.lineNeighbour[sq][d];
    int w = pos.board[p];
    if (isLineSlider(w, k, d)) return p;
    if (w == pieceWord(k, KING) && p == stepSquare[sq][d]) return p;
  }
  return NO_SQUARE;
}

int countAttackers(int sq, int k) {
  int n = 0;
  // Pawns, and bishops or queens lined up behind them on the same diagonal.
  const int pawnDirs[2][2] = {{DOWN_LEFT, DOWN_RIGHT}, {UP_LEFT, UP_RIGHT}};
  for (int d : pawnDirs[k]) {
    int p = stepSquare[sq][d];
    if (pos.board[p] != pieceWord(k, PAWN)) continue;
    n++;
    for (p = pos.lineNeighbour[p][d]; isLineSlider(pos.board[p], k, d); p = pos.lineNeighbour[p][d]) n++;
  }
  n += popCount(knightBits[sq] & pos.pieceBits[k][KNIGHT]);
  for (int d = 0; d < 8; d++) {
    int p = pos.lineNeighbour[sq][d];
    int w = pos.board[p];
    if (isLineSlider(w, k, d)) {
      n++;
      for (p = pos.lineNeighbour[p][d]; isLineSlider(pos.board[p], k, d); p = pos.lineNeighbour[p][d]) n++;
    } else if (w == pieceWord(k, KING) && p == stepSquare[sq][d]) {
      n++;
    }
  }
  return n;
}

uint32_t computeCheckInfo() {
  int ks = pos.kingSquare[pos.sideToMove];
  int k = pos.opponent;
  int a = findAttacker(ks, k);
  if (a == NO_SQUARE) return CHECK_NONE;
  int n = countAttackers(ks, k);
  if (n < 2) return uint32_t(a);
  int d = directionTo[ks * 64 + a];
  if (d < 0) return uint32_t(a) | CHECK_DOUBLE;
  // Pieces lined up behind the checker on its line attack only through it.
  for (int p = pos.lineNeighbour[a][d]; p != NO_SQUARE && isLineSlider(pos.board[p], k, d); p = pos.lineNeighbour[p][d])
    n--;
  return n < 2 ? uint32_t(a) : uint32_t(a) | CHECK_DOUBLE;
}

void computeCastleMasks() {
  for (int s = 0; s < 64; s++) pos.castleMask[s] = 15;
  if (pos.kingSquare[WHITE] < 64) pos.castleMask[pos.kingSquare[WHITE]] = 12;
  if (pos.kingSquare[BLACK] < 64) pos.castleMask[pos.kingSquare[BLACK]] = 3;
  if (pos.kingRookSquare[WHITE] >= 0) pos.castleMask[pos.kingRookSquare[WHITE]] = 14;
  if (pos.queenRookSquare[WHITE] >= 0) pos.castleMask[pos.queenRookSquare[WHITE]] = 13;
  if (pos.kingRookSquare[BLACK] >= 0) pos.castleMask[pos.kingRookSquare[BLACK]] = 11;
  if (pos.queenRookSquare[BLACK] >= 0) pos.castleMask[pos.queenRookSquare[BLACK]] = 7;
}

// Castling is played with the standard squares only: a right survives only
// with the king on e1/e8 and a rook of its colour on the corner it names.
// Other rook squares are forgotten, so no castling move can move a rook that
// is not there.
static void keepStandardCastling() {
  for (int c = WHITE; c <= BLACK; c++) {
    int homeKing = c == WHITE ? 3 : 59;
    int hCorner = c == WHITE ? 0 : 56;
    int aCorner = c == WHITE ? 7 : 63;
    int kingSideRight = c == WHITE ? 1 : 4;
    int queenSideRight = c == WHITE ? 2 : 8;
    bool kingHome = pos.kingSquare[c] == homeKing;
    if (pos.kingRookSquare[c] != hCorner || pos.board[hCorner] != pieceWord(c, ROOK)) pos.kingRookSquare[c] = -1;
    if (pos.queenRookSquare[c] != aCorner || pos.board[aCorner] != pieceWord(c, ROOK)) pos.queenRookSquare[c] = -1;
    if (!kingHome || pos.kingRookSquare[c] < 0) pos.castleRights &= ~kingSideRight;
    if (!kingHome || pos.queenRookSquare[c] < 0) pos.castleRights &= ~queenSideRight;
  }
}

void resetPosition() {
  HashKey key = sideKey;
  PawnKey pawnKey = PawnKey(sideKey);
  std::memset(pos.pawnFileBits, 0, sizeof pos.pawnFileBits);
  std::memset(pos.pieceCount, 0, sizeof pos.pieceCount);
  pos.material[WHITE] = pos.material[BLACK] = 0;
  pos.pieceTotal = 0;
  pos.occupied = 0;
  pos.colourBits[WHITE] = pos.colourBits[BLACK] = 0;
  std::memset(pos.pieceBits, 0, sizeof pos.pieceBits);
  for (int s = 0; s < 128; s++) pos.board[s] = EMPTY;
  // A missing king would leave its square unset; keep it on the board's
  // "no square" so nothing indexes with garbage before the set-up is refused.
  pos.kingSquare[WHITE] = pos.kingSquare[BLACK] = NO_SQUARE;
  std::memset(pos.lineNeighbour, NO_SQUARE, sizeof pos.lineNeighbour);

  for (int s = 0; s < 64; s++) {
    int t = startPieces[s];
    if (t == NO_PIECE) continue;
    int k = startColours[s];
    pos.board[s] = pieceWord(k, t);
    key ^= pieceKeyOf(k, t, s);
    if (t == PAWN) {
      pos.pawnFileBits[k][(s & 7) + 1] |= uint8_t(1 << (s >> 3));
      pawnKey ^= PawnKey(pieceKeyOf(k, t, s));
    } else if (t == KING) {
      pos.kingSquare[k] = s;
    } else {
      pos.material[k] += pieceValue[t];
    }
    pos.pieceCount[k][t]++;
    pos.pieceTotal++;
    linkPiece(s, k, t);
  }

  // Castling rooks: only the corner rooks can castle.
  pos.kingRookSquare[WHITE] = pos.board[0] == pieceWord(WHITE, ROOK) ? 0 : -1;
  pos.queenRookSquare[WHITE] = pos.board[7] == pieceWord(WHITE, ROOK) ? 7 : -1;
  pos.kingRookSquare[BLACK] = pos.board[56] == pieceWord(BLACK, ROOK) ? 56 : -1;
  pos.queenRookSquare[BLACK] = pos.board[63] == pieceWord(BLACK, ROOK) ? 63 : -1;

  pos.sideToMove = WHITE;
  pos.opponent = BLACK;
  pos.castleRights = 15;
  keepStandardCastling();
  computeCastleMasks();
  pos.epSquare = -1;
  pos.fiftyCount = 0;
  pos.searchPly = 0;
  pos.gamePly = 0;
  moveListStart[0] = 0;
  pos.hashKey = key ^ castleKey[pos.castleRights];
  pos.pawnKey = pawnKey;
  pos.checkInfo[0] = pos.kingSquare[WHITE] < 64 && pos.kingSquare[BLACK] < 64 ? computeCheckInfo() : CHECK_NONE;
}

bool positionIsPlayable() {
  for (int c = WHITE; c <= BLACK; c++) {
    if (pos.pieceCount[c][KING] != 1) return false;
    if (popCount(pos.colourBits[c]) > 16) return false;
  }
  const Bitboard backRanks = 0xFF000000000000FFULL;
  if ((pos.pieceBits[WHITE][PAWN] | pos.pieceBits[BLACK][PAWN]) & backRanks) return false;
  // The side that has just moved may not have left its king in check.
  return findAttacker(pos.kingSquare[pos.opponent], pos.sideToMove) == NO_SQUARE;
}

// The en passant square of a FEN is kept only when it matches a double push
// that has just been played and that a pawn of the side to move can take:
// the same condition makeMove uses, so the key equals that of the position
// reached by moves.
static bool epSquareIsReal(int ep) {
  int side = pos.sideToMove;
  int rank = ep >> 3;
  if (side == BLACK ? rank != 2 : rank != 5) return false;
  int behind = side == BLACK ? ep - 8 : ep + 8;  // where the pawn came from
  int pushed = side == BLACK ? ep + 8 : ep - 8;  // where it stands now
  if (pos.board[ep] != EMPTY || pos.board[behind] != EMPTY) return false;
  if (pos.board[pushed] != pieceWord(pos.opponent, PAWN)) return false;
  int f = pushed & 7;
  if (f > 0 && pos.board[pushed - 1] == pieceWord(side, PAWN)) return true;
  if (f < 7 && pos.board[pushed + 1] == pieceWord(side, PAWN)) return true;
  return false;
}

static bool isBlank(char c) { return c == ' ' || c == '\t'; }

FenResult setupFromFen(const char *text) {
  int32_t savedPieces[64], savedColours[64];
  std::memcpy(savedPieces, startPieces, sizeof savedPieces);
  std::memcpy(savedColours, startColours, sizeof savedColours);

  // Placement: squares are filled from a8 (63) downwards.
  const char *p = text;
  int counter = 63;
  int filled = 0;
  bool overrun = false;
  while (*p && counter >= 0) {
    char c = *p;
    if (c >= 'b' && c <= 'r') {
      startPieces[counter] = pieceFromLetter(char(c - 'a' + 'A'));
      startColours[counter] = BLACK;
      counter--;
      filled++;
    } else if (c >= 'B' && c <= 'R') {
      startPieces[counter] = pieceFromLetter(c);
      startColours[counter] = WHITE;
      counter--;
      filled++;
    } else if (c >= '1' && c <= '8') {
      int n = c - '0';
      if (n > counter + 1) {
        overrun = true;
        break;
      }
      for (int i = 0; i < n; i++) {
        startPieces[counter] = NO_PIECE;
        startColours[counter] = NO_COLOUR;
        counter--;
      }
      filled += n;
    } else if ((counter & 7) != 7) {
      break;  // a stray character inside a rank ends the placement
    }
    p++;
  }
  if (overrun || filled != 64) {
    std::memcpy(startPieces, savedPieces, sizeof savedPieces);
    std::memcpy(startColours, savedColours, sizeof savedColours);
    return FEN_BAD_PLACEMENT;
  }

  // Keep the old position until the new one has proved playable.
  static Position saved;
  saved = pos;
  int32_t savedListStart = moveListStart[0];

  resetPosition();
  std::memcpy(startPieces, savedPieces, sizeof savedPieces);
  std::memcpy(startColours, savedColours, sizeof savedColours);

  bool sideKnown = false;
  while (isBlank(*p)) p++;
  if (*p) {
    sideKnown = true;
    if (*p == 'b' || *p == 'B') {
      pos.sideToMove = BLACK;
      pos.opponent = WHITE;
      pos.hashKey ^= sideKey;
      if (pos.pieceCount[WHITE][KING] == 1 && pos.pieceCount[BLACK][KING] == 1) pos.checkInfo[0] = computeCheckInfo();
    }
  }
  if (sideKnown) {
    p++;
    while (isBlank(*p)) p++;
    // Castling field: K, Q, k, q, or file letters naming the castling rook.
    pos.hashKey ^= castleKey[pos.castleRights];
    pos.castleRights = 0;
    int lastColour = -1;
    for (;; p++) {
      char c = *p;
      if (c == 'K') {
        pos.castleRights |= 1, lastColour = WHITE;
      } else if (c == 'Q') {
        pos.castleRights |= 2, lastColour = WHITE;
      } else if (c == 'k') {
        pos.castleRights |= 4, lastColour = BLACK;
      } else if (c == 'q') {
        pos.castleRights |= 8, lastColour = BLACK;
      } else if ((c >= 'A' && c <= 'H') || (c >= 'a' && c <= 'h')) {
        char upper = c >= 'a' ? char(c - 'a' + 'A') : c;
        int colour = lastColour >= 0 ? lastColour : (c >= 'a' ? BLACK : WHITE);
        int square = (colour == BLACK ? 56 : 0) + ('H' - upper);
        bool kingSide = square < pos.kingSquare[colour];
        if (kingSide)
          pos.kingRookSquare[colour] = square;
        else
          pos.queenRookSquare[colour] = square;
        if (lastColour < 0) pos.castleRights |= kingSide ? (colour == WHITE ? 1 : 4) : (colour == WHITE ? 2 : 8);
      } else {
        break;
      }
    }
    if (*p) p++;  // the character that ended the field
    keepStandardCastling();
    computeCastleMasks();
    pos.hashKey ^= castleKey[pos.castleRights];

    while (isBlank(*p)) p++;
    if (p[0] >= 'a' && p[0] <= 'h' && p[1] >= '1' && p[1] <= '8') {
      int ep = (p[1] - '1') * 8 + ('h' - p[0]);
      if (epSquareIsReal(ep)) {
        pos.epSquare = ep;
        pos.hashKey ^= epKey[ep];
      }
    }
  }

  if (!positionIsPlayable()) {
    pos = saved;
    moveListStart[0] = savedListStart;
    return FEN_UNPLAYABLE;
  }
  return FEN_OK;
}

HashKey computeHashKey() {
  HashKey key = pos.sideToMove == WHITE ? sideKey : 0;
  for (int s = 0; s < 64; s++) {
    int w = pos.board[s];
    if (!isEmptyWord(w)) key ^= pieceKeyOf(wordColour(w), wordType(w), s);
  }
  key ^= castleKey[pos.castleRights];
  if (pos.epSquare >= 0) key ^= epKey[pos.epSquare];
  return key;
}

PawnKey computePawnKey() {
  PawnKey key = PawnKey(sideKey);
  for (int s = 0; s < 64; s++) {
    int w = pos.board[s];
    if (!isEmptyWord(w) && wordType(w) == PAWN) key ^= PawnKey(pieceKeyOf(wordColour(w), PAWN, s));
  }
  return key;
}
