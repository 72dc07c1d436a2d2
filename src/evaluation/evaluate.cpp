// The static evaluation.  One pass in a fixed order: material and imbalance,
// simple endings one side cannot win, the cached pawn structure, passed
// pawns, then a lazy exit when the score is already far outside the window;
// after it weak pawns under fire, piece activity and king safety, the bishop
// pair and the mobility weight, pawn-ending and opposite-bishop terms, and the
// damping as the fifty-move rule approaches.  Every term is White's minus
// Black's; the sign is turned for Black to move at the end.
#include "evaluation/endgame_knowledge.h"
#include "evaluation/evaluation.h"

namespace {

inline int filePawns(int colour, int file) { return pos.pawnFileBits[colour][file + 1]; }

// Files (bit f = file index f) holding a pawn of the colour.
inline int pawnFileMask(int colour) {
  int mask = 0;
  for (int f = 0; f < 8; f++)
    if (filePawns(colour, f)) mask |= 1 << f;
  return mask;
}

inline int squareColour(int s) { return ((s >> 3) ^ s) & 1; }

// Trading pieces of one kind for pieces of another: an extra minor or major
// piece counts 128, a queen against two rooks 64; a minor against the
// exchange is slightly worse than it looks, two minors against a rook better.
int rawImbalance(int minorDiff, int majorDiff) {
  const int32_t(&n)[2][6] = pos.pieceCount;
  if (minorDiff == 0) return majorDiff == 0 ? 64 * (n[WHITE][QUEEN] - n[BLACK][QUEEN]) : 128 * majorDiff;
  if (majorDiff == 0) return 128 * minorDiff;
  switch (majorDiff) {
    case -1: return minorDiff == 1 ? -32 : minorDiff >= 2 ? 128 : 0;
    case 1: return minorDiff == -1 ? 32 : minorDiff <= -2 ? -128 : 0;
    case -2: return minorDiff >= 3 && n[WHITE][QUEEN] == 0 ? 128 : 0;
    case 2: return minorDiff <= -3 && n[BLACK][QUEEN] == 0 ? -128 : 0;
    default: return 0;
  }
}

inline int minorDifference() {
  const int32_t(&n)[2][6] = pos.pieceCount;
  return n[WHITE][KNIGHT] + n[WHITE][BISHOP] - n[BLACK][KNIGHT] - n[BLACK][BISHOP];
}

inline int majorDifference() {
  const int32_t(&n)[2][6] = pos.pieceCount;
  return n[WHITE][ROOK] + 2 * n[WHITE][QUEEN] - n[BLACK][ROOK] - 2 * n[BLACK][QUEEN];
}

int cannotWinFlags(int minorDiff, int majorDiff) {
  const int32_t(&n)[2][6] = pos.pieceCount;
  int wP = n[WHITE][PAWN], bP = n[BLACK][PAWN];
  int mW = pos.material[WHITE], mB = pos.material[BLACK];
  if (majorDiff != 0) {
    // The exchange up without pawns.
    int flags = 0;
    if (wP == 0 && majorDiff == 1 && minorDiff == -1) flags |= WHITE_CANNOT_WIN;
    if (bP == 0 && majorDiff == -1 && minorDiff == 1) flags |= BLACK_CANNOT_WIN;
    return flags;
  }
  // The first rule that fits decides.  A single extra minor piece does not
  // win without pawns, except two bishops against a knight.
  if (wP == 0 && minorDiff == 1)
    return mW == 600 && n[WHITE][KNIGHT] == 0 && n[BLACK][KNIGHT] > 0 && n[WHITE][BISHOP] > 0 ? 0 : WHITE_CANNOT_WIN;
  if (bP == 0 && minorDiff == -1)
    return mB == 600 && n[BLACK][KNIGHT] == 0 && n[WHITE][KNIGHT] > 0 ? 0 : BLACK_CANNOT_WIN;
  // Two knights cannot force mate.
  if (wP == 0 && mW == 600 && n[WHITE][BISHOP] == 0) return WHITE_CANNOT_WIN;
  // A rook's pawn with the bishop of the wrong colour against a bare king.
  if (wP == 1 && mW == 300 && n[WHITE][BISHOP] == 1 && mB == 0 && bP == 0 && wrongBishopWhite())
    return WHITE_CANNOT_WIN;
  if (bP == 0 && mB == 600 && n[BLACK][BISHOP] == 0) return BLACK_CANNOT_WIN;
  if (bP == 1 && mB == 300 && n[BLACK][BISHOP] == 1 && mW == 0 && wP == 0 && wrongBishopBlack())
    return BLACK_CANNOT_WIN;
  return 0;
}

// A static score is never a mate score, however much material is on the board.
inline int withinLimit(int score) {
  return score > EVAL_LIMIT ? EVAL_LIMIT : score < -EVAL_LIMIT ? -EVAL_LIMIT : score;
}

inline int scaleForCannotWin(int score, int flags) {
  if ((score > 0 && (flags & WHITE_CANNOT_WIN)) || (score < 0 && (flags & BLACK_CANNOT_WIN))) return score / 4;
  return score;
}

// Backward pawns on files the enemy can use: a rook on the half-open file,
// a knight or bishop planted in front of the pawn.
int weakPawnsUnderFire(const PawnHashEntry &entry) {
  int score = 0;
  for (int files = entry.weakFiles[WHITE]; files; files &= files - 1) {
    int f = lowestBitIndex[files & 255];
    int own = filePawns(WHITE, f);
    if (!own) continue;  // a colliding key can name a file without pawns
    if (filePawns(BLACK, f) == 0 && pos.pieceCount[BLACK][ROOK] > 0) score -= 15;
    int front = pos.board[(highestBitIndex[own] + 1) * 8 + f];
    if (front == pieceWord(BLACK, KNIGHT)) score -= 12;
    if (front == pieceWord(BLACK, BISHOP)) score -= 8;
  }
  for (int files = entry.weakFiles[BLACK]; files; files &= files - 1) {
    int f = lowestBitIndex[files & 255];
    int own = filePawns(BLACK, f);
    if (!own) continue;
    if (filePawns(WHITE, f) == 0 && pos.pieceCount[WHITE][ROOK] > 0) score += 15;
    int front = pos.board[(lowestBitIndex[own] - 1) * 8 + f];
    if (front == pieceWord(WHITE, KNIGHT)) score += 12;
    if (front == pieceWord(WHITE, BISHOP)) score += 8;
  }
  return score;
}

// Kings and pawns only: a king that has gone up the board beside the enemy
// pawns, past the enemy king, raids the nearest pawn on the outside.
int kingRaids() {
  int score = 0;
  int wk = pos.kingSquare[WHITE], bk = pos.kingSquare[BLACK];
  if ((wk >> 3) >= 4 && pos.pieceCount[BLACK][PAWN] > 0) {
    int files = pawnFileMask(BLACK);
    int lo = lowestBitIndex[files], hi = highestBitIndex[files];
    int kf = wk & 7, bf = bk & 7, file = -1;
    if (kf < lo && kf + pos.opponent > bf + 1)
      file = lo;
    else if (kf > hi && kf - pos.opponent < bf - 1)
      file = hi;
    if (file >= 0) {
      int q = lowestBitIndex[filePawns(BLACK, file)] * 8 + file;
      score += squareDistance(wk, q) < squareDistance(bk, q) ? 32 : 8;
    }
  }
  if ((bk >> 3) <= 3 && pos.pieceCount[WHITE][PAWN] > 0) {
    int files = pawnFileMask(WHITE);
    int lo = lowestBitIndex[files], hi = highestBitIndex[files];
    int kf = bk & 7, wf = wk & 7, file = -1;
    if (kf < lo && kf + pos.sideToMove > wf + 1)
      file = lo;
    else if (kf > hi && kf - pos.sideToMove < wf - 1)
      file = hi;
    if (file >= 0) {
      int q = highestBitIndex[filePawns(WHITE, file)] * 8 + file;
      score -= squareDistance(bk, q) < squareDistance(wk, q) ? 32 : 8;
    }
  }
  return score;
}

}  // namespace

int cannotWinFlags() {
  if (pos.material[WHITE] > 1200 || pos.material[BLACK] > 1200) return 0;
  return cannotWinFlags(minorDifference(), majorDifference());
}

int evaluate(int alpha, int beta) {
  const int32_t(&n)[2][6] = pos.pieceCount;
  const int phase = materialPhase();

  // Step 1, material.
  int score = 100 * (n[WHITE][PAWN] - n[BLACK][PAWN]) + pos.material[WHITE] - pos.material[BLACK];

  // Steps 2 and 3, imbalance and (in the endgame) the can't-win flags.
  int minorDiff = minorDifference(), majorDiff = majorDifference();
  int imbalance = rawImbalance(minorDiff, majorDiff);
  int flags = 0;
  const EvalParams &params = currentEvalParams();
  if (&params == &middlegameParams) {
    score += imbalancePhaseScale[phaseIndex(phase)] * imbalance / 256;
  } else {
    flags = cannotWinFlags(minorDiff, majorDiff);
    score += imbalance / 2;
  }

  // Step 4, pawn structure.
  PawnHashEntry &entry = pawnStructureEntry(params);
  score += entry.pawnScore;

  // Step 5, passed pawns: before the lazy exit, since they can be worth far
  // more than its margin.
  score += evaluatePassedPawns(entry);

  // Step 6, lazy exit.
  int lazyScore = withinLimit(scaleForCannotWin(score, flags));
  int forMover = pos.sideToMove == BLACK ? -lazyScore : lazyScore;
  if (forMover - params.lazyMargin >= beta || forMover + params.lazyMargin <= alpha) return forMover;

  // Steps 7 and 8, weak pawns, pieces and kings.
  score += weakPawnsUnderFire(entry);
  PieceScores pieces = evaluatePieces(entry);
  score += pieces.pos;

  // Step 9, bishop pair and mobility, both fading as pieces come off.
  int mobilityScale = mobilityPhaseScale[phaseIndex(phase)];
  if (n[WHITE][BISHOP] != n[BLACK][BISHOP]) {
    if (n[WHITE][BISHOP] >= 2) {
      int t = bishopPairBonus[n[WHITE][PAWN] < 8 ? n[WHITE][PAWN] : 8];
      score += t - t * mobilityScale / 512;
    }
    if (n[BLACK][BISHOP] >= 2) {
      int t = bishopPairBonus[n[BLACK][PAWN] < 8 ? n[BLACK][PAWN] : 8];
      score -= t - t * mobilityScale / 512;
    }
  }
  score += (mobilityScale + 128) * pieces.mob / 256;

  if (phase <= 24) {
    // Step 10, late-phase terms.
    if (phase == 0) score += kingRaids();
    if (phase == 6 && n[WHITE][BISHOP] == 1 && n[BLACK][BISHOP] == 1 && (score > 100 || score < -100) &&
        squareColour(lowestBit(pos.pieceBits[WHITE][BISHOP])) != squareColour(lowestBit(pos.pieceBits[BLACK][BISHOP])))
      score += 32 * (n[BLACK][PAWN] - n[WHITE][PAWN]);  // opposite bishops: extra pawns count less

    // Step 11, the fifty-move rule draws near.  A count past 100 (a draw that
    // nobody claimed) damps to 0 rather than turning the sign.
    if (pos.fiftyCount > 84) {
      int left = pos.fiftyCount < 100 ? 100 - pos.fiftyCount : 0;
      score = left * score / 16;
    }

    // Step 12.
    score = scaleForCannotWin(score, flags);
  }

  // Step 13.
  score = withinLimit(score);
  return pos.sideToMove == BLACK ? -score : score;
}
