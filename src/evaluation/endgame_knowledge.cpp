// Endings recognised as draws without search: king and pawn against king and
// king, bishop and rook's pawn against king from the two bitbases, a rule for
// opposite-coloured bishops with a single pawn, and a bare minor piece.
//
// The bitbases are stored with the pawn's side as White; a black pawn is
// looked up on the board turned round (every square XOR 63), which keeps the
// colour of each square and exchanges the a- and h-files.
#include "evaluation/endgame_knowledge.h"

#include "position/position.h"

namespace {

constexpr Bitboard cornerSquares = 0x8100000000000081ULL;
constexpr Bitboard edgeSquares = 0xFF818181818181FFULL;

int squareColour(int s) { return ((s >> 3) ^ s) & 1; }

// The one piece of the colour besides its king.
int onlyOtherPiece(int colour) {
  Bitboard pieces = pos.colourBits[colour];
  int s = highestBit(pieces);
  return s == pos.kingSquare[colour] ? lowestBit(pieces) : s;
}

// t = 0 when the pawn's side is to move; k, d and p seen with the pawn's side as White.
int kpkDraw(int t, int k, int d, int p) { return (kpkBitbase[((t * 64 + k) * 64 + d) * 8 + (p >> 3)] >> (p & 7)) & 1; }

int rookPawnBishopDraw(int t, int k, int d, int bishop, int p) {
  int index = (((t * 64 + k) * 64 + d) * 2 + squareColour(bishop)) * 2 + (p & 1);
  return (rookPawnBishopBitbase[index] >> (p >> 3)) & 1;
}

bool hasRookPawn(int colour) { return (pos.pawnFileBits[colour][1] | pos.pawnFileBits[colour][8]) != 0; }

// The pawn and the bishop: the two pieces of the colour besides its king.
void pawnAndBishop(int colour, int &pawn, int &bishop) {
  Bitboard pieces = pos.colourBits[colour] & ~squareBit[pos.kingSquare[colour]];
  int high = highestBit(pieces), low = lowestBit(pieces);
  if (pos.board[high] == pieceWord(colour, PAWN)) {
    pawn = high;
    bishop = low;
  } else {
    pawn = low;
    bishop = high;
  }
}

}  // namespace

int kpkDrawWhite() {
  return kpkDraw(pos.sideToMove, pos.kingSquare[WHITE], pos.kingSquare[BLACK], onlyOtherPiece(WHITE));
}

int kpkDrawBlack() {
  return kpkDraw(pos.opponent, pos.kingSquare[BLACK] ^ 63, pos.kingSquare[WHITE] ^ 63, onlyOtherPiece(BLACK) ^ 63);
}

int wrongBishopWhite() {
  if (!hasRookPawn(WHITE)) return 0;
  int pawn, bishop;
  pawnAndBishop(WHITE, pawn, bishop);
  return rookPawnBishopDraw(pos.sideToMove, pos.kingSquare[WHITE], pos.kingSquare[BLACK], bishop, pawn);
}

int wrongBishopBlack() {
  if (!hasRookPawn(BLACK)) return 0;
  int pawn, bishop;
  pawnAndBishop(BLACK, pawn, bishop);
  return rookPawnBishopDraw(pos.opponent, pos.kingSquare[BLACK] ^ 63, pos.kingSquare[WHITE] ^ 63, bishop, pawn ^ 63);
}

// Bishops of opposite colours and one pawn: the defender holds when its
// king blocks the pawn on a square the strong bishop cannot attack, or when
// its bishop controls the pawn's path and the strong king cannot drive it
// away or cut it off.
int bishopEndingDraw(int side) {
  int defender = side ^ 1;
  Bitboard strongBishops = pos.pieceBits[side][BISHOP], defendingBishops = pos.pieceBits[defender][BISHOP];
  Bitboard pawns = pos.pieceBits[side][PAWN];
  if (!strongBishops || !defendingBishops || !pawns) return 0;
  int sk = pos.kingSquare[side], dk = pos.kingSquare[defender];
  int sb = lowestBit(strongBishops), db = lowestBit(defendingBishops), p = lowestBit(pawns);
  if (squareColour(sb) == squareColour(db)) return 0;

  int front = side == WHITE ? p + 8 : p - 8;
  if (dk == front && squareColour(front) != squareColour(sb)) {
    bool kingInCorner = (cornerSquares & (squareBit[sk] | squareBit[dk])) != 0;
    if (!kingInCorner || squareDistance(sk, dk) > 2) return 1;
  }

  Bitboard path = rayBits[p][side == WHITE ? UP : DOWN];
  if (!((squareBit[db] | bishopLineBits[db]) & path)) return 0;
  int bishopToKing = squareDistance(db, sk);
  if (bishopToKing < 3 && !(bishopToKing == 2 && squareDistance(db, p) >= 3)) return 0;
  if ((cornerSquares & squareBit[dk]) && squareDistance(sk, dk) < 3) return 0;
  if (edgeSquares & squareBit[sk]) {
    if (squareDistance(sk, dk) < 3) return 0;
    if (squareDistance(sk, sb) < 2 && squareDistance(sk, p) < 2) return 0;
  }
  return 1;
}

// mode 0: from the alpha-beta search, any material; mode 1: five pieces with
// one white bishop; mode 2: fewer than five pieces.
int recogniseDraw(int mode) {
  const int32_t(&count)[2][6] = pos.pieceCount;
  bool oppositeBishops;
  if (mode == 0) {
    if (pos.pieceTotal > 5) return 0;
    if (pos.pieceTotal == 5 && count[WHITE][BISHOP] != 1) return 0;
    oppositeBishops = pos.pieceTotal == 5;
  } else if (mode == 1 || mode == 2) {
    oppositeBishops = mode == 1;
  } else {
    return 0;
  }

  if (oppositeBishops) {
    if (count[BLACK][BISHOP] != 1 || inCheck()) return 0;
    if (count[WHITE][PAWN] > count[BLACK][PAWN] && pos.sideToMove == BLACK) return bishopEndingDraw(WHITE);
    if (count[BLACK][PAWN] > count[WHITE][PAWN] && pos.sideToMove == WHITE) return bishopEndingDraw(BLACK);
    return 0;
  }

  if (count[WHITE][PAWN]) {
    if (count[BLACK][PAWN] || count[WHITE][PAWN] > 1 || pos.material[BLACK]) return 0;
    if (pos.material[WHITE]) return count[WHITE][BISHOP] == 1 ? wrongBishopWhite() : 0;
    return kpkDrawWhite();
  }
  if (!count[BLACK][PAWN])
    return (pos.material[WHITE] == 0 && pos.material[BLACK] < 500) ||
           (pos.material[BLACK] == 0 && pos.material[WHITE] < 500);
  if (count[BLACK][PAWN] > 1 || pos.material[WHITE]) return 0;
  if (pos.material[BLACK]) return count[BLACK][BISHOP] == 1 ? wrongBishopBlack() : 0;
  return kpkDrawBlack();
}
