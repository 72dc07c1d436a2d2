// The enumeration behind TbForEachPlacement (a template, so the visitor is
// inlined in the size tool and the generator).
#pragma once

namespace tbplacement {

inline int slotOf(const TbShape &shape, int n) {
  if (n == 0) return 3 * (shape.t1 - 1);
  if (n == 1 && shape.firstCount == 2) return 3 * (shape.t2 - 1) + (shape.t1 == shape.t2 ? 1 : 0);
  return 3 * (shape.t3 - 1);
}
inline int typeOf(const TbShape &shape, int n) {
  if (n == 0) return shape.t1;
  if (n == 1 && shape.firstCount == 2) return shape.t2;
  return shape.t3;
}
inline bool ofFirst(const TbShape &shape, int n) { return n < shape.firstCount; }

}  // namespace tbplacement

template <typename Visit>
void TbForEachPlacement(const TbShape &shape, int side, const bool *kingPairs, Visit &&visit) {
  using namespace tbplacement;
  const TbIndexTables &t = tbIndexTables;
  const bool pawns = shape.t1 == 1 || shape.t2 == 1 || shape.t3 == 1;
  const int men = shape.firstCount + shape.secondCount;
  TbPlacement p = {};
  for (int r = 0; r < 64; r++)
    for (int o = 0; o < 64; o++) {
      int k = pawns ? t.pawnKings[r][o] : t.pawnlessKings[r][o];
      if (k == TB_INVALID_PAIR || (kingPairs && !kingPairs[k])) continue;
      (side == 0 ? p.first : p.second).square[TB_KING_SLOT] = uint32_t(r);
      (side == 0 ? p.second : p.first).square[TB_KING_SLOT] = uint32_t(o);
      int sq[3] = {0, 0, 0};
      // Odometer over the pieces' squares.
      for (;;) {
        bool distinct = true;
        for (int n = 0; n < men; n++) {
          if (sq[n] == r || sq[n] == o) distinct = false;
          for (int m = 0; m < n; m++)
            if (sq[m] == sq[n]) distinct = false;
        }
        // Two pieces of one type: each pair once, in increasing order.
        if (shape.firstCount == 2 && shape.t1 == shape.t2 && sq[0] > sq[1]) distinct = false;
        if (distinct) {
          for (int n = 0; n < men; n++)
            (ofFirst(shape, n) ? p.first : p.second).square[slotOf(shape, n)] = uint32_t(sq[n]);
          p.ep = TB_NO_EP;
          if (TbPlacementLegal(shape, side, p)) visit(p);
          if (pawns) {
            // En passant: the side to move takes on a square behind an enemy pawn.
            for (int n = 0; n < men; n++) {
              if (typeOf(shape, n) != 1 || ofFirst(shape, n) == (side == 0)) continue;
              int x = side == 0 ? sq[n] + 8 : sq[n] - 8;
              if (x < 0 || x > 63) continue;
              p.ep = uint32_t(x);
              if (TbPlacementLegal(shape, side, p)) visit(p);
            }
          }
        }
        int n = 0;
        while (n < men && ++sq[n] == 64) sq[n++] = 0;
        if (n == men) break;
      }
    }
}
