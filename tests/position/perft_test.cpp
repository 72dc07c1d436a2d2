// Perft counts of the standard positions: the whole move generator and
// make/unmake checked against the community's published numbers.
#include "random_positions.h"

namespace {

TEST(Perft, StandardPositionsMatchPublishedCounts) {
  test::expectPerftCounts({{4, 197281}, {3, 97862}, {5, 674624}, {4, 422333}, {4, 422333}, {3, 62379}, {3, 89890}});
}

}  // namespace
