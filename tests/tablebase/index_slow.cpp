// One index per legal placement for every table of three and four men
// (which needs the king-pair and enumeration tables right: a pair too many
// or too few moves the largest index off the file size) and for three
// tables of five (one per kind of five-man index: three pawns, a pawn on
// each side with en passant, two pieces against one without pawns).

#include <algorithm>

#include "tablebase/placement.h"
#include "tablebase/table_names.h"
#include "test_support.h"

namespace {

// Every legal placement of the reference region has its own index, and the
// largest index plus one is the table's expected size.
void expectInjective(int id) {
  TbBuildIndexTables();
  TbShape shape;
  ASSERT_TRUE(TbShapeFromName(tbTableNames[id], &shape));
  for (int side = 0; side < (tbIsSymmetric(id) ? 1 : 2); side++) {
    uint64_t collisions = 0, missing = 0;
    int64_t largest = -1;
    std::vector<bool> seen(tbExpectedSizes[id][side] + uint64_t(1));
    TbForEachPlacement(shape, side, nullptr, [&](const TbPlacement &p) {
      const uint32_t index = TbIndex(shape, side, p.first, p.second, p.ep, false);
      if (index == TB_NO_INDEX || index >= seen.size()) {
        missing++;
      } else {
        collisions += seen[index];
        seen[index] = true;
        largest = std::max(largest, int64_t(index));
      }
    });
    EXPECT_EQ(test::numbers(collisions, missing, largest + 1), test::numbers(0, 0, tbExpectedSizes[id][side]))
        << tbTableNames[id] << " side " << side;
  }
}

TEST(TablebaseIndexSlow, ThreeAndFourMenPlacementsHaveTheirOwnIndex) {
  for (int id = 1; id <= 35; id++) expectInjective(id);
}

TEST(TablebaseIndexSlow, FiveMenPlacementsHaveTheirOwnIndex) {
  for (int id : {36, 69, 110}) expectInjective(id);  // kppkp, krpkr, kqqkq
}

}  // namespace
