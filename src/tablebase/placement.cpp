// Legality of a table placement, with a small attack test of its own (the
// placements are checked before any engine position exists).
#include "tablebase/placement.h"

#include <cstring>

namespace {

int fileOf(int s) { return s & 7; }
int rankOf(int s) { return s >> 3; }
int pieceType(char c) {
  switch (c) {
    case 'p': return 1;
    case 'n': return 2;
    case 'b': return 3;
    case 'r': return 4;
    case 'q': return 5;
    default: return 0;
  }
}

// Whether a man of `type` on `from` attacks `target`; pawns of the first
// side attack upwards, of the second side downwards.
bool attacks(int type, bool firstSide, int from, int target, uint64_t occupied) {
  int df = fileOf(target) - fileOf(from), dr = rankOf(target) - rankOf(from);
  int adf = df < 0 ? -df : df, adr = dr < 0 ? -dr : dr;
  if (from == target) return false;
  switch (type) {
    case 1: return adf == 1 && dr == (firstSide ? 1 : -1);
    case 2: return adf * adr == 2;
    case 6: return adf <= 1 && adr <= 1;
    default: break;
  }
  bool straight = adf == 0 || adr == 0, diagonal = adf == adr;
  if (!((straight && type >= 4) || (diagonal && (type == 3 || type == 5)))) return false;
  int step = (dr > 0 ? 8 : dr < 0 ? -8 : 0) + (df > 0 ? 1 : df < 0 ? -1 : 0);
  for (int s = from + step; s != target; s += step)
    if (occupied >> s & 1) return false;
  return true;
}

}  // namespace

bool TbShapeFromName(const char *name, TbShape *shape) {
  size_t length = std::strlen(name);
  if (length < 3 || length > 5 || name[0] != 'k') return false;
  const char *second = std::strchr(name + 1, 'k');
  if (!second) return false;
  int firstCount = int(second - name) - 1, secondCount = int(length) - firstCount - 2;
  if (firstCount < 1 || firstCount > 2 || secondCount > 1) return false;
  shape->firstCount = firstCount;
  shape->secondCount = secondCount;
  shape->t1 = pieceType(name[1]);
  shape->t2 = firstCount == 2 ? pieceType(name[2]) : 0;
  shape->t3 = secondCount == 1 ? pieceType(second[1]) : 0;
  if (!shape->t1 || (firstCount == 2 && !shape->t2) || (secondCount == 1 && !shape->t3)) return false;
  return shape->t1 >= shape->t2;
}

bool TbPlacementLegal(const TbShape &shape, int side, const TbPlacement &p) {
  struct Man {
    int type, square;
    bool first;
  } men[5];
  int count = 0;
  men[count++] = {6, int(p.first.square[TB_KING_SLOT]), true};
  men[count++] = {6, int(p.second.square[TB_KING_SLOT]), false};
  men[count++] = {shape.t1, int(p.first.square[3 * (shape.t1 - 1)]), true};
  if (shape.firstCount == 2)
    men[count++] = {shape.t2, int(p.first.square[3 * (shape.t2 - 1) + (shape.t1 == shape.t2)]), true};
  if (shape.secondCount == 1) men[count++] = {shape.t3, int(p.second.square[3 * (shape.t3 - 1)]), false};

  uint64_t occupied = 0;
  for (int i = 0; i < count; i++) {
    if (men[i].square < 0 || men[i].square > 63 || (occupied >> men[i].square & 1)) return false;
    if (men[i].type == 1 && (men[i].square < 8 || men[i].square > 55)) return false;
    occupied |= uint64_t(1) << men[i].square;
  }
  // The side not to move's king must not be attacked.
  const bool moverIsFirst = side == 0;
  const int waitingKing = men[moverIsFirst ? 1 : 0].square;
  for (int i = 0; i < count; i++)
    if (men[i].first == moverIsFirst && attacks(men[i].type, men[i].first, men[i].square, waitingKing, occupied))
      return false;

  if (p.ep == TB_NO_EP) return true;
  // The pawn that has just moved two squares stands in front of ep, the
  // squares it crossed are empty, and a pawn of the side to move can take.
  const int x = int(p.ep), up = moverIsFirst ? 8 : -8;
  if (rankOf(x) != (moverIsFirst ? 5 : 2)) return false;
  if ((occupied >> x & 1) || (occupied >> (x + up) & 1)) return false;
  bool pushed = false, taker = false;
  for (int i = 0; i < count; i++) {
    if (men[i].type != 1) continue;
    if (men[i].first != moverIsFirst && men[i].square == x - up) pushed = true;
    if (men[i].first == moverIsFirst && rankOf(men[i].square) == rankOf(x - up) &&
        (fileOf(men[i].square) - fileOf(x) == 1 || fileOf(x) - fileOf(men[i].square) == 1))
      taker = true;
  }
  return pushed && taker;
}
