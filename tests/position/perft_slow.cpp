// Deep perft counts (slow label): the published numbers at full depth.
#include "random_positions.h"

namespace {

TEST(PerftDeep, PublishedCountsAtDepth) {
  test::expectPerftCounts(
      {{6, 119060324}, {5, 193690690}, {7, 178633661}, {5, 15833292}, {5, 15833292}, {5, 89941194}, {5, 164075551}});
}

}  // namespace
