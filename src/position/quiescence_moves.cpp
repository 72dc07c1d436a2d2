// Move generators of the quiescence search.  Both produce the
// captures and promotions of the side to move plus a selection of quiet
// moves that give check: every one of them at the first quiescence ply
// (generateCapturesChecks), only back-rank checks, forking knight checks and
// supported queen contact checks deeper (generateCapturesThreats).  Check
// squares come from intersections of the mover's lines with the enemy king's
// lines, tested with `reachable`, never by walking the board.  Moves and
// scores go through addMove, so they are word for word those of the full generator.
#include "position/quiescence_moves.h"

#include "position/move_generation.h"
#include "position/position.h"

namespace {

inline void startList() { moveListStart[pos.searchPly + 1] = moveListStart[pos.searchPly]; }

inline bool isOpponentPiece(int s) { return wordColour(pos.board[s]) == pos.opponent; }

inline bool isLineSlider(int word, int colour, int d) {
  return word == pieceWord(colour, QUEEN) || word == pieceWord(colour, d < 4 ? ROOK : BISHOP);
}

// Slider captures: the opponent pieces among the line neighbours of p in
// directions first..last-1.
void addLineCaptures(int p, int first, int last) {
  for (int d = first; d < last; d++) {
    const int t = pos.lineNeighbour[p][d];
    if (t != NO_SQUARE && isOpponentPiece(t)) addMove(p, t, MOVE_CAPTURE);
  }
}

void addKingCaptures(int p) {
  for (int d = 0; d < 8; d++) {
    const int t = stepSquare[p][d];
    if (t != NO_SQUARE && isOpponentPiece(t)) addMove(p, t, MOVE_CAPTURE);
  }
}

// Quiet moves of a slider on p to the check squares in `squares` (the
// intersection of its lines with the enemy king's): with `both` only the
// highest and the lowest (a pair of lines of the same kind meets in at most
// two squares), otherwise every square, highest first.
void addCheckSquares(int p, int ek, Bitboard squares, bool both) {
  if (!squares) return;
  if (both) {
    const int high = highestBit(squares), low = lowestBit(squares);
    if (reachable(p, high) && reachable(ek, high)) addMove(p, high, 0);
    if (low != high && reachable(p, low) && reachable(ek, low)) addMove(p, low, 0);
    return;
  }
  while (squares) {
    const int x = highestBit(squares);
    squares ^= squareBit[x];
    if (reachable(p, x) && reachable(ek, x)) addMove(p, x, 0);
  }
}

// Back-rank check by a rook or queen on p against the king ek standing on
// the back rank, when nothing stands above (White) or below (Black) p on its
// file.  `contact` allows the square next to the king when it is protected.
void addBackRankCheck(int p, int ek, bool contact) {
  const int s = pos.sideToMove;
  const bool white = s == WHITE;
  if (white ? ek < 56 : ek >= 8) return;
  if (pos.lineNeighbour[p][white ? UP : DOWN] != NO_SQUARE) return;
  const int r = (white ? 56 : 0) + (p & 7);
  if (r == p) return;
  const int k = r - ek;
  if (k >= 2) {
    const int n = pos.lineNeighbour[ek][LEFT];
    if (n == NO_SQUARE || n > r) addMove(p, r, 0);
  } else if (k <= -2) {
    const int n = pos.lineNeighbour[ek][RIGHT];
    if (n == NO_SQUARE || n < r) addMove(p, r, 0);
  } else if (contact && (k == 1 || k == -1)) {
    const int behind = pos.lineNeighbour[p][white ? DOWN : UP];
    const int pawn = pieceWord(s, PAWN);
    bool protectedSquare = pos.board[behind] == pieceWord(s, ROOK) || pos.board[behind] == pieceWord(s, QUEEN);
    if (white)
      protectedSquare = protectedSquare || pos.board[stepSquare[r][DOWN_LEFT]] == pawn ||
                        pos.board[stepSquare[r][DOWN_RIGHT]] == pawn;
    else
      protectedSquare =
          protectedSquare || pos.board[stepSquare[r][UP_LEFT]] == pawn || pos.board[stepSquare[r][UP_RIGHT]] == pawn;
    if (protectedSquare) addMove(p, r, 0);
  }
}

}  // namespace

bool reachable(int s, int x) {
  const int d = directionTo[s * 64 + x];
  const int n = pos.lineNeighbour[s][d];
  if ((d & 1) == 0) return n > x;
  return n == NO_SQUARE || n < x;
}

int queenContactSupported(int x) {
  const int s = pos.sideToMove, o = pos.opponent;
  bool support = false;
  // 1. Pawns.
  const int enemyPawn = pieceWord(o, PAWN), ownPawn = pieceWord(s, PAWN);
  const int enemyFrom[2] = {stepSquare[x][s == WHITE ? UP_LEFT : DOWN_LEFT],
                            stepSquare[x][s == WHITE ? UP_RIGHT : DOWN_RIGHT]};
  const int ownFrom[2] = {stepSquare[x][s == WHITE ? DOWN_LEFT : UP_LEFT],
                          stepSquare[x][s == WHITE ? DOWN_RIGHT : UP_RIGHT]};
  for (int t : enemyFrom)
    if (pos.board[t] == enemyPawn) return 0;
  for (int t : ownFrom)
    if (pos.board[t] == ownPawn) support = true;
  // 2. Knights.
  for (const int32_t *t = knightTargets[x]; *t >= 0; t++) {
    const int w = pos.board[*t];
    if (w == pieceWord(o, KNIGHT)) return 0;
    if (w == pieceWord(s, KNIGHT)) support = true;
  }
  // 3. Lines: the nearest piece on each side of x.
  for (int d = 0; d < 8; d += 2) {
    int ends[2];
    const Bitboard m = rayBits[x][d] & pos.occupied;
    if (m) {
      ends[0] = lowestBit(m);
      ends[1] = pos.lineNeighbour[ends[0]][d + 1];
    } else {
      const Bitboard behind = rayBits[x][d + 1] & pos.occupied;
      ends[0] = NO_SQUARE;
      ends[1] = behind ? highestBit(behind) : NO_SQUARE;
    }
    const int slider = d < 4 ? ROOK : BISHOP;
    for (int e : ends) {
      const int w = pos.board[e];
      if (w == pieceWord(o, slider) || w == pieceWord(o, QUEEN)) return 0;
      if (w == pieceWord(s, slider)) support = true;
    }
  }
  return support ? 1 : 0;
}

void generateCapturesChecks() {
  startList();
  const int s = pos.sideToMove, o = pos.opponent;
  const int ek = pos.kingSquare[o];
  for (Bitboard pieces = pos.colourBits[s]; pieces;) {
    const int p = highestBit(pieces);
    pieces ^= squareBit[p];
    const int type = wordType(pos.board[p]);

    // 1. A piece standing between its own slider and the enemy king: every
    // move that leaves the line discovers check.
    const int d = directionTo[ek * 64 + p];
    if (d >= 0 && pos.lineNeighbour[ek][d] == p && isLineSlider(pos.board[pos.lineNeighbour[p][d]], s, d)) {
      generatePieceMoves(p, type, ek);
      continue;
    }

    const int toKing = directionTo[p * 64 + ek];
    switch (type) {
      case PAWN: {
        addPawnCaptures(p);
        const int f = p & 7;
        if (s == WHITE) {
          if (pos.board[p + 8] != EMPTY) break;
          if (p >= 48 || (f < 7 && ek == p + 17) || (f > 0 && ek == p + 15)) addMove(p, p + 8, MOVE_PAWN);
          if (p <= 15 && pos.board[p + 16] == EMPTY && ((f < 7 && ek == p + 25) || (f > 0 && ek == p + 23)))
            addMove(p, p + 16, 0x18000000);
        } else {
          if (pos.board[p - 8] != EMPTY) break;
          if (p < 16 || (f < 7 && ek == p - 15) || (f > 0 && ek == p - 17)) addMove(p, p - 8, MOVE_PAWN);
          if (p >= 48 && pos.board[p - 16] == EMPTY && ((f < 7 && ek == p - 23) || (f > 0 && ek == p - 25)))
            addMove(p, p - 16, 0x18000000);
        }
        break;
      }
      case KNIGHT:
        for (const int32_t *t = knightTargets[p]; *t >= 0; t++) {
          if (isOpponentPiece(*t))
            addMove(p, *t, MOVE_CAPTURE);
          else if (pos.board[*t] == EMPTY && (knightBits[*t] & squareBit[ek]))
            addMove(p, *t, 0);
        }
        break;
      case BISHOP:
        addLineCaptures(p, 4, 8);
        if (toKing < 4) addCheckSquares(p, ek, bishopLineBits[p] & bishopLineBits[ek], true);
        break;
      case ROOK:
        addLineCaptures(p, 0, 4);
        if (toKing & 4) addCheckSquares(p, ek, rookLineBits[p] & rookLineBits[ek], true);
        break;
      case QUEEN:
        addLineCaptures(p, 0, 8);
        if (toKing < 4) addCheckSquares(p, ek, bishopLineBits[p] & bishopLineBits[ek], true);
        addCheckSquares(p, ek, bishopLineBits[p] & rookLineBits[ek], false);
        addCheckSquares(p, ek, rookLineBits[p] & bishopLineBits[ek], false);
        if (toKing & 4) addCheckSquares(p, ek, rookLineBits[p] & rookLineBits[ek], true);
        break;
      case KING: addKingCaptures(p); break;
    }
  }
  addEnPassantCaptures();
}

void generateCapturesThreats() {
  startList();
  const int s = pos.sideToMove, o = pos.opponent;
  const int ek = pos.kingSquare[o];
  const bool kingOnEdge = ek < 8 || ek >= 56 || (ek & 7) == 0 || (ek & 7) == 7;
  for (Bitboard pieces = pos.colourBits[s]; pieces;) {
    const int p = highestBit(pieces);
    pieces ^= squareBit[p];
    switch (wordType(pos.board[p])) {
      case PAWN:
        addPawnCaptures(p);
        if (s == WHITE ? (p >= 48 && pos.board[p + 8] == EMPTY) : (p < 16 && pos.board[p - 8] == EMPTY))
          addMove(p, s == WHITE ? p + 8 : p - 8, MOVE_PAWN);
        break;
      case ROOK:
        addLineCaptures(p, 0, 4);
        addBackRankCheck(p, ek, true);
        break;
      case BISHOP: addLineCaptures(p, 4, 8); break;
      case KNIGHT:
        for (const int32_t *t = knightTargets[p]; *t >= 0; t++) {
          const int target = *t;
          if (isOpponentPiece(target)) {
            addMove(p, target, MOVE_CAPTURE);
            continue;
          }
          if (pos.board[target] != EMPTY || !(knightBits[target] & squareBit[ek])) continue;
          // A square an enemy pawn guards is no place for the forking knight.
          if (s == WHITE) {
            if (target < 48 && (pos.board[stepSquare[target][UP_LEFT]] == pieceWord(BLACK, PAWN) ||
                                pos.board[stepSquare[target][UP_RIGHT]] == pieceWord(BLACK, PAWN)))
              continue;
          } else {
            if (target >= 16 && (pos.board[stepSquare[target][DOWN_LEFT]] == pieceWord(WHITE, PAWN) ||
                                 pos.board[stepSquare[target][DOWN_RIGHT]] == pieceWord(WHITE, PAWN)))
              continue;
          }
          for (const int32_t *u = knightTargets[target]; *u >= 0; u++) {
            const int w = pos.board[*u];
            if (w == pieceWord(o, ROOK) || w == pieceWord(o, QUEEN)) addMove(p, target, 0);
          }
        }
        break;
      case KING: addKingCaptures(p); break;
      case QUEEN:
        addLineCaptures(p, 0, 8);
        if (!kingOnEdge) break;
        addBackRankCheck(p, ek, false);
        for (Bitboard m = (rookLineBits[p] | bishopLineBits[p]) & kingBits[ek]; m;) {
          const int x = highestBit(m);
          m ^= squareBit[x];
          if (pos.board[x] == EMPTY && reachable(p, x) && queenContactSupported(x)) addMove(p, x, 0);
        }
        break;
    }
  }
  addEnPassantCaptures();
}
