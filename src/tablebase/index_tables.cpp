// The enumeration tables behind the index functions: which squares a piece
// of each category may stand on beside the opponent's king, the numbering
// of the king pairs, and the running offsets of the king pairs' blocks.
#include <cstring>

#include "tablebase/index.h"

TbIndexTables tbIndexTables;

namespace {

int fileOf(int s) { return s & 7; }
int rankOf(int s) { return s >> 3; }
bool adjacent(int a, int b) {
  int df = fileOf(a) - fileOf(b), dr = rankOf(a) - rankOf(b);
  return df >= -1 && df <= 1 && dr >= -1 && dr <= 1;
}

// Whether a piece of category g on s would touch the king on k (the
// position would have the side not to move in check).
bool touchesKing(int g, int s, int k) {
  int df = fileOf(k) - fileOf(s), dr = rankOf(k) - rankOf(s);
  int adf = df < 0 ? -df : df, adr = dr < 0 ? -dr : dr;
  switch (g) {
    case 1: return (k == s + 7 && fileOf(s) != 0) || (k == s + 9 && fileOf(s) != 7);
    case 2: return (adf == 1 && adr == 2) || (adf == 2 && adr == 1);
    case 3: return adf == 1 && adr == 1;
    case 4: return adf + adr == 1;
    case 5: return adf <= 1 && adr <= 1 && adf + adr > 0;
    default: return false;
  }
}

bool inTriangle(int s) { return fileOf(s) >= rankOf(s) && fileOf(s) <= 3; }

}  // namespace

void TbBuildIndexTables() {
  TbIndexTables &t = tbIndexTables;
  if (t.built) return;
  std::memset(&t, 0, sizeof t);

  for (int g = 0; g < 6; g++)
    for (int k = 0; k < 64; k++) {
      int n = 0;
      for (int s = 0; s < 64; s++) {
        bool allowed = s != k && !touchesKing(g, s, k) && (g > 1 || (s >= 8 && s < 56));
        t.enumeration[g][k][s] = allowed ? uint8_t(n++) : 255;
      }
      t.allowedCount[g][k] = uint8_t(n);
    }

  int pawnless = 0, pawns = 0;
  for (int r = 0; r < 64; r++)
    for (int o = 0; o < 64; o++) {
      bool valid = o != r && !adjacent(r, o);
      t.pawnlessKings[r][o] =
          valid && inTriangle(r) && (fileOf(r) != rankOf(r) || fileOf(o) >= rankOf(o)) ? int16_t(pawnless++)
                                                                                      : TB_INVALID_PAIR;
      t.pawnKings[r][o] = valid && fileOf(r) <= 3 ? int16_t(pawns++) : TB_INVALID_PAIR;
    }

  // Walk the pairs in index order; a pair's block holds the placements of
  // the pieces on the squares left free by both kings.
  for (int withPawns = 0; withPawns < 2; withPawns++) {
    uint32_t single[6] = {}, pair[6][6] = {};
    for (int r = 0; r < 64; r++)
      for (int o = 0; o < 64; o++) {
        int k = withPawns ? t.pawnKings[r][o] : t.pawnlessKings[r][o];
        if (k == TB_INVALID_PAIR) continue;
        uint32_t a[6];
        for (int g = 0; g < 6; g++) {
          a[g] = t.allowedCount[g][o] - (t.enumeration[g][o][r] != 255 ? 1 : 0);
          t.single[withPawns][g][k] = single[g];
          single[g] += a[g];
        }
        for (int g1 = 0; g1 < 6; g1++)
          for (int g2 = 0; g2 < 6; g2++) {
            t.pair[withPawns][g1][g2][k] = pair[g1][g2];
            pair[g1][g2] += g1 == g2 ? a[g1] * (a[g1] - 1) / 2 : a[g1] * a[g2];
          }
      }
    int total = withPawns ? 1806 : 462;
    for (int g1 = 0; g1 < 6; g1++) {
      t.single[withPawns][g1][total] = single[g1];
      for (int g2 = 0; g2 < 6; g2++) t.pair[withPawns][g1][g2][total] = pair[g1][g2];
    }
  }
  t.built = true;
}
