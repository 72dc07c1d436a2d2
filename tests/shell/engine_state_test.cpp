// Initialisation and the commands that must wait for a running search.
#include "shell/engine_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "position/position.h"
#include "search/hash_tables.h"
#include "shell/clock.h"
#include "shell/dispatcher.h"
#include "shell/startup.h"
#include "test_support.h"

namespace {

class EngineStateTest : public ::testing::Test {
 protected:
  void SetUp() override { resetEngineState(); }
  void TearDown() override {
    freeEverything();
    setClockSource(nullptr);
    setTableAllocator(nullptr);
    resetEngineState();
    hashTables.hashShift = DEFAULT_HASH_SHIFT;
  }
};

// The defaults come before the first game, so its clocks start from them.
TEST_F(EngineStateTest, InitAppStartsTheFirstGameWithTheDefaultClocks) {
  timeControl.baseTime = timeControl.maxMoveTime = 1;
  timeControl.maxSearchDepth = 3;
  shell.multiPV = 4;
  shell.forceMode = 1;
  ASSERT_EQ(initApp(), 1);
  EXPECT_TRUE(hashTables.trans && hashTables.pawn);
  const TimeControl &tc = timeControl;
  EXPECT_EQ(std::vector<int>({tc.baseTime, tc.maxMoveTime, tc.maxSearchDepth, tc.clockTime[WHITE], tc.clockTime[BLACK],
                              shell.multiPV, shell.forceMode, tablebaseSettings.tbMaxPieces, pos.gamePly}),
            std::vector<int>({500, 500, 60, 500, 500, 1, 0, -1, 0}));
  EXPECT_EQ(pos.hashKey, computeHashKey());
}

void *noMemory(size_t, size_t) { return nullptr; }

TEST_F(EngineStateTest, InitAppReportsMissingMemory) {
  setTableAllocator(noMemory);
  EXPECT_EQ(test::printedBy([] { EXPECT_EQ(initApp(), 0); }), "ERROR (not enough memory): initApp\n");
  EXPECT_TRUE(!hashTables.trans && !hashTables.pawn);
}

TEST_F(EngineStateTest, ADigitInTheInvocationNameJoinsTheEngineName) {
  const struct {
    const char *argv0, *name;
  } cases[] = {{"vorn7", "Vorn 2.07"}, {"/usr/games/vorn7", "Vorn 2.07"}, {"./vorn9-beta", "Vorn 2.09"},
               {"vorn0", "Vorn 2.0"},  {"/opt/vorn7/vorn", "Vorn 2.0"},   {"", "Vorn 2.0"},
               {nullptr, "Vorn 2.0"}};
  for (const auto &c : cases) {
    resetEngineState();
    nameEngine(c.argv0);
    EXPECT_STREQ(shell.engineName, c.name) << (c.argv0 ? c.argv0 : "(none)");
  }
  for (int i = 0; i < 40; i++) nameEngine("vorn5");  // never past the end of the name
  EXPECT_LT(std::strlen(shell.engineName), size_t(ENGINE_NAME_SIZE));
}

// Re-initialising would free the tables under the running search.
TEST_F(EngineStateTest, ProtocolChoiceAndConsoleCommandsWaitForTheSearch) {
  ASSERT_EQ(initApp(), 1);
  TTBucket *table = hashTables.trans;
  shell.searching = 1;
  for (const char *command : {"xboard", "uci", "board", "egtb", "si", "chk eval", "UCI"}) {
    std::string line = command;
    EXPECT_EQ(test::printedBy([&] { dispatchLine(line.data()); }), "") << command;
  }
  EXPECT_EQ(hashTables.trans, table);
  EXPECT_EQ(shell.engineFlags & (FLAG_XBOARD | FLAG_UCI), FLAG_XBOARD);
}

}  // namespace
