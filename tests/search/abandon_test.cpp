// Abandoning a search from the input poll, at any node, leaves the position
// exactly at the root and the result of the search as far as it got; and a
// search repeated from the same state repeats itself node for node.
#include <cstring>
#include <vector>

#include "search_fixture.h"

namespace {

using test::SearchTest;

// Everything that describes the root position; the line-neighbour rows of
// empty squares and the history beyond the root are scratch space.
void expectSamePosition(const Position &a, const Position &b) {
  EXPECT_EQ(0, std::memcmp(a.board, b.board, sizeof a.board));
  EXPECT_EQ(a.sideToMove, b.sideToMove);
  EXPECT_EQ(a.opponent, b.opponent);
  EXPECT_EQ(0, std::memcmp(a.kingSquare, b.kingSquare, sizeof a.kingSquare));
  EXPECT_EQ(0, std::memcmp(a.pieceCount, b.pieceCount, sizeof a.pieceCount));
  EXPECT_EQ(a.pieceTotal, b.pieceTotal);
  EXPECT_EQ(0, std::memcmp(a.material, b.material, sizeof a.material));
  EXPECT_EQ(0, std::memcmp(a.pawnFileBits, b.pawnFileBits, sizeof a.pawnFileBits));
  EXPECT_EQ(a.occupied, b.occupied);
  EXPECT_EQ(0, std::memcmp(a.colourBits, b.colourBits, sizeof a.colourBits));
  EXPECT_EQ(0, std::memcmp(a.pieceBits, b.pieceBits, sizeof a.pieceBits));
  for (int s = 0; s < 64; s++) {
    if (a.board[s] == EMPTY) continue;
    EXPECT_EQ(0, std::memcmp(a.lineNeighbour[s], b.lineNeighbour[s], 8)) << s;
  }
  EXPECT_EQ(a.castleRights, b.castleRights);
  EXPECT_EQ(0, std::memcmp(a.castleMask, b.castleMask, sizeof a.castleMask));
  EXPECT_EQ(a.epSquare, b.epSquare);
  EXPECT_EQ(a.fiftyCount, b.fiftyCount);
  EXPECT_EQ(a.hashKey, b.hashKey);
  EXPECT_EQ(a.pawnKey, b.pawnKey);
  EXPECT_EQ(a.gamePly, b.gamePly);
  EXPECT_EQ(a.searchPly, b.searchPly);
  EXPECT_EQ(0, std::memcmp(a.checkInfo, b.checkInfo, sizeof(uint32_t) * (a.gamePly + 1)));
  for (int i = 0; i < a.gamePly; i++) {
    EXPECT_EQ(a.plyRecords[i].move, b.plyRecords[i].move);
    EXPECT_EQ(a.plyRecords[i].hashKey, b.plyRecords[i].hashKey);
  }
  EXPECT_EQ(a.hashKey, computeHashKey());
  EXPECT_EQ(a.pawnKey, computePawnKey());
}

struct Result {
  std::vector<Move> line;
  int score;
  uint64_t nodes;
  bool operator==(const Result &o) const { return line == o.line && score == o.score; }
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

const char *const middlegame = "r1b2rk1/pp3ppp/2n1pn2/q1bp4/2P2B2/P1N1PN2/1PQ2PPP/R3KB1R w KQ -";

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

TEST_F(AbandonTest, TheSameSearchTwiceGivesTheSameTree) {
  const Result first = completeSearch(middlegame, 6);
  const Result second = completeSearch(middlegame, 6);
  EXPECT_EQ(first.nodes, second.nodes);
  EXPECT_EQ(first.line, second.line);
  EXPECT_EQ(first.score, second.score);
  EXPECT_GT(first.nodes, 1000u);
}

TEST_F(AbandonTest, PollingEveryNodeDoesNotChangeTheSearch) {
  const Result normal = completeSearch(middlegame, 5);
  searchHooks.fixedPollMask = 0;
  const Result polled = completeSearch(middlegame, 5);
  EXPECT_EQ(normal.nodes, polled.nodes);
  EXPECT_EQ(normal.line, polled.line);
}

TEST_F(AbandonTest, AnAbandonedSearchLeavesTheRootAndItsBestResult) {
  // Completed iterations, to know what each abandoned search must leave.
  std::vector<Result> completed(7);
  for (int depth = 2; depth <= 6; depth++) completed[depth] = completeSearch(middlegame, depth);

  searchHooks.fixedPollMask = 0;
  searchHooks.onPoll = abortHook;
  // Nodes spread over iterations 3 to 6, early and late in each.
  const uint64_t total = completed[6].nodes;
  int withBest = 0, withoutBest = 0;
  for (uint64_t node : {completed[2].nodes + 1, completed[3].nodes - 1, completed[3].nodes + 7,
                        completed[4].nodes / 2 + 3, completed[5].nodes - 10, total / 2, total - 5}) {
    setPosition(middlegame);
    resetSearchState();
    searchHooks.fixedPollMask = 0;
    Position before;
    std::memcpy(&before, &pos, sizeof pos);
    abortAtNode = node;
    aborted = false;
    searchToDepth(6);
    ASSERT_TRUE(aborted) << node;
    SCOPED_TRACE("abandoned at node " + std::to_string(node) + " in iteration " + std::to_string(abortDepth));
    expectSamePosition(before, pos);
    EXPECT_EQ(shell.searching, 0);
    const Result result = currentResult();
    if (iterationHadBest) {
      // A root move of the running iteration had beaten the window: its line.
      EXPECT_EQ(result.score, atAbort.score);
      EXPECT_EQ(result.line, atAbort.line);
    } else {
      // Otherwise the line and score of the last completed iteration.
      EXPECT_EQ(result.score, completed[abortDepth - 1].score);
      EXPECT_EQ(result.line, completed[abortDepth - 1].line);
    }
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
  EXPECT_EQ(searchResult.pvLength, 0);
  EXPECT_EQ(searchResult.lastSearchScore, 37);
  EXPECT_EQ(shell.searching, 0);
  EXPECT_EQ(pos.searchPly, 0);
}

TEST_F(AbandonTest, AStopFromTheInputEndsTheSearchAndLaterSearchesRun) {
  setPosition(middlegame);
  searchHooks.fixedPollMask = 0;
  sendLine("quit");  // sets the stop request like "stop" does
  searchToDepth(20);
  EXPECT_EQ(shell.searchAbort, ABORT_STOP);
  EXPECT_EQ(driver.lastCompletedDepth, 2);  // the poll first looks in iteration 3
  EXPECT_EQ(shell.searching, 0);
  EXPECT_GE(searchResult.pvLength, 1);

  // The next search is not disturbed by the last one's stop.
  searchToDepth(3);
  EXPECT_EQ(shell.searchAbort, ABORT_NONE);
  EXPECT_EQ(driver.lastCompletedDepth, 3);
}

}  // namespace
