// Conversions between moves and text.  Square text is the file letter
// ('h' - fileIndex) and the rank digit; piece letters come from "PNBRQK".
// Each text-producing function writes into a static buffer of its own.
#include "position/move_text.h"

#include "position/geometry.h"
#include "position/position.h"

namespace {

const char pieceLetters[] = "PNBRQK";

void writeCoordinates(char *out, Move move, const char *letters) {
  const int from = moveFrom(move), to = moveTo(move);
  out[0] = fileLetter(from);
  out[1] = rankDigit(from);
  out[2] = fileLetter(to);
  out[3] = rankDigit(to);
  int n = 4;
  if (move & MOVE_PROMOTION) out[n++] = letters[movePromotionType(move)];
  out[n] = '\0';
}

// The nearest occupied square from s in direction d (s itself excluded), or
// 64.  Read from the occupancy, since s may be empty (its line-neighbour row
// is then stale).
int nearestPiece(int s, int d) {
  const Bitboard m = rayBits[s][d] & pos.occupied;
  if (!m) return NO_SQUARE;
  return (d & 1) == 0 ? lowestBit(m) : highestBit(m);
}

// The other pieces of the mover's kind and colour that reach the to-square,
// the way algebraic text looks for them (pins are not considered).  Returns how many
// were found (at most 8 for a knight, 8 for a queen) and stores their squares.
int otherMovers(int from, int to, int word, int *others) {
  const int type = wordType(word);
  int n = 0;
  if (type == KNIGHT) {
    for (const int32_t *t = knightTargets[to]; *t >= 0; t++)
      if (*t != from && pos.board[*t] == word) others[n++] = *t;
  } else if (type == BISHOP || type == ROOK || type == QUEEN) {
    const int first = type == BISHOP ? 4 : 0, last = type == ROOK ? 4 : 8;
    for (int d = first; d < last; d++) {
      const int s = nearestPiece(to, d);
      if (s != NO_SQUARE && s != from && pos.board[s] == word) others[n++] = s;
    }
  }
  return n;
}

bool isCastlingLetter(char c) { return c == 'O' || c == '0' || c == 'o'; }

// A square named by two characters, file 'a'..'h' and rank '1'..'8'.
// text[0] must be readable; text[1] is read only when text[0] is a file
// letter (so not the terminator), which keeps every read inside the text.
bool squareText(const char *text, int &square) {
  if (text[0] < 'a' || text[0] > 'h') return false;
  if (text[1] < '1' || text[1] > '8') return false;
  square = (text[1] - '1') * 8 + ('h' - text[0]);
  return true;
}

}  // namespace

const char *moveToCoordinates(Move move) {
  static char text[8];
  writeCoordinates(text, move, pieceLetters);
  return text;
}

const char *moveToUciCoordinates(Move move) {
  static char text[8];
  writeCoordinates(text, move, "pnbrqk");
  return text;
}

// Disambiguation: one character for another piece of the same kind that
// reaches the to-square: the from-square's file letter, or its rank digit
// when the other piece stands on the same file.  With two or more others,
// standard algebraic notation is followed: the file letter when it tells the
// mover apart from all of them, else the rank digit when that does, else both.  With one other
// piece both rules give the same text.
const char *moveToSan(Move move) {
  static char text[16];
  const int from = moveFrom(move), to = moveTo(move);
  int n = 0;
  if (move & MOVE_CASTLE) {
    const char *castle = (from > to || (move & MOVE_KING_CASTLE)) ? "O-O" : "O-O-O";
    for (; castle[n]; n++) text[n] = castle[n];
    text[n] = '\0';
    return text;
  }
  const int word = pos.board[from];
  const int type = wordType(word);
  if (type != PAWN && type != NO_PIECE) {
    text[n++] = pieceLetters[type];
    int others[8];
    const int count = otherMovers(from, to, word, others);
    if (count > 0) {
      bool sameFile = false, sameRank = false;
      for (int i = 0; i < count; i++) {
        sameFile = sameFile || squareFile(others[i]) == squareFile(from);
        sameRank = sameRank || squareRank(others[i]) == squareRank(from);
      }
      if (!sameFile) {
        text[n++] = fileLetter(from);
      } else if (!sameRank) {
        text[n++] = rankDigit(from);
      } else {
        text[n++] = fileLetter(from);
        text[n++] = rankDigit(from);
      }
    }
    if (move & MOVE_CAPTURE) text[n++] = 'x';
  } else if (move & MOVE_CAPTURE) {
    text[n++] = fileLetter(from);
    text[n++] = 'x';
  }
  text[n++] = fileLetter(to);
  text[n++] = rankDigit(to);
  if (move & MOVE_PROMOTION) {
    text[n++] = '=';
    text[n++] = pieceLetters[movePromotionType(move)];
  }
  text[n] = '\0';
  return text;
}

Move completeMove(Move move) {
  const int from = moveFrom(move), to = moveTo(move);
  Move flags = 0;
  if (pos.board[to] != EMPTY && !(move & MOVE_CASTLE)) flags |= MOVE_CAPTURE;
  if (wordType(pos.board[from]) == PAWN) {
    flags |= MOVE_PAWN;
    if (to < 8 || to >= 56) {
      flags |= MOVE_PROMOTION;
    } else if (from - to == 16 || to - from == 16) {
      flags |= MOVE_DOUBLE_PUSH;
    } else if (to == pos.epSquare) {
      flags = MOVE_PAWN | MOVE_CAPTURE | MOVE_EN_PASSANT;
    }
  }
  return move | flags;
}

// Castling text counts only when it starts with "O-O", "0-0" or "o-o"; the
// UCI null move "0000" and other texts starting with those letters are not
// castling.  "O-O-" must be
// followed by a castling letter to be queen side; a text cut off there is
// refused rather than guessed.
int parseCoordinateMove(Move &move, const char *text) {
  if (!text || !text[0]) return 0;
  const int side = pos.sideToMove;
  if (isCastlingLetter(text[0]) && text[1] == '-') {
    if (!isCastlingLetter(text[2])) return 0;
    const int king = pos.kingSquare[side];
    if (text[3] == '-') {
      if (!isCastlingLetter(text[4])) return 0;
      move = makeMoveWord(king, side == WHITE ? 5 : 61, MOVE_QUEEN_CASTLE);
    } else {
      move = makeMoveWord(king, side == WHITE ? 1 : 57, MOVE_KING_CASTLE);
    }
    return 1;
  }
  int from, to;
  if (!squareText(text, from) || !squareText(text + 2, to)) return 0;
  const int word = pos.board[from];
  if (word == EMPTY) return 0;
  int promotion = 0;
  if (wordType(word) == PAWN && (text[3] == '1' || text[3] == '8')) {
    char letter = text[4];
    if (letter >= 'a' && letter <= 'z') letter = char(letter - 'a' + 'A');
    if (letter != 'N' && letter != 'B' && letter != 'R' && letter != 'Q') return 0;
    promotion = pieceFromLetter(letter);
  }
  Move parsed = completeMove(makeMoveWord(from, to, Move(promotion) << 16));
  if (wordType(word) == KING && (from - to == 2 || to - from == 2))
    parsed |= from > to ? MOVE_KING_CASTLE : MOVE_QUEEN_CASTLE;
  move = parsed;
  return 1;
}
