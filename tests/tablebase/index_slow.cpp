// One index per legal placement for every table of four men and for three
// tables of five (one per kind of five-man index: three pawns, a pawn on
// each side with en passant, two pieces against one without pawns).
#include <gtest/gtest.h>

#include <algorithm>

#include "index_check.h"

namespace {

TEST(TablebaseIndexSlow, FourMenPlacementsHaveTheirOwnIndex) {
  for (int id = 6; id <= 35; id++) tbtest::expectInjective(id);
}

TEST(TablebaseIndexSlow, FiveMenPlacementsHaveTheirOwnIndex) {
  for (int id : {36, 69, 110}) tbtest::expectInjective(id);  // kppkp, krpkr, kqqkq
}

// The seven kppkp indices answered without the file are legal positions.
TEST(TablebaseIndexSlow, KppkpFixedIndexesAreLegalPositions) {
  const uint32_t fixed[] = {56802428, 56811076, 56849992, 56858640, 59592489, 67775659, 71071628};
  int found = 0;
  tbtest::checkIndexes(36, 1, [&](uint32_t index) { found += std::count(fixed, fixed + 7, index) > 0; });
  EXPECT_EQ(found, 7);
}

}  // namespace
