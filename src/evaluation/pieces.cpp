// Piece activity and king safety: one walk over the pieces of both sides
// (piece-square values, mobility, knight forks, trapped bishops and rooks,
// rooks on open files and the seventh rank) that also counts the pieces
// bearing on each king's zone; then each king is scored from its pawn shelter
// (cached per king square in the pawn-hash entry), those attackers, the enemy
// queen's pressure, and in the endgame its activity.
//
// Each rule is written once for a colour `Us`; Black's half is the mirror of
// White's, with "forward" up the board for White and down for Black.
#include "evaluation/evaluation.h"
#include "evaluation/piece_square.h"

namespace {

constexpr Bitboard FILE_H = 0x0101010101010101ULL;
constexpr Bitboard FILE_A = 0x8080808080808080ULL;

struct PieceWalk {
  Bitboard pawnAttacks[2];
  int kingAttackers[2];  // pieces counted against the king of that colour
  int queenSquare[2];    // 64 when none
  int queenAim[2];       // direction * 16 + distance of an open queen line to the enemy king zone, 0 if none
  int pos[2];            // each side's own positional sum
  int mob[2];
};

template <int Us>
constexpr int own(int type) {
  return pieceWord(Us, type);
}

inline int filePawns(int colour, int file) { return pos.pawnFileBits[colour][file + 1]; }

inline bool pawnOn(int colour, int file, int rank) {
  if (file < 0 || file > 7 || rank < 0 || rank > 7) return false;
  return (pos.pawnFileBits[colour][file + 1] >> rank) & 1;
}

// The square as White would see it: Black's tables are White's, rank-mirrored.
template <int Us>
constexpr int relative(int s) {
  return Us == WHITE ? s : s ^ 56;
}

// Visits the squares of a set in White's order, highest square first, or in
// its mirror image for Black, so that several queens resolve alike.
template <int Us, typename Visit>
inline void forEachSquare(Bitboard b, Visit visit) {
  if (Us == BLACK) b = __builtin_bswap64(b);
  while (b) {
    int s = highestBit(b);
    b ^= squareBit[s];
    visit(Us == WHITE ? s : s ^ 56);
  }
}

// z(e), d(e), k(e) of a king-line entry.
inline int lineZone(int e) { return e >> 8; }
inline int lineDirection(int e) { return (e >> 4) & 7; }
inline int lineDistance(int e) { return e & 15; }

// Nothing stands between the slider on s and the zone square along the line.
inline bool lineIsClear(int s, int e) {
  int d = lineDirection(e), z = lineZone(e);
  int n = pos.lineNeighbour[s][d];
  return (d & 1) == 0 ? z <= n : (n & 63) <= z;
}

// The piece directly behind the slider on that line.
inline int batteryPiece(int s, int d) { return pos.board[pos.lineNeighbour[s][d ^ 1]]; }

template <int Us>
void scorePawns(PieceWalk &w) {
  // A pawn stopped by any piece; the centre pawns on their home squares
  // blocking the bishops cost more.
  constexpr Bitboard homeCentre = Us == WHITE ? (1ULL << 11 | 1ULL << 12) : (1ULL << 51 | 1ULL << 52);
  Bitboard pawns = pos.pieceBits[Us][PAWN];
  Bitboard blocked = pawns & (Us == WHITE ? pos.occupied >> 8 : pos.occupied << 8);
  w.pos[Us] -= 4 * popCount(blocked) + 8 * popCount(blocked & homeCentre);
}

template <int Us>
void scoreKnight(PieceWalk &w, int s) {
  constexpr int Them = Us ^ 1;
  if ((kingLineInfo[pos.kingSquare[Them]][0][s] & 12) == 0) w.kingAttackers[Them]++;
  int hits = 0, unsafe = 0;
  for (const int32_t *t = knightTargets[s]; *t >= 0; t++) {
    int target = *t, word = pos.board[target];
    int weight = knightTargetWeight[Us][target];
    bool pawnGuarded = w.pawnAttacks[Them] & squareBit[target];
    if (word == EMPTY) {
      if (pawnGuarded)
        unsafe++;
      else
        w.mob[Us] += weight;
    } else if (wordColour(word) == Us) {
      if (word == own<Us>(KNIGHT))
        w.pos[Us] += 4;
      else if (Us == WHITE ? target < s : target > s)  // own pieces in the knight's rear
        unsafe++;
    } else if (wordType(word) == PAWN) {
      if (pawnGuarded) {
        unsafe++;
      } else {
        hits++;
        w.mob[Us] += weight;
      }
    } else {
      w.mob[Us] += weight;
      int type = wordType(word);
      hits += type == BISHOP ? 1 : type == KNIGHT ? 0 : 2;
    }
  }
  int square = pieceSquareTable[Us * 6 + KNIGHT][s];
  w.pos[Us] += knightForkBonus[countIndex(hits)] - 4 * unsafe + (square > 0 ? unsafe : 0) + square;
}

// A bishop on the enemy side of the board behind an enemy pawn on the next
// file, as on a7 behind b6, can be shut in by one more pawn (c7): 1 << rank
// each, counted in the bishop's own ranks.
template <int Us>
int trappedBishopPenalty(int s) {
  constexpr int Them = Us ^ 1;
  constexpr Bitboard trapSquares = Us == WHITE ? 0x42C3C3C381000000ULL : 0x00000081C3C3C342ULL;
  if (!(trapSquares & squareBit[s])) return 0;
  constexpr int back = Us == WHITE ? -1 : 1;  // one rank towards the bishop's own side
  int f = s & 7, r = s >> 3, rr = relative<Us>(s) >> 3;
  int inward = f >= 4 ? -1 : 1;
  int penalty = 0;
  if (f == 0 || f == 7) {
    if (pawnOn(Them, f + inward, r + back)) {
      penalty += 1 << rr;
      if (pawnOn(Them, f + 2 * inward, r)) penalty += 1 << rr;
    }
  } else if (pawnOn(Them, f + inward, r + back)) {
    penalty += 1 << (rr - 1);
    if (pawnOn(Them, f, r + 2 * back)) penalty += 1 << (rr - 1);
  }
  return penalty;
}

template <int Us>
void scoreBishop(PieceWalk &w, int s) {
  constexpr int Them = Us ^ 1;
  int e = kingLineInfo[pos.kingSquare[Them]][1][s];
  if (e > 0 && lineIsClear(s, e)) {
    w.kingAttackers[Them]++;
    if (batteryPiece(s, lineDirection(e)) == own<Us>(QUEEN) && lineDistance(e) >= 2) w.kingAttackers[Them]++;
  }
  const uint8_t *n = pos.lineNeighbour[s];
  int diagonalUp = n[4] == NO_SQUARE && n[5] == NO_SQUARE ? openLineMobility[s][0] : lineMobility[n[4]][n[5]].diagUp;
  int diagonalDown =
      n[6] == NO_SQUARE && n[7] == NO_SQUARE ? openLineMobility[s][1] : lineMobility[n[6]][n[7]].diagDown;
  w.mob[Us] += diagonalUp + diagonalDown;
  w.pos[Us] += pieceSquareTable[Us * 6 + BISHOP][s] - trappedBishopPenalty<Us>(s);
}

template <int Us>
void scoreRook(PieceWalk &w, int s) {
  constexpr int Them = Us ^ 1;
  constexpr int forward = Us == WHITE ? UP : DOWN, backward = forward ^ 1;
  constexpr Bitboard cornerSquares = Us == WHITE ? 0x81C3ULL : 0xC381000000000000ULL;
  const int enemyKing = pos.kingSquare[Them];
  const int f = s & 7, rr = relative<Us>(s) >> 3;

  int e = kingLineInfo[enemyKing][0][s];
  if (e > 0 && lineDirection(e) < 4 && lineIsClear(s, e)) {
    int battery = batteryPiece(s, lineDirection(e));
    bool doubled = (battery == own<Us>(ROOK) || battery == own<Us>(QUEEN)) && lineDistance(e) >= 2;
    w.kingAttackers[Them] += doubled ? 2 : 1;
  }

  const uint8_t *n = pos.lineNeighbour[s];
  int ahead = n[forward], behind = n[backward], toA = n[LEFT], toH = n[RIGHT];
  int vertical = lineMobility[n[UP]][n[DOWN]].fileFree;
  int horizontal = lineMobility[toA][toH].rankFree;
  w.mob[Us] += vertical + horizontal;

  int x;
  int ownPawns = filePawns(Us, f), enemyPawns = filePawns(Them, f);
  if (ownPawns == 0 && enemyPawns == 0) {
    // Open file; the rear one of two rooks doubled on it gets more.
    x = pos.board[ahead] == own<Us>(ROOK) ? (pos.pieceCount[Us][PAWN] < 5 ? 20 : 25) : 15;
  } else if (ownPawns == 0 || enemyPawns == 0) {
    x = 10;
  } else {
    x = horizontal < 2 && (cornerSquares & squareBit[s]) ? -20 : 0;  // shut in by its own king
  }
  if (horizontal == 0) x -= 15;

  // Pin or discovered attack: one piece other than a pawn between the rook
  // and the enemy king.
  int d = directionTo[s * 64 + enemyKing];
  if (d >= 0 && d < 4) {
    int p = n[d];
    if (wordType(pos.board[p]) != PAWN && pos.lineNeighbour[p][d] == enemyKing) x += 20;
  }

  if (rr == 6 && (relative<Us>(enemyKing) >> 3) >= 6) {
    if (pos.board[toA] == own<Us>(ROOK) || pos.board[toA] == own<Us>(QUEEN) || pos.board[toH] == own<Us>(QUEEN))
      x += 48;
    else if (wordColour(pos.board[behind]) != Them)
      x += 24;
  }

  if (pos.board[ahead] == own<Us>(ROOK) || pos.board[toA] == own<Us>(ROOK)) x += 5;  // connected

  // Hemmed in between an enemy pawn in front and its own pawn behind, with
  // enemy pawns beside ready to take it if it leaves by the rank.
  if (pos.board[ahead] == pieceWord(Them, PAWN) && pos.board[behind] == own<Us>(PAWN) && horizontal < 4) {
    int r = s >> 3;
    int besides = filePawns(Them, f - 1) | filePawns(Them, f + 1);
    int inFront = Us == WHITE ? besides >> (r + 1) : besides & ((1 << r) - 1);
    if (inFront) x -= 15;
  }
  w.pos[Us] += x;
}

template <int Us>
void scoreQueen(PieceWalk &w, int s) {
  constexpr int Them = Us ^ 1;
  const int enemyKing = pos.kingSquare[Them];
  w.queenSquare[Us] = s;
  w.pos[Us] += pieceSquareTable[Us * 6 + QUEEN][s];

  int e = kingLineInfo[enemyKing][0][s];
  if (e <= 0) return;
  int d = lineDirection(e);
  if (lineIsClear(s, e)) {
    w.kingAttackers[Them]++;
    int battery = batteryPiece(s, d);
    if (lineDistance(e) >= 2 &&
        (battery == own<Us>(QUEEN) || (battery == own<Us>(ROOK) && d < 4) || (battery == own<Us>(BISHOP) && d >= 4)))
      w.kingAttackers[Them]++;
    w.queenAim[Us] = e & 255;
  }
  // A second, diagonal line into the zone backed by a bishop or queen.  It is
  // looked for when the first line runs towards higher squares (an even
  // direction) for White, towards lower squares for Black.
  if ((d & 1) != Us) return;
  int e2 = kingLineInfo[enemyKing][1][s];
  if (e2 >= 0 && lineZone(e2) != lineZone(e) && lineIsClear(s, e2) && lineDistance(e2) >= 2) {
    int battery = batteryPiece(s, lineDirection(e2));
    if (battery == own<Us>(BISHOP) || battery == own<Us>(QUEEN)) w.kingAttackers[Them]++;
  }
}

template <int Us>
void scorePieces(PieceWalk &w) {
  scorePawns<Us>(w);
  forEachSquare<Us>(pos.pieceBits[Us][KNIGHT], [&](int s) { scoreKnight<Us>(w, s); });
  forEachSquare<Us>(pos.pieceBits[Us][BISHOP], [&](int s) { scoreBishop<Us>(w, s); });
  forEachSquare<Us>(pos.pieceBits[Us][ROOK], [&](int s) { scoreRook<Us>(w, s); });
  forEachSquare<Us>(pos.pieceBits[Us][QUEEN], [&](int s) { scoreQueen<Us>(w, s); });
}

// The shelter penalty of a king square: the own pawns in front of the king
// on its file and the two next to it, and the enemy pawns storming them.  A
// missing neighbouring file counts as a pawn one rank ahead in the own table
// (no penalty) and as no pawn in the enemy table.
int shelterWhite(int k) {
  int f = k & 7, r = k >> 3;
  auto near = [r](int bits) { return (bits >> r) & 127; };
  return enemyStormWhite[near(filePawns(BLACK, f + 1))] + enemyStormWhite[near(filePawns(BLACK, f))] +
         enemyStormWhite[near(filePawns(BLACK, f - 1))] + ownShelterWhite[near(filePawns(WHITE, f))] +
         ownShelterWhite[f <= 6 ? near(filePawns(WHITE, f + 1)) : 2] +
         ownShelterWhite[f >= 1 ? near(filePawns(WHITE, f - 1)) : 2];
}

int shelterBlack(int k) {
  int f = k & 7, r = k >> 3;
  auto near = [r](int bits) { return (bits << (7 - r)) & 255; };
  return enemyStormBlack[near(filePawns(WHITE, f + 1))] + enemyStormBlack[near(filePawns(WHITE, f))] +
         enemyStormBlack[near(filePawns(WHITE, f - 1))] + ownShelterBlack[near(filePawns(BLACK, f))] +
         ownShelterBlack[f <= 6 ? near(filePawns(BLACK, f + 1)) : 64] +
         ownShelterBlack[f >= 1 ? near(filePawns(BLACK, f - 1)) : 64];
}

// Files holding a pawn of either colour, bit f = file index f.
int pawnFileMask() {
  int mask = 0;
  for (int f = 0; f < 8; f++)
    if (pos.pawnFileBits[WHITE][f + 1] | pos.pawnFileBits[BLACK][f + 1]) mask |= 1 << f;
  return mask;
}

// The king of colour Us: returns its safety score (higher is safer) and adds
// the uncastled-king and endgame-activity terms to its side's sum.
template <int Us>
int scoreKing(PieceWalk &w, PawnHashEntry &entry) {
  constexpr int Them = Us ^ 1;
  constexpr Bitboard castledSquares = Us == WHITE ? 0xC3E3ULL : 0xE3C3000000000000ULL;
  const int k = pos.kingSquare[Us];
  const int attackers = countIndex(w.kingAttackers[Us]);
  const int enemyMaterial = pos.material[Them];
  const bool enemyQueen = pos.pieceCount[Them][QUEEN] > 0;
  int ks, shelter = 0;

  if (enemyMaterial >= 1451) {
    // The engine's own king is held to a stricter standard.
    if (enemyMaterial > 1800 && !(castledSquares & squareBit[k])) w.pos[Us] -= rootSide == Us ? 45 : 30;
    int square = pieceSquareTable[Us * 6 + KING][k];
    if (!enemyQueen) square /= 2;
    shelter = entry.shelter[Us][k];
    if (shelter == 255) {
      shelter = Us == WHITE ? shelterWhite(k) : shelterBlack(k);
      entry.shelter[Us][k] = uint8_t(shelter);
    }
    ks = square - shelter;
    // Attackers weigh more on a king that is already badly placed.  Right
    // shifts of negative values floor (arithmetic shifts, as C++20 defines).
    ks += (kingAttackWeight[attackers] * ((ks >> 1) - 42)) >> 5;
  } else {
    // Endgame: the king should be active, towards the pawns' wing if there is only one.
    int files = pawnFileMask();
    int row = files != 0 && (files & 0xF8) == 0 ? 1 : files != 0 && (files & 0x1F) == 0 ? 2 : 0;
    int activity = kingEndgameSquare[row][relative<Us>(k)];
    if (!enemyQueen) {
      ks = -kingAttackWeight[attackers];
      w.pos[Us] += activity;
    } else {
      ks = -2 * kingAttackWeight[attackers];
      w.pos[Us] += 3 * activity / 4;
      shelter = 60;
    }
  }

  // The enemy queen with an open line into the king zone.
  int aim = w.queenAim[Them];
  if (aim) {
    int q = w.queenSquare[Them];
    int line = q < 64 ? kingLineInfo[k][0][q] : -1;
    int8_t toward = int8_t(line & 255);
    if (q < 64 && toward >= 0) {
      int p = pos.lineNeighbour[q][toward >> 4];
      int distance = line & 15;
      int ownQueen = w.queenSquare[Us];
      if (p < 64 && (aim & 15) < (kingLineInfo[k][0][p] & 15) + 1 && distance != 0 && distance != 1)
        ks += ks / 2;
      else if (squareDistance(q, k) < 4 && (ownQueen == NO_SQUARE || squareDistance(ownQueen, q) > 3) && shelter > 59)
        ks += attackers > 1 ? ks / 4 : ks / 8;
    } else {
      ks += ks / 2;
    }
  }
  return ks;
}

}  // namespace

PieceScores evaluatePieces(PawnHashEntry &entry) {
  PieceWalk w;
  Bitboard whitePawns = pos.pieceBits[WHITE][PAWN], blackPawns = pos.pieceBits[BLACK][PAWN];
  w.pawnAttacks[WHITE] = (whitePawns & ~FILE_A) << 9 | (whitePawns & ~FILE_H) << 7;
  w.pawnAttacks[BLACK] = (blackPawns & ~FILE_H) >> 9 | (blackPawns & ~FILE_A) >> 7;
  w.kingAttackers[WHITE] = w.kingAttackers[BLACK] = 0;
  w.queenSquare[WHITE] = w.queenSquare[BLACK] = NO_SQUARE;
  w.queenAim[WHITE] = w.queenAim[BLACK] = 0;
  w.pos[WHITE] = w.pos[BLACK] = w.mob[WHITE] = w.mob[BLACK] = 0;

  scorePieces<WHITE>(w);
  scorePieces<BLACK>(w);
  int ksWhite = scoreKing<WHITE>(w, entry);
  int ksBlack = scoreKing<BLACK>(w, entry);

  int total = w.pos[WHITE] - w.pos[BLACK] + ksWhite - ksBlack;
  // When a king is in real danger, the gap between the two kings counts
  // again, scaled by how bad the worse one is.
  int worst = ksWhite < ksBlack ? ksWhite : ksBlack;
  if (worst < -128) {
    int d = ksWhite - ksBlack;
    if (d > 0)
      total -= (d < -ksWhite ? d : -ksWhite) * worst / 128;
    else
      total -= (ksBlack > d ? ksBlack : d) * worst / 128;
  }
  return {total, w.mob[WHITE] - w.mob[BLACK]};
}
