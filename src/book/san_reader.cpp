// Reading the algebraic moves of PGN games ("e4", "exd5", "Nbd2", "R1e1",
// "Qh4xe1", "e8=Q", "O-O-O").  The reader keeps only the letters and digits
// that name pieces and squares and finds the origin square on the board;
// whether the move is legal is left to the move generator and makeMove.
#include <cstring>

#include "book/book_creation.h"
#include "position/geometry.h"
#include "position/move_text.h"
#include "position/position.h"

namespace {

bool isFile(char c) { return c >= 'a' && c <= 'h'; }
bool isRank(char c) { return c >= '1' && c <= '8'; }
int pieceOf(char c) {
  const char *letters = "NBRQK";
  const char *at = c ? std::strchr(letters, c) : nullptr;
  return at ? int(at - letters) + KNIGHT : -1;
}
int squareOf(char file, char rank) { return (rank - '1') * 8 + ('h' - file); }

// Does the origin square match the disambiguating file letter or rank
// digit (0 = none)?
bool matches(int square, char hint) {
  if (!hint) return true;
  if (isFile(hint)) return squareFile(square) == 'h' - hint;
  return squareRank(square) == hint - '1';
}

// The nearest occupied square from s in direction d, read from the
// occupancy because s (the empty target) has no line links of its own.
int nearestPiece(int s, int d) {
  const Bitboard m = rayBits[s][d] & pos.occupied;
  if (!m) return NO_SQUARE;
  return (d & 1) == 0 ? lowestBit(m) : highestBit(m);
}

// A piece on `p` may leave its square in direction `m` (8 for a knight)
// unless it shields its own king from an enemy slider on that line.
bool freeToMove(int p, int m) {
  const int king = pos.kingSquare[pos.sideToMove];
  for (int d = 0; d < 8; d++) {
    if (pos.lineNeighbour[p][d] != king) continue;
    const int beyond = pos.lineNeighbour[p][d ^ 1];
    const int w = pos.board[beyond];
    if (isEmptyWord(w) || wordColour(w) == pos.sideToMove || m == d || m == (d ^ 1)) return true;
    const int type = wordType(w);
    return !(type == QUEEN || (type == BISHOP && d >= 4) || (type == ROOK && d < 4));
  }
  return true;
}

// The origin of a knight, bishop, rook or queen move to `to`; NO_SQUARE
// when no such piece can go there.
int findOrigin(int type, int to, char hint) {
  const int word = pieceWord(pos.sideToMove, type);
  if (type == KNIGHT) {
    for (const int32_t *t = knightTargets[to]; *t >= 0; t++)
      if (pos.board[*t] == word && matches(*t, hint) && freeToMove(*t, 8)) return *t;
    return NO_SQUARE;
  }
  int found = NO_SQUARE;
  for (int d = 0; d < 8; d++) {
    if ((type == BISHOP && d < 4) || (type == ROOK && d >= 4)) continue;
    const int s = nearestPiece(to, d);
    if (s != NO_SQUARE && pos.board[s] == word && matches(s, hint) && freeToMove(s, d)) found = s;
  }
  return found;
}

}  // namespace

int parseSan(const char *text, Move *outMove) {
  const unsigned char first = static_cast<unsigned char>(text[0]);
  if (!(isFile(char(first)) || pieceOf(char(first)) >= 0 || first == 'O' || first == '0' || first == 'o')) return 0;
  for (const char *c = text; *c; c++)
    if (static_cast<unsigned char>(*c) >= 0x80) return 0;
  const int side = pos.sideToMove;
  if (first == 'O' || first == '0' || first == 'o') {
    const bool queenSide = text[1] && text[2] && text[3] == '-';
    const int king = pos.kingSquare[side];
    const int to = (side == WHITE ? 0 : 56) + (queenSide ? 5 : 1);
    *outMove = makeMoveWord(king, to, queenSide ? MOVE_QUEEN_CASTLE : MOVE_KING_CASTLE);
    return 1;
  }
  char kept[6] = {};
  int n = 0;
  for (const char *c = text; *c && n < 5; c++)
    if (isFile(*c) || isRank(*c) || pieceOf(*c) >= 0) kept[n++] = *c;

  int from, to, promotion = 0;
  if (pieceOf(kept[0]) < 0) {
    // A pawn move: "e4", "exd5", "e8Q", "exd8Q".
    char file = isFile(kept[1]) ? kept[1] : kept[0], rank;
    int back = 1;
    if (isRank(kept[1])) {
      rank = kept[1];
      const int forward = side == WHITE ? 8 : -8;
      const int behind = squareOf(file, rank) - forward;
      if (behind >= 0 && behind < 64 && pos.board[behind] != pieceWord(side, PAWN)) back = 2;
    } else if (isRank(kept[2])) {
      rank = kept[2];
    } else {
      return 0;
    }
    if (!isFile(kept[0]) || !isFile(file)) return 0;
    to = squareOf(file, rank);
    from = to - back * (side == WHITE ? 8 : -8);
    if (from < 0 || from >= 64) return 0;
    from = squareOf(kept[0], rankDigit(from));
    if (n > 0 && pieceOf(kept[n - 1]) >= 0) promotion = pieceOf(kept[n - 1]);
  } else {
    if (n < 3 || !isFile(kept[n - 2]) || !isRank(kept[n - 1])) return 0;
    to = squareOf(kept[n - 2], kept[n - 1]);
    const int type = pieceOf(kept[0]);
    if (n == 5) {
      if (!isFile(kept[1]) || !isRank(kept[2])) return 0;
      from = squareOf(kept[1], kept[2]);
    } else if (type == KING) {
      from = pos.kingSquare[side];
    } else {
      from = findOrigin(type, to, n == 4 ? kept[1] : 0);
    }
    if (from == NO_SQUARE) return 0;
  }
  Move move = completeMove(makeMoveWord(from, to, Move(promotion) << 16));
  if (wordType(pos.board[from]) == KING && (from - to == 2 || to - from == 2))
    move |= from > to ? MOVE_KING_CASTLE : MOVE_QUEEN_CASTLE;
  *outMove = move;
  return 1;
}
