// The index functions of the four table classes, for either side to move.
//
// Every function first turns the board so that the side to move's king is
// in its reference region, then numbers the placement: the king pair picks
// a block, the pieces' ordinals (counted over the squares a piece may
// legally occupy next to the other king) pick the position inside it.  The
// side not to move's pieces are usually counted over all squares not taken
// by the men numbered before them.
#include <utility>

#include "tablebase/index.h"

namespace {

constexpr int P = 1;  // the pawn of the side to move in table terms
constexpr int OTHER_PAWN = 0;
constexpr uint64_t BAD = ~uint64_t(0);

inline uint64_t gt(uint32_t a, uint32_t b) { return a > b ? 1 : 0; }
inline uint32_t fileOf(uint32_t s) { return s & 7; }
inline uint32_t rankOf(uint32_t s) { return s >> 3; }
inline uint32_t transpose(uint32_t s) { return fileOf(s) * 8 + rankOf(s); }
inline bool isSlider(int g) { return g >= 3; }

struct Men {
  uint32_t r, o;       // the side to move's king, the other king
  uint32_t p1, p2, p3;  // the first side's pieces, the second side's piece
  uint32_t ep;
};

// A lookup failure anywhere makes the whole index invalid; the helpers
// return BAD and the callers pass it on.
struct Calc {
  const TbIndexTables &t = tbIndexTables;
  bool bad = false;

  uint64_t e(int g, uint32_t k, uint32_t s) {
    uint8_t v = t.enumeration[g][k][s];
    if (v == 255) bad = true;
    return v;
  }
  // The ordinal of s among the squares allowed to category g next to king
  // o, without the square of the side to move's king r.
  uint64_t skipped(int g, uint32_t o, uint32_t s, uint32_t r) {
    uint64_t v = e(g, o, s);
    if (isSlider(g) || t.enumeration[g][o][r] != 255) v -= gt(s, r);
    return v;
  }
  // Count of squares left to category g next to king o once r is taken.
  uint64_t room(int g, uint32_t o, uint32_t r) {
    uint64_t m = t.allowedCount[g][o];
    if (isSlider(g) || t.enumeration[g][o][r] != 255) m -= 1;
    return m;
  }
  uint64_t king(bool pawns, uint32_t r, uint32_t o) {
    int16_t k = pawns ? t.pawnKings[r][o] : t.pawnlessKings[r][o];
    if (k == TB_INVALID_PAIR) bad = true;
    return k == TB_INVALID_PAIR ? 0 : uint64_t(k);
  }
  uint64_t single(bool pawns, int g, uint64_t k) { return t.single[pawns][g][k]; }
  uint64_t singleTotal(bool pawns, int g) { return t.single[pawns][g][pawns ? 1806 : 462]; }
  uint64_t pair(bool pawns, int g1, int g2, uint64_t k) { return t.pair[pawns][g1][g2][k]; }
  uint64_t pairTotal(bool pawns, int g1, int g2) { return t.pair[pawns][g1][g2][pawns ? 1806 : 462]; }
};

// The two-pieces-against-a-king value of the first side to move.
uint64_t twoPieces(Calc &c, bool pawns, int t1, int t2, const Men &m) {
  uint64_t k = c.king(pawns, m.r, m.o);
  uint64_t e1 = c.skipped(t1, m.o, m.p1, m.r);
  if (t1 != t2) {
    uint64_t e2 = c.skipped(t2, m.o, m.p2, m.r);
    return c.room(t2, m.o, m.r) * e1 + c.pair(pawns, t1, t2, k) + e2;
  }
  uint64_t e2 = c.skipped(t2, m.o, m.p2, m.r);
  return e2 * (e2 - 1) / 2 + c.pair(pawns, t1, t1, k) + e1;
}

// The ordinal of the side to move's pawn on s, counted upside down (the
// second side's pawns move down the board), and its king pair.
uint64_t flippedPawn(Calc &c, int g, const Men &m, uint32_t s, uint64_t *pairIndex) {
  uint32_t r = m.r ^ 56, o = m.o ^ 56, f = s ^ 56;
  *pairIndex = c.king(true, r, o);
  return c.skipped(g, o, f, r);
}

uint64_t t21(Calc &c, int side, int t1, const Men &m) {
  bool pawns = t1 == P;
  if (side == 0) return c.single(pawns, t1, c.king(pawns, m.r, m.o)) + c.skipped(t1, m.o, m.p1, m.r);
  if (!pawns) return 62 * c.king(false, m.r, m.o) + m.p1 - gt(m.p1, m.r) - gt(m.p1, m.o);
  uint64_t k;
  uint64_t e = flippedPawn(c, OTHER_PAWN, m, m.p1, &k);
  return c.single(true, OTHER_PAWN, k) + e;
}

uint64_t t22(Calc &c, int side, int t1, int t2, const Men &m) {
  const uint32_t p1 = m.p1, p2 = m.p3, r = m.r, o = m.o;
  if (side == 0) {
    if (t2 != P) {
      uint64_t e = c.skipped(t1, o, p1, r);
      return (c.single(false, t1, c.king(false, r, o)) + e) * 61 + p2 - gt(p2, p1) - gt(p2, r) - gt(p2, o);
    }
    if (t1 != P) {
      uint64_t e = c.skipped(t1, o, p1, r);
      return (c.single(true, t1, c.king(true, r, o)) + e) * 48 + p2 - 8;
    }
    if (m.ep == TB_NO_EP) {
      uint64_t e = c.skipped(P, o, p1, r);
      return (c.single(true, P, c.king(true, r, o)) + e) * 47 + p2 - 8 - gt(p2, p1);
    }
    return c.singleTotal(true, P) * 47 + c.king(true, r, o) * 14 +
           (p1 + 7 == m.ep ? fileOf(p1) - 1 : fileOf(p1) + 7);
  }
  if (t2 != P) {
    uint64_t e = c.skipped(t2, o, p2, r);
    return (c.single(false, t2, c.king(false, r, o)) + e) * 61 + p1 - gt(p1, p2) - gt(p1, o) - gt(p1, r);
  }
  if (t1 == P && m.ep != TB_NO_EP)
    return c.singleTotal(true, P) * 47 + c.king(true, r, o) * 14 +
           (p2 - 9 == m.ep ? fileOf(p2) - 1 : fileOf(p2) + 7);
  uint64_t k;
  uint64_t e = flippedPawn(c, P, m, p2, &k);
  if (t1 != P) return (c.single(true, P, k) + e) * 61 + p1 - gt(p1, p2) - gt(p1, o) - gt(p1, r);
  return (c.single(true, P, k) + e) * 47 + p1 - 8 - gt(p1, p2);
}

uint64_t t31(Calc &c, int side, int t1, int t2, const Men &m) {
  const uint32_t r = m.r, o = m.o;
  if (side == 0) return twoPieces(c, t2 == P, t1, t2, m);
  uint32_t p1 = m.p1, p2 = m.p2;
  if (t2 != P) {
    uint64_t k = c.king(false, r, o);
    if (t1 != t2)
      return (62 * k + p1 - gt(p1, o) - gt(p1, r)) * 61 + p2 - gt(p2, p1) - gt(p2, o) - gt(p2, r);
    uint64_t q = p2 - gt(p2, o) - gt(p2, r);
    return 1891 * k + q * (q - 1) / 2 + p1 - gt(p1, o) - gt(p1, r);
  }
  uint64_t k;
  if (t1 == P) {
    uint32_t f1 = p1 ^ 56, f2 = p2 ^ 56;
    if (f1 > f2) std::swap(f1, f2);
    uint64_t e1 = flippedPawn(c, OTHER_PAWN, m, f1 ^ 56, &k);
    uint64_t e2 = flippedPawn(c, OTHER_PAWN, m, f2 ^ 56, &k);
    return e1 + e2 * (e2 - 1) / 2 + c.pair(true, OTHER_PAWN, OTHER_PAWN, k);
  }
  uint64_t e = flippedPawn(c, OTHER_PAWN, m, p2, &k);
  return (c.single(true, OTHER_PAWN, k) + e) * 61 + p1 - gt(p1, p2) - gt(p1, o) - gt(p1, r);
}

uint64_t threePawnsEpWhite(Calc &c, const Men &m) {
  const uint32_t p1 = m.p1, p2 = m.p2, p3 = m.p3, x = m.ep;
  uint64_t base = c.pairTotal(true, P, P) * 46 + 616 * c.king(true, m.r, m.o);
  if (p1 + 7 == x && fileOf(p1) != 0)
    return base + (p2 - gt(p2, p3) - gt(p2, x + 8) - gt(p2, x) - 9) * 14 + fileOf(p1) - 1;
  if (p1 + 9 == x && fileOf(p1) < 7)
    return base + (p2 - gt(p2, p3) - gt(p2, x + 8) - gt(p2, x) - 9) * 14 + fileOf(p1) + 7;
  if (p2 + 7 == x && fileOf(p2) != 0)
    return base + (p1 - gt(p1, x + 8) - gt(p1, p3) - gt(p1, x) - 8) * 14 + fileOf(p2) - 1;
  return base + (p1 - gt(p1, x + 8) - gt(p1, p3) - gt(p1, x) - 8) * 14 + fileOf(p2) + 7;
}

uint64_t t32White(Calc &c, int t1, int t2, int t3, const Men &m) {
  const uint32_t p1 = m.p1, p2 = m.p2, p3 = m.p3, r = m.r, o = m.o;
  if (t3 != P)
    return 60 * twoPieces(c, t2 == P, t1, t2, m) + p3 - gt(p3, p1) - gt(p3, p2) - gt(p3, r) - gt(p3, o);
  if (t2 != P) return 48 * twoPieces(c, true, t1, t2, m) + p3 - 8;
  if (t1 != P) {
    uint64_t e1 = c.skipped(t1, o, p1, r);
    uint64_t k = c.king(true, r, o);
    if (m.ep == TB_NO_EP) {
      uint64_t e2 = c.skipped(P, o, p2, r);
      return (c.pair(true, t1, P, k) + c.room(P, o, r) * e1 + e2) * 47 + p3 - 8 - gt(p3, p2);
    }
    return c.pairTotal(true, t1, P) * 47 + (c.single(true, t1, k) + e1) * 14 +
           (p2 + 7 == m.ep ? fileOf(p2) - 1 : fileOf(p2) + 7);
  }
  if (m.ep != TB_NO_EP) return threePawnsEpWhite(c, m);
  uint64_t e1 = c.skipped(P, o, p1, r), e2 = c.skipped(P, o, p2, r);
  return (e2 * (e2 - 1) / 2 + c.pair(true, P, P, c.king(true, r, o)) + e1) * 46 + p3 - 8 - gt(p3, p1) - gt(p3, p2);
}

uint64_t t32Black(Calc &c, int t1, int t2, int t3, const Men &m) {
  const uint32_t p1 = m.p1, p2 = m.p2, p3 = m.p3, r = m.r, o = m.o, x = m.ep;
  const bool pawns = t2 == P || t3 == P;
  // The side to move's piece and the king pair.
  uint64_t k, e3;
  if (t3 == P) {
    e3 = flippedPawn(c, P, m, p3, &k);
  } else {
    k = c.king(pawns, r, o);
    e3 = c.skipped(t3, o, p3, r);
  }
  uint64_t block = c.single(pawns, t3, k) + e3;
  if (t2 != P) {
    if (t1 != t2)
      return (block * 61 + p1 - gt(p1, p3) - gt(p1, o) - gt(p1, r)) * 60 + p2 - gt(p2, p3) - gt(p2, p1) - gt(p2, o) -
             gt(p2, r);
    uint64_t q = p2 - gt(p2, o) - gt(p2, p3) - gt(p2, r);
    return block * 1830 + q * (q - 1) / 2 + p1 - gt(p1, p3) - gt(p1, o) - gt(p1, r);
  }
  if (t3 != P) {
    if (t1 != P) return (block * 60 + p1 - gt(p1, p3) - gt(p1, p2) - gt(p1, o) - gt(p1, r)) * 48 + p2 - 8;
    uint64_t n = p2 - 8;
    return block * 1128 + n * (n - 1) / 2 + p1 - 8;
  }
  if (t1 != P) {
    if (x == TB_NO_EP)
      return (block * 60 + p1 - gt(p1, p3) - gt(p1, p2) - gt(p1, o) - gt(p1, r)) * 47 + p2 - 8 - gt(p2, p3);
    return c.singleTotal(true, P) * 2820 +
           (58 * c.king(true, r, o) + p1 - gt(p1, x - 8) - gt(p1, x) - gt(p1, p3) - gt(p1, p2) - gt(p1, o) -
            gt(p1, r)) *
               14 +
           (p3 - 9 == x ? fileOf(p3) - 1 : fileOf(p3) + 7);
  }
  if (x == TB_NO_EP) {
    uint64_t q = p2 - 8 - gt(p2, p3);
    return block * 1081 + q * (q - 1) / 2 + p1 - 8 - gt(p1, p3);
  }
  uint64_t base = c.singleTotal(true, P) * 1081 + 616 * c.king(true, r, o);
  uint64_t f = p3 - 9 == x && fileOf(p3) != 0 ? fileOf(p3) - 1 : fileOf(p3) + 7;
  if (p1 - 8 != x) return base + (p1 - gt(p1, x - 8) - gt(p1, p3) - gt(p1, x) - 8) * 14 + f;
  return base + (p2 - gt(p2, x - 8) - gt(p2, p3) - gt(p2, x) - 9) * 14 + f;
}

}  // namespace

uint32_t TbIndex(const TbShape &shape, int side, const TbPieceSquares &first, const TbPieceSquares &second,
                 uint32_t epSquare, bool inverted) {
  const int t1 = shape.t1, t2 = shape.t2, t3 = shape.t3;
  const bool pawns = t1 == P || t2 == P || t3 == P;
  Men m;
  m.r = side == 0 ? first.square[TB_KING_SLOT] : second.square[TB_KING_SLOT];
  m.o = side == 0 ? second.square[TB_KING_SLOT] : first.square[TB_KING_SLOT];
  m.p1 = first.square[3 * (t1 - 1)];
  m.p2 = shape.firstCount == 2 ? first.square[3 * (t2 - 1) + (t1 == t2 ? 1 : 0)] : 0;
  m.p3 = shape.secondCount == 1 ? second.square[3 * (t3 - 1)] : 0;
  m.ep = epSquare;
  if (m.r > 63 || m.o > 63 || m.p1 > 63 || m.p2 > 63 || m.p3 > 63 || (m.ep != TB_NO_EP && m.ep > 63))
    return TB_NO_INDEX;

  // Turn the board: pawn tables by files only, the others into a1-d1-d4.
  uint32_t mask;
  bool flipDiagonal = false;
  if (pawns) {
    mask = (fileOf(m.r) <= 3 ? 0 : 7) ^ (inverted ? 56 : 0);
  } else {
    mask = (fileOf(m.r) <= 3 ? 0 : 7) | (rankOf(m.r) <= 3 ? 0 : 56);
    uint32_t r = m.r ^ mask, o = m.o ^ mask;
    bool triangle = fileOf(r) >= rankOf(r) && fileOf(r) <= 3;
    bool onDiagonal = fileOf(r) == rankOf(r);
    flipDiagonal = !(triangle && (fileOf(o) >= rankOf(o) || !onDiagonal));
  }
  for (uint32_t *s : {&m.r, &m.o, &m.p1, &m.p2, &m.p3}) {
    *s ^= mask;
    if (flipDiagonal) *s = transpose(*s);
  }
  if (m.ep != TB_NO_EP) {
    if (!pawns) return TB_NO_INDEX;
    m.ep ^= mask;
  }
  if (shape.firstCount == 2 && t1 == t2 && m.p1 > m.p2) std::swap(m.p1, m.p2);

  Calc c;
  uint64_t index = BAD;
  if (shape.firstCount == 1 && shape.secondCount == 0)
    index = t21(c, side, t1, m);
  else if (shape.firstCount == 1)
    index = t22(c, side, t1, t3, m);
  else if (shape.secondCount == 0)
    index = t31(c, side, t1, t2, m);
  else
    index = side == 0 ? t32White(c, t1, t2, t3, m) : t32Black(c, t1, t2, t3, m);
  if (c.bad || index >= TB_NO_INDEX) return TB_NO_INDEX;
  return uint32_t(index);
}
