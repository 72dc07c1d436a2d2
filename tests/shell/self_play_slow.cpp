// Matches through vorn-self-play: the engine against itself and against a
// weakened Stockfish at fast time controls.  No game may end by an engine
// fault (illegal move, crash, hang, lost clock, early bestmove).  The number
// of games can be changed with VORN_SELF_PLAY_GAMES (a factor in percent,
// default 100); the PGN files stay in VORN_SELF_PLAY_DIR when it is set.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engine_process.h"

namespace {

const char *const toolPath = VORN_BINARY_DIR "/tools/vorn-self-play";
const std::string engine = "--engine '" VORN_BINARY_DIR "/vorn'";
const char *const stockfishPath = "/usr/games/stockfish";

// Plays `planned` games (scaled by VORN_SELF_PLAY_GAMES) and prints the
// summary; the tool's exit code is 0 only when no game ended by a fault.
void expectNoFault(const std::string &name, int planned, const std::string &arguments) {
  if (!test::fileExists(toolPath)) GTEST_SKIP() << "vorn-self-play is not built";
  const char *factor = std::getenv("VORN_SELF_PLAY_GAMES");
  const int games = std::max(2, planned * (factor ? std::atoi(factor) : 100) / 100);
  const char *keep = std::getenv("VORN_SELF_PLAY_DIR");
  test::TempDir temp;
  test::EngineRun run = test::runCommand(std::string("'") + toolPath + "' --quiet --pgn '" + (keep ? keep : temp.path) +
                                             "/" + name + ".pgn' " + arguments + " --games " + std::to_string(games),
                                         24 * 3600 * 1000);
  std::printf("%s\n%s", name.c_str(), run.output.c_str());
  EXPECT_EQ(run.exitCode, 0) << run.output;
}

TEST(Match, AgainstItselfAtOneSecondPlusFiftyMilliseconds) {
  expectNoFault("self-play", 100, engine + " --tc 1+0.05 --seed 1");
}

TEST(Match, AgainstItselfPonderingWithRepeatingControls) {
  const std::string ponder = engine + " --option Ponder=true";
  expectNoFault("ponder", 20, "--ponder " + ponder + " " + ponder + " --tc 20/2 --seed 2");
}

// Through the xboard protocol, the engine's default: one side ponders.
TEST(Match, AgainstItselfThroughXboardOnePondering) {
  expectNoFault("xboard", 100, "--xboard " + engine + " --ponder " + engine + " --tc 40/20 --seed 4");
}

TEST(Match, AgainstAWeakenedStockfish) {
  if (!test::fileExists(stockfishPath)) GTEST_SKIP() << "stockfish is not installed";
  expectNoFault("stockfish", 20,
                engine + " --engine " + stockfishPath +
                    " --option UCI_LimitStrength=true --option UCI_Elo=1500 --option Threads=1 --option Hash=16"
                    " --tc 1+0.05 --seed 3");
}

}  // namespace
