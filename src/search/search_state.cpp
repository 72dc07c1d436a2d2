#include "search/search_state.h"

#include <cstring>

#include "search/move_ordering.h"

SearchTree tree;
SearchDriver driver;
TimeManagement timing;
SearchHooks searchHooks = {nullptr, -1};

void resetSearchState() {
  std::memset(&tree, 0, sizeof tree);
  tree.nodePollMask = 65535;
  tree.tbPollInterval = 100;
  std::memset(&driver, 0, sizeof driver);
  for (int32_t &s : driver.multipvScore) s = -INFINITE_SCORE;
  driver.recaptureSquare = -1;
  driver.tbProbeLimit = -1;
  std::memset(&timing, 0, sizeof timing);
  // The expected overhead per move starts at 20 centiseconds.
  timing.avgMoveTime = timing.moveTimeSum = 20;
  timing.moveTimeCount = 1;
  clearMoveOrdering();
}

namespace {
struct InitialSearchState {
  InitialSearchState() { resetSearchState(); }
} initialSearchState;
}  // namespace
