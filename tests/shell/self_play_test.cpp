// The self-play referee (vorn-self-play) against the engine and against
// scripted engines that break the rules: each fault must end the game with
// its reason, and a clean match must end by the rules.
#include <gtest/gtest.h>

#include <string>

#include "engine_process.h"

namespace {

const char *const toolPath = VORN_BINARY_DIR "/tools/vorn-self-play";
const std::string engine = "--engine '" VORN_BINARY_DIR "/vorn'";

class SelfPlay : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::fileExists(toolPath)) GTEST_SKIP() << "vorn-self-play is not built";
  }
  // Runs the tool; the games it wrote are left in `pgn`.
  test::EngineRun run(const std::string &arguments) {
    const std::string pgnPath = dir.path + "/games.pgn";
    test::EngineRun result =
        test::runCommand(std::string("'") + toolPath + "' --pgn '" + pgnPath + "' " + arguments, 60000);
    pgn = test::fileText(pgnPath);
    return result;
  }
  // A scripted engine: answers the handshake, then `onGo` for every "go".
  std::string fakeEngine(const std::string &name, const std::string &onGo, const std::string &onPonder = "") {
    const std::string script = "while read line; do\n  case \"$line\" in\n    uci) echo 'id name " + name +
                               "'; echo uciok;;\n    isready) echo readyok;;\n" +
                               (onPonder.empty() ? "" : "    'go ponder'*) " + onPonder + ";;\n") + "    go*) " + onGo +
                               ";;\n    quit) exit 0;;\n  esac\ndone\n";
    return "--engine \"sh '" + dir.write(name + ".sh", script) + "'\" " + engine + " --games 1 --random-plies 0 ";
  }
  test::TempDir dir;
  std::string pgn;
};

// Two games from one line of an openings file, one engine held to depth 1
// and the other on the clock.
TEST_F(SelfPlay, AShortMatchEndsByTheRulesAndIsWrittenAsPgn) {
  const std::string openings = dir.write("openings.txt", "# comment\n1. e4 c5 2. Nf3\n");
  test::EngineRun result = run(engine + " --depth 1 " + engine + " --tc 2+0.05 --max-plies 30 --openings '" + openings +
                               "' --log '" + dir.path + "/games.log'");
  EXPECT_EQ(result.exitCode, 0) << result.output;
  // Both engines are told to quit while the log is still open.
  const std::string log = test::fileText(dir.path + "/games.log");
  for (const char *quit : {"[1] > quit", "[2] > quit"}) EXPECT_NE(log.find(quit), std::string::npos) << quit;
  for (const char *line : {"Faults: 0", "Score of Vorn 2.0 vs Vorn 2.0: "})
    EXPECT_NE(result.output.find(line), std::string::npos) << result.output;
  for (const char *tag : {"[Round \"2\"]", "[Termination \"", "[White \"Vorn 2.0\"]"})
    EXPECT_NE(pgn.find(tag), std::string::npos) << pgn;
  EXPECT_EQ(test::linesStartingWith(pgn, "1. e4 c5 2. Nf3 ").size(), 2u) << pgn;
  EXPECT_EQ(pgn.find("Termination \"rules infraction\""), std::string::npos);
}

TEST_F(SelfPlay, EveryFaultLosesWithItsReason) {
  const std::tuple<std::string, const char *, const char *> cases[] = {
      {fakeEngine("Wrong", "echo bestmove e2e5") + "--tc 5+0", "{White plays an illegal move: bestmove e2e5} 0-1",
       "rules infraction"},
      {fakeEngine("Null", "echo bestmove 0000") + "--tc 5+0",  // no move while moves exist
       "{White plays an illegal move: bestmove 0000} 0-1", "rules infraction"},
      {fakeEngine("Crash", "exit 3") + "--tc 5+0", "{White crashed or closed its output} 0-1", nullptr},
      {fakeEngine("Hang", ":") + "--tc 0.2+0 --hang-ms 300", "{White does not answer (hangs)} 0-1", nullptr},
      {fakeEngine("Slow", "sleep 0.4; echo bestmove e2e4") + "--tc 0.1+0 --hang-ms 2000", "{White loses on time (",
       "time forfeit"},
      {"--ponder " + fakeEngine("Early", "echo bestmove e2e4 ponder e7e5", "echo bestmove d2d4") +
           "--tc 5+0 --option Ponder=true",
       "{White answers before ponderhit or stop: bestmove d2d4} 0-1", nullptr}};
  for (const auto &[arguments, reason, termination] : cases) {
    test::EngineRun result = run(arguments);
    EXPECT_EQ(result.exitCode, 1) << reason << result.output;
    EXPECT_NE(pgn.find(reason), std::string::npos) << pgn;
    if (termination) {
      EXPECT_NE(pgn.find(std::string("[Termination \"") + termination + "\"]"), std::string::npos);
    }
  }
}

}  // namespace
