// Debian's xboard as the referee: short matches against Fairy-Max without a
// window (xvfb-run), pondering on, pondering off, and a fixed time per move.
// Every game must end with a result and the engine must forfeit none: no
// loss on time, no illegal move, no false claim, in the PGN or in xboard's
// debug log.  xboard exits with 0 even after a forfeit, so the PGN decides.
// Needs: apt-get install xboard xvfb xauth fairymax.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "engine_process.h"

namespace {

struct Game {
  std::string white, black, result, ending;
};

// The games of a PGN file: the players, the result and the last comment.
std::vector<Game> gamesOf(const std::string &pgn) {
  std::vector<Game> games;
  auto tag = [](const std::string &line, const char *name) {
    const std::string start = std::string("[") + name + " \"";
    return line.compare(0, start.size(), start) == 0 ? line.substr(start.size(), line.size() - start.size() - 2) : "";
  };
  std::istringstream lines(pgn);
  for (std::string line; std::getline(lines, line);) {
    if (!tag(line, "Event").empty()) games.emplace_back();
    if (games.empty()) continue;
    if (!tag(line, "White").empty()) games.back().white = tag(line, "White");
    if (!tag(line, "Black").empty()) games.back().black = tag(line, "Black");
    if (!tag(line, "Result").empty()) games.back().result = tag(line, "Result");
    const size_t open = line.rfind('{');
    if (line[0] != '[' && open != std::string::npos) games.back().ending = line.substr(open);
  }
  return games;
}

void expectCleanMatch(const std::string &name, int games, const std::string &options) {
  const char *const xboard = "/usr/games/xboard";
  const char *const fairymax = "/usr/games/fairymax";
  if (!test::fileExists(xboard) || !test::fileExists("/usr/bin/xvfb-run") || !test::fileExists(fairymax))
    GTEST_SKIP() << "needs xboard, xvfb-run and fairymax (apt-get install xboard xvfb xauth fairymax)";
  test::TempDir dir;
  const std::string command = "cd '" + dir.path + "' && HOME='" + dir.path + "' xvfb-run -a " + xboard + " -fcp '" +
                              test::enginePath() + "' -fd '" + dir.path + "' -scp " + fairymax + " -sd '" + dir.path +
                              "' -matchGames " + std::to_string(games) + " " + options +
                              " -saveGameFile out.pgn -autoCallFlag true -debugMode true -nameOfDebugFile xb.debug"
                              " -popupExitMessage false -popupMoveErrors false";
  test::runCommand(command, games * 10 * 60 * 1000);
  const std::string pgn = test::fileText(dir.path + "/out.pgn");
  const std::string log = test::fileText(dir.path + "/xb.debug");
  const std::vector<Game> played = gamesOf(pgn);
  std::printf("%s (%s):\n", name.c_str(), options.c_str());
  for (const Game &g : played)
    std::printf("  %s - %s %s %s\n", g.white.c_str(), g.black.c_str(), g.result.c_str(), g.ending.c_str());
  ASSERT_EQ(played.size(), size_t(games)) << pgn << log.substr(log.size() > 4000 ? log.size() - 4000 : 0);
  for (const Game &g : played) {
    EXPECT_NE(g.result, "*") << g.ending;
    const bool vornLost = (g.result == "1-0" && g.black == "Vorn 2.0") || (g.result == "0-1" && g.white == "Vorn 2.0");
    if (!vornLost) continue;
    for (const char *forfeit : {"on time", "llegal", "False", "false"})
      EXPECT_EQ(g.ending.find(forfeit), std::string::npos) << g.ending;
  }
  // The engine is xboard's first engine.
  EXPECT_EQ(log.find("<first : Illegal move"), std::string::npos);
  EXPECT_EQ(log.find("<first : Error"), std::string::npos);
  EXPECT_EQ(log.find("not found"), std::string::npos);
}

TEST(XboardGui, MatchWithPondering) { expectCleanMatch("pondering", 4, "-tc 0:20"); }

TEST(XboardGui, MatchWithoutPondering) { expectCleanMatch("no pondering", 2, "-tc 0:20 -xponder"); }

TEST(XboardGui, MatchWithAFixedTimePerMove) { expectCleanMatch("two seconds per move", 2, "-st 0:02"); }

TEST(XboardGui, MatchWithADepthLimitAndAnIncrement) { expectCleanMatch("depth 6", 2, "-tc 0:10 -inc 0.5 -depth 6"); }

}  // namespace
