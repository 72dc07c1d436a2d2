// One index per legal placement for every table of three and four men
// (which needs the king-pair and enumeration tables right: a pair too many
// or too few moves the largest index off the file size) and for three
// tables of five (one per kind of five-man index: three pawns, a pawn on
// each side with en passant, two pieces against one without pawns).

#include "index_check.h"

namespace {

TEST(TablebaseIndexSlow, ThreeAndFourMenPlacementsHaveTheirOwnIndex) {
  for (int id = 1; id <= 35; id++) tbtest::expectInjective(id);
}

TEST(TablebaseIndexSlow, FiveMenPlacementsHaveTheirOwnIndex) {
  for (int id : {36, 69, 110}) tbtest::expectInjective(id);  // kppkp, krpkr, kqqkq
}

}  // namespace
