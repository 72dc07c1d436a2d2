// Deep perft counts (slow label): the published numbers at full depth.
#include "position/perft.h"
#include "random_positions.h"

namespace {

TEST(PerftDeep, PublishedCountsAtDepth) {
  const struct {
    int depth;
    uint64_t nodes;
  } counts[test::perftFenCount] = {{6, 119060324}, {5, 193690690}, {7, 178633661}, {5, 15833292},
                                   {5, 15833292},  {5, 89941194},  {5, 164075551}};
  for (int i = 0; i < test::perftFenCount; i++) {
    test::setUp(test::perftFens[i]);
    EXPECT_EQ(perft(counts[i].depth), counts[i].nodes) << test::perftFens[i] << " depth " << counts[i].depth;
  }
}

}  // namespace
