// Conversions between moves and text.
#include "position/move_text.h"

static void writeCoordinates(char *out, Move move, const char *pieceLetters) {
  const int from = moveFrom(move), to = moveTo(move);
  out[0] = fileLetter(from);
  out[1] = rankDigit(from);
  out[2] = fileLetter(to);
  out[3] = rankDigit(to);
  int n = 4;
  if (move & MOVE_PROMOTION) out[n++] = pieceLetters[movePromotionType(move)];
  out[n] = '\0';
}

const char *moveToCoordinates(Move move) {
  static char text[8];
  writeCoordinates(text, move, "PNBRQK");
  return text;
}

const char *moveToUciCoordinates(Move move) {
  static char text[8];
  writeCoordinates(text, move, "pnbrqk");
  return text;
}
