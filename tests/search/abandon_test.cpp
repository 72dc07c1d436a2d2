// Abandoning a search from the input poll, at any node, leaves the position
// exactly at the root and the result of the search as far as it got; and a
// search repeated from the same state repeats itself node for node.
#include <algorithm>
#include <cstring>
#include <vector>

#include "random_positions.h"
#include "search_fixture.h"

namespace {

using test::middlegame;
using test::SearchTest;

// Everything that describes the root position: the whole position with its
// scratch space cleared (the line-neighbour rows of empty squares and the
// history beyond the root).
const Position &rootPart(const Position &p) {
  static Position root;
  std::memcpy(&root, &p, sizeof p);
  for (int s = 0; s <= 64; s++)
    if (s == 64 || root.board[s] == EMPTY) std::memset(root.lineNeighbour[s], 0, 8);
  std::memset(root.checkInfo + root.gamePly + 1, 0, sizeof(uint32_t) * (MAX_GAME_PLIES - root.gamePly));
  std::memset(root.plyRecords + root.gamePly, 0, sizeof(PlyRecord) * (MAX_GAME_PLIES - root.gamePly));
  return root;
}

struct Result {
  std::vector<Move> line;
  int score;
  uint64_t nodes;
};

Result currentResult() {
  return {std::vector<Move>(searchResult.pvLine, searchResult.pvLine + searchResult.pvLength),
          searchResult.lastSearchScore, tree.nodeCount};
}

// The abort hook: stops the search at a chosen node and notes what the
// search had found by then.
uint64_t abortAtNode = 0;
int abortCode = ABORT_MOVE_NOW;
bool aborted = false;
int abortDepth = 0;
Result atAbort;
bool iterationHadBest = false;

void abortHook() {
  if (aborted || tree.nodeCount < abortAtNode) return;
  aborted = true;
  abortDepth = driver.iterationDepth;
  iterationHadBest = driver.iterationBest > driver.windowLow;
  atAbort = currentResult();
  atAbort.score = driver.iterationBest;
  shell.searchAbort = abortCode;
}

class AbandonTest : public SearchTest {
 protected:
  // The result of a complete search to `depth` from a fresh state.
  Result completeSearch(const char *fen, int depth) {
    setPosition(fen);
    resetSearchState();
    searchToDepth(depth);
    return currentResult();
  }
};

// The node counts of fixed searches are the search's signature, like the
// speed index's total: move order and score words, pruning, the evaluation
// and the replacement in the hash tables (small here, so that entries are
// replaced all the time) all show in them.  A change meant to keep the search
// keeps them; a change to the search states the new counts.  Polling the
// input at every node must not change them.
TEST_F(AbandonTest, NodeCountsOfFixedSearches) {
  freeHashTables();
  hashTables.hashShift = 22;  // 1,024 buckets
  ASSERT_TRUE(allocateHashTables());
  for (int pollMask : {-1, 0}) {
    searchHooks.fixedPollMask = pollMask;
    const std::vector<uint64_t> nodes = {completeSearch(middlegame, 5).nodes,
                                         completeSearch(test::perftFens[1], 4).nodes,
                                         completeSearch("8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 7).nodes};
    EXPECT_EQ(nodes, std::vector<uint64_t>({21391, 14217, 25319})) << "poll mask " << pollMask;
  }
  freeHashTables();
  hashTables.hashShift = DEFAULT_HASH_SHIFT;
  ASSERT_TRUE(allocateHashTables());
}

TEST_F(AbandonTest, AnAbandonedSearchLeavesTheRootAndItsBestResult) {
  // Completed iterations, to know what each abandoned search must leave.
  std::vector<Result> completed(7);
  for (int depth = 2; depth <= 6; depth++) completed[depth] = completeSearch(middlegame, depth);

  searchHooks.onPoll = abortHook;
  // Nodes spread over iterations 3 to 6, early and late in each.
  const uint64_t total = completed[6].nodes;
  int withBest = 0, withoutBest = 0;
  for (uint64_t node : {completed[2].nodes + 1, completed[3].nodes - 1, completed[3].nodes + 7,
                        completed[4].nodes / 2 + 3, completed[5].nodes - 10, total / 2, total - 5}) {
    setPosition(middlegame);
    resetSearchState();
    searchHooks.fixedPollMask = 0;
    static Position before;
    std::memcpy(&before, &rootPart(pos), sizeof pos);
    abortAtNode = node;
    aborted = false;
    searchToDepth(6);
    ASSERT_TRUE(aborted) << node;
    SCOPED_TRACE("abandoned at node " + std::to_string(node) + " in iteration " + std::to_string(abortDepth));
    const auto *x = reinterpret_cast<const uint8_t *>(&before), *y = reinterpret_cast<const uint8_t *>(&rootPart(pos));
    const size_t same = size_t(std::mismatch(x, x + sizeof pos, y).first - x);
    EXPECT_EQ(same, sizeof pos) << "the position differs at byte " << same;
    EXPECT_EQ(test::numbers(pos.hashKey == computeHashKey(), pos.pawnKey == computePawnKey(), shell.searching),
              test::numbers(true, true, 0));
    // If a root move of the running iteration had beaten the window, its
    // line; otherwise the line and score of the last completed iteration.
    const Result result = currentResult(), &expected = iterationHadBest ? atAbort : completed[abortDepth - 1];
    EXPECT_EQ(result.score, expected.score);
    EXPECT_EQ(result.line, expected.line);
    (iterationHadBest ? withBest : withoutBest)++;
  }
  // Both outcomes occur among these nodes.
  EXPECT_GE(withBest, 1);
  EXPECT_GE(withoutBest, 1);
}

TEST_F(AbandonTest, AnAbandonedPonderSearchOffersNoMove) {
  setPosition(middlegame);
  searchResult.lastSearchScore = 37;
  shell.pondering = 1;
  searchHooks.fixedPollMask = 0;
  searchHooks.onPoll = abortHook;
  abortAtNode = 2000;
  abortCode = ABORT_STOP;
  aborted = false;
  searchToDepth(8);
  abortCode = ABORT_MOVE_NOW;
  ASSERT_TRUE(aborted);
  EXPECT_EQ(test::numbers(searchResult.pvLength, searchResult.lastSearchScore, shell.searching, pos.searchPly),
            test::numbers(0, 37, 0, 0));
}

TEST_F(AbandonTest, AStopFromTheInputEndsTheSearchAndLaterSearchesRun) {
  setPosition(middlegame);
  searchHooks.fixedPollMask = 0;
  sendLine("quit");  // sets the stop request like "stop" does
  searchToDepth(20);
  // The poll first looks in iteration 3.
  EXPECT_EQ(test::numbers(shell.searchAbort, driver.lastCompletedDepth, shell.searching),
            test::numbers(ABORT_STOP, 2, 0));
  EXPECT_GE(searchResult.pvLength, 1);
  // The next search is not disturbed by the last one's stop.
  searchToDepth(3);
  EXPECT_EQ(test::numbers(shell.searchAbort, driver.lastCompletedDepth), test::numbers(ABORT_NONE, 3));
}

}  // namespace
