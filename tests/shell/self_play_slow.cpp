// Matches through vorn-self-play: the engine against itself and against a
// weakened Stockfish at fast time controls.  No game may end by an engine
// fault (illegal move, crash, hang, lost clock, early bestmove).  The number
// of games can be changed with VORN_SELF_PLAY_GAMES (a factor in percent,
// default 100); the PGN files stay in VORN_SELF_PLAY_DIR when it is set.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine_process.h"

namespace {

const char *const toolPath = VORN_BINARY_DIR "/tools/vorn-self-play";
const char *const enginePath = VORN_BINARY_DIR "/vorn";
const char *const stockfishPath = "/usr/games/stockfish";

int games(int planned) {
  const char *factor = std::getenv("VORN_SELF_PLAY_GAMES");
  int percent = factor ? std::atoi(factor) : 100;
  int n = planned * percent / 100;
  return n < 2 ? 2 : n;
}

bool exists(const char *path) {
  struct stat info;
  return stat(path, &info) == 0;
}

// Runs a match and returns its summary; the exit code is 0 only when no game
// ended by a fault.
int runMatch(const std::string &name, const std::string &arguments, std::string &summary) {
  const char *keep = std::getenv("VORN_SELF_PLAY_DIR");
  test::TempDir temp;
  const std::string dir = keep ? keep : temp.path;
  test::EngineRun run =
      test::runCommand(std::string("'") + toolPath + "' --quiet --pgn '" + dir + "/" + name + ".pgn' " + arguments);
  summary = run.output;
  std::printf("%s\n%s", name.c_str(), summary.c_str());
  return run.exitCode;
}

class Match : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!exists(toolPath)) GTEST_SKIP() << "vorn-self-play is not built";
  }
  std::string engine() const { return std::string("--engine '") + enginePath + "'"; }
};

TEST_F(Match, AgainstItselfAtOneSecondPlusFiftyMilliseconds) {
  std::string summary;
  EXPECT_EQ(
      runMatch("self-play", engine() + " --games " + std::to_string(games(100)) + " --tc 1+0.05 --seed 1", summary), 0)
      << summary;
}

TEST_F(Match, AgainstItselfPonderingWithRepeatingControls) {
  std::string summary;
  std::string ponder = engine() + " --option Ponder=true";
  EXPECT_EQ(runMatch("ponder",
                     ponder + " " + ponder + " --ponder --games " + std::to_string(games(20)) + " --tc 20/2 --seed 2",
                     summary),
            0)
      << summary;
}

TEST_F(Match, AgainstAWeakenedStockfish) {
  if (!exists(stockfishPath)) GTEST_SKIP() << "stockfish is not installed";
  std::string summary;
  EXPECT_EQ(runMatch("stockfish",
                     engine() + " --engine " + stockfishPath +
                         " --option UCI_LimitStrength=true --option UCI_Elo=1500 --option Threads=1 --option Hash=16"
                         " --games " +
                         std::to_string(games(20)) + " --tc 1+0.05 --seed 3",
                     summary),
            0)
      << summary;
}

}  // namespace
