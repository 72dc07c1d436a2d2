// The check shared by the fast and slow index tests: every legal placement
// of the reference region has its own index, and the largest index plus
// one is the table's expected size.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tablebase/placement.h"
#include "tablebase/table_names.h"

namespace tbtest {

inline void expectInjective(int id) {
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
    EXPECT_EQ(collisions, 0u) << tbTableNames[id] << " side " << side;
    EXPECT_EQ(missing, 0u) << tbTableNames[id] << " side " << side;
    EXPECT_EQ(largest + 1, int64_t(tbExpectedSizes[id][side])) << tbTableNames[id] << " side " << side;
  }
}

}  // namespace tbtest
