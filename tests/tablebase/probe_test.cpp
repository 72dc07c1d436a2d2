// The probe on a generated king-and-queen table: scores from the root,
// material without a table, the smallest cache, and a file that goes away.
#include <unistd.h>

#include "tablebase_fixture.h"

namespace {

class TablebaseProbe : public testing::Test {
 protected:
  void SetUp() override {
    resetEngineState();
    test::setUp();
    directory = tbtest::generatedTables({"kqk"});
    ASSERT_EQ(tbtest::registerTables(directory), 3);
  }
  void TearDown() override { TbRelease(); }
  std::string directory;
};

// Scores count from the search root: mated after one move each, three plies
// below the root.  (FileRemovedWhileRegistered and the engine's "egtb" pin
// the scores at the root; the slow tests compare every three-man position
// with Gaviota's tables.)
TEST_F(TablebaseProbe, ScoresCountFromTheRoot) {
  setupFromFen("k7/8/1K6/8/8/8/8/Q7 b - - 0 1");
  pos.searchPly = 3;
  int score;
  ASSERT_TRUE(TbProbe(&score));
  EXPECT_EQ(score, 2 - 10000 + 3);
}

TEST_F(TablebaseProbe, NotFoundWithoutItsTable) {
  for (const char *fen : {"k7/8/1K6/8/8/8/8/R7 b - - 0 1", "k7/8/1K6/8/8/8/8/QQ6 b - - 0 1",
                          "k7/8/1K6/8/8/8/8/Q6r b - - 0 1", "k7/8/1K6/8/8/8/8/1Q1Q1Q1Q b - - 0 1"})
    EXPECT_EQ(tbtest::probe(fen), TB_NO_VALUE) << fen;
  TbRelease();
  EXPECT_EQ(tbtest::probe("k7/8/1K6/8/8/8/8/Q7 b - - 0 1"), TB_NO_VALUE);
}

// A cache needs one entry.  With one, positions of different blocks evict each other and
// still read right.
TEST_F(TablebaseProbe, OneEntryCacheRereadsBlocks) {
  std::vector<std::pair<std::string, int>> positions;
  for (int k = 0; k < 64 && positions.size() < 40; k += 3)
    for (int q : {0, 27, 45, 63}) {
      char board[64] = {};
      board[k] = 'k';
      board[q] = 'Q';
      board[(k + 18) % 64] = 'K';
      std::string fen = tbtest::fenOf(board, 1);
      int score = tbtest::probe(fen.c_str());
      if (score != TB_NO_VALUE && score != -32768) positions.push_back({fen, score});
    }
  ASSERT_GT(positions.size(), 10u);
  static uint8_t memory[TB_ENTRY_BYTES];
  uint8_t *owned = tbRegistry.memory;
  EXPECT_FALSE(TbSetCache(memory, sizeof memory - 1));  // less than one entry
  ASSERT_TRUE(TbSetCache(memory, sizeof memory));
  EXPECT_EQ(tbRegistry.entryCount, 1u);
  for (int round = 0; round < 2; round++)
    for (const auto &p : positions) EXPECT_EQ(tbtest::probe(p.first.c_str()), p.second) << p.first;
  TbSetCache(owned, size_t(tablebaseSettings.tbCacheMB) << 20);
}

TEST_F(TablebaseProbe, FileRemovedWhileRegistered) {
  test::TempDir copy;
  ASSERT_EQ(std::system(("cp " + directory + "/kqk.* " + copy.path).c_str()), 0);
  ASSERT_EQ(tbtest::registerTables(copy.path), 3);
  const char *fen = "k7/8/1K6/8/8/8/8/Q7 b - - 0 1";
  ASSERT_EQ(tbtest::probe(fen), 2 - 10000);
  TbCacheReset();  // closes the files and empties the cache
  ASSERT_EQ(unlink((copy.path + "/kqk.nbb").c_str()), 0);
  EXPECT_EQ(tbtest::probe(fen), TB_NO_VALUE);
  EXPECT_FALSE(TbIsRegistered(5, 1));
  EXPECT_TRUE(TbIsRegistered(5, 0));
  EXPECT_EQ(tbtest::probe("1k6/8/1K6/8/8/8/8/7Q w - - 0 1"), 10000 - 2);
}

}  // namespace
