// The pawn structure, scored once per structure and parameter set and kept in
// the pawn-hash entry: isolated, backward, unsupportable, doubled and duo
// pawns, wing majorities, and the files of weak and passed pawns that the
// piece and passed-pawn terms read later.  The king shelter bytes of the entry
// are filled by the king-safety code as kings visit squares.
#include <cstring>

#include "evaluation/evaluation.h"
#include "evaluation/piece_square.h"

namespace {

// Pawn bits of a file, bit r = a pawn on rank r; files -1 and 8 are empty.
inline int filePawns(int colour, int file) { return pos.pawnFileBits[colour][file + 1]; }

inline bool pawnOn(int colour, int file, int rank) {
  if (file < 0 || file > 7 || rank < 0 || rank > 7) return false;
  return (pos.pawnFileBits[colour][file + 1] >> rank) & 1;
}

// A white pawn on (f, r) whose neighbouring pawns all stand behind it: can
// one of them, or a pawn behind on the next files, come up to defend it?
// Yes when a neighbour already defends it, or for a neighbouring file g (with
// h the file beyond it) when a pawn can step up on g without being lost to an
// enemy pawn that takes on (g, r-1) and is then retaken.
bool unsupportableWhite(int f, int r) {
  if (pawnOn(WHITE, f - 1, r - 1) || pawnOn(WHITE, f + 1, r - 1)) return false;
  for (int side = -1; side <= 1; side += 2) {
    int g = f + side, h = f + 2 * side;
    if (g < 0 || g > 7) continue;
    bool retaker = pawnOn(WHITE, h, r - 2) || pawnOn(WHITE, f, r - 2);
    if (pawnOn(BLACK, g, r - 1)) {
      // The stopping pawn must be taken; with a second enemy pawn on (h, r)
      // both retakers are needed.
      if (pawnOn(BLACK, h, r) ? pawnOn(WHITE, h, r - 2) && pawnOn(WHITE, f, r - 2) : retaker) return false;
    } else if (pawnOn(WHITE, g, r - 2)) {
      if (!pawnOn(BLACK, h, r) || retaker) return false;
    } else if (r == 4 && pawnOn(WHITE, g, 1) && !pawnOn(BLACK, g, 2) && !pawnOn(BLACK, h, 3) && !pawnOn(BLACK, f, 3)) {
      // A double step to (g, 3) that no enemy pawn can take en passant.
      if (!pawnOn(BLACK, h, 4) || pawnOn(WHITE, h, 2) || pawnOn(WHITE, f, 2)) return false;
    }
  }
  return true;
}

// The mirror image for a black pawn: behind is up the board.
bool unsupportableBlack(int f, int r) {
  if (pawnOn(BLACK, f - 1, r + 1) || pawnOn(BLACK, f + 1, r + 1)) return false;
  for (int side = -1; side <= 1; side += 2) {
    int g = f + side, h = f + 2 * side;
    if (g < 0 || g > 7) continue;
    bool retaker = pawnOn(BLACK, h, r + 2) || pawnOn(BLACK, f, r + 2);
    if (pawnOn(WHITE, g, r + 1)) {
      if (pawnOn(WHITE, h, r) ? pawnOn(BLACK, h, r + 2) && pawnOn(BLACK, f, r + 2) : retaker) return false;
    } else if (pawnOn(BLACK, g, r + 2)) {
      if (!pawnOn(WHITE, h, r) || retaker) return false;
    } else if (r == 3 && pawnOn(BLACK, g, 6) && !pawnOn(WHITE, g, 5) && !pawnOn(WHITE, h, 4) && !pawnOn(WHITE, f, 4)) {
      if (!pawnOn(WHITE, h, 3) || pawnOn(BLACK, h, 5) || pawnOn(BLACK, f, 5)) return false;
    }
  }
  return true;
}

struct WingCounts {
  int pawns[2][2];      // [colour][wing]: wing 0 = files h..e, wing 1 = d..a
  int freePawns[2][2];  // frontmost pawns of files without an enemy pawn
};

void scorePawnStructure(PawnHashEntry &entry, const EvalParams &params) {
  WingCounts wings = {};
  uint8_t weak[2] = {0, 0}, passed[2] = {0, 0};
  int score = 0;

  for (Bitboard b = pos.pieceBits[WHITE][PAWN]; b; b &= b - 1) {
    int s = lowestBit(b), f = s & 7, r = s >> 3;
    int v = pieceSquareTable[PAWN][s];
    int neighbours = filePawns(WHITE, f - 1) | filePawns(WHITE, f + 1);
    if (neighbours == 0) {
      v -= params.isolatedPenalty;
    } else if ((neighbours & ((2 << r) - 1)) == 0) {  // all neighbours in front
      v -= params.backwardPenalty;
      weak[WHITE] |= 1 << f;
    } else if ((neighbours >> r) == 0) {  // all neighbours behind
      if (unsupportableWhite(f, r)) v -= params.unsupportablePenalty;
    } else if (r >= 3 && pawnOn(WHITE, f + 1, r)) {
      v += params.duoBonus;
    }
    wings.pawns[WHITE][f >> 2]++;
    if (filePawns(WHITE, f) >> (r + 1)) {
      v -= params.doubledPenalty;
    } else {
      if (filePawns(BLACK, f) == 0) wings.freePawns[WHITE][f >> 2]++;
      int stoppers = filePawns(BLACK, f - 1) | filePawns(BLACK, f) | filePawns(BLACK, f + 1);
      if ((stoppers >> (r + 1)) == 0) passed[WHITE] |= 1 << f;
    }
    score += v;
  }

  for (Bitboard b = pos.pieceBits[BLACK][PAWN]; b; b &= b - 1) {
    int s = lowestBit(b), f = s & 7, r = s >> 3;
    int below = (1 << r) - 1;  // ranks in front of a black pawn
    int v = pieceSquareTable[6 + PAWN][s];
    int neighbours = filePawns(BLACK, f - 1) | filePawns(BLACK, f + 1);
    if (neighbours == 0) {
      v -= params.isolatedPenalty;
    } else if ((neighbours >> r) == 0) {  // all neighbours in front
      v -= params.backwardPenalty;
      weak[BLACK] |= 1 << f;
    } else if ((neighbours & (below | 1 << r)) == 0) {  // all neighbours behind
      if (unsupportableBlack(f, r)) v -= params.unsupportablePenalty;
    } else if (r <= 4 && pawnOn(BLACK, f + 1, r)) {
      v += params.duoBonus;
    }
    wings.pawns[BLACK][f >> 2]++;
    if (filePawns(BLACK, f) & below) {
      v -= params.doubledPenalty;
    } else {
      if (filePawns(WHITE, f) == 0) wings.freePawns[BLACK][f >> 2]++;
      int stoppers = filePawns(WHITE, f - 1) | filePawns(WHITE, f) | filePawns(WHITE, f + 1);
      if ((stoppers & below) == 0) passed[BLACK] |= 1 << f;
    }
    score -= v;
  }

  // A wing where one side has more pawns and more free pawns makes a passer.
  for (int w = 0; w < 2; w++) {
    int d = wings.freePawns[WHITE][w] - wings.freePawns[BLACK][w];
    if (d > 0 && wings.pawns[WHITE][w] > wings.pawns[BLACK][w]) score += (2 * d - 1) * params.majorityUnit;
    if (d < 0 && wings.pawns[BLACK][w] > wings.pawns[WHITE][w]) score += (2 * d + 1) * params.majorityUnit;
  }

  entry.weakFiles[WHITE] = weak[WHITE];
  entry.weakFiles[BLACK] = weak[BLACK];
  entry.passedFiles[WHITE] = passed[WHITE];
  entry.passedFiles[BLACK] = passed[BLACK];
  entry.pawnScore = int16_t(score);
}

}  // namespace

PawnHashEntry &pawnStructureEntry(const EvalParams &params) {
  uint32_t key = pawnHashKey(params);
  PawnHashEntry &entry = pawnHashSlot(key);
  key = storedPawnHashKey(key);
  if (entry.key != key) {
    markTablesWritten();
    // Another structure's shelter values are no use here.
    std::memset(entry.shelter, 255, sizeof entry.shelter);
    scorePawnStructure(entry, params);
    entry.key = key;
  }
  return entry;
}
