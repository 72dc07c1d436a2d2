// Perft counts of the standard positions: the whole move generator and
// make/unmake checked against the community's published numbers.
#include "position/perft.h"

#include "random_positions.h"

namespace {

TEST(Perft, StandardPositionsMatchPublishedCounts) {
  const struct {
    int depth;
    uint64_t nodes;
  } counts[test::perftFenCount] = {{4, 197281}, {3, 97862}, {5, 674624}, {4, 422333},
                                   {4, 422333}, {3, 62379}, {3, 89890}};
  for (int i = 0; i < test::perftFenCount; i++) {
    test::setUp(test::perftFens[i]);
    EXPECT_EQ(perft(counts[i].depth), counts[i].nodes) << test::perftFens[i] << " depth " << counts[i].depth;
  }
}

}  // namespace
