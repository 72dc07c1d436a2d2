// The check shared by the fast and slow index tests: every legal placement
// of the reference region has its own index, and the largest index plus
// one is the table's expected size.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "tablebase/placement.h"
#include "tablebase/table_names.h"

namespace tbtest {

struct IndexCheck {
  uint64_t placements = 0, collisions = 0, missing = 0;
  int64_t largest = -1;
};

// `visit` sees every index reached (for extra checks).
template <typename Visit>
IndexCheck checkIndexes(int id, int side, Visit &&visit) {
  TbBuildIndexTables();
  TbShape shape;
  EXPECT_TRUE(TbShapeFromName(tbTableNames[id], &shape));
  IndexCheck c;
  std::vector<bool> seen(tbExpectedSizes[id][side] + uint64_t(1));
  TbForEachPlacement(shape, side, nullptr, [&](const TbPlacement &p) {
    uint32_t index = TbIndex(shape, side, p.first, p.second, p.ep, false);
    c.placements++;
    if (index == TB_NO_INDEX || index >= seen.size()) {
      c.missing++;
      return;
    }
    if (seen[index]) c.collisions++;
    seen[index] = true;
    if (int64_t(index) > c.largest) c.largest = index;
    visit(index);
  });
  return c;
}

inline void expectInjective(int id) {
  for (int side = 0; side < (tbIsSymmetric(id) ? 1 : 2); side++) {
    IndexCheck c = checkIndexes(id, side, [](uint32_t) {});
    EXPECT_EQ(c.collisions, 0u) << tbTableNames[id] << " side " << side;
    EXPECT_EQ(c.missing, 0u) << tbTableNames[id] << " side " << side;
    EXPECT_EQ(c.largest + 1, int64_t(tbExpectedSizes[id][side])) << tbTableNames[id] << " side " << side;
  }
}

}  // namespace tbtest
