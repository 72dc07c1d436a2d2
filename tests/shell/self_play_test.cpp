// The self-play referee (vorn-self-play) against the engine and against
// scripted engines that break the rules: each fault must end the game with
// its reason, and a clean match must end by the rules.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "engine_process.h"

namespace {

const char *const toolPath = VORN_BINARY_DIR "/tools/vorn-self-play";
const char *const engineOption = "--engine '" VORN_BINARY_DIR "/vorn'";

struct ToolRun {
  std::string output;
  int exitCode = -1;
  std::string pgn;
};

ToolRun runTool(const test::TempDir &dir, const std::string &arguments) {
  std::string pgnPath = dir.path + "/games.pgn";
  std::string command = std::string("'") + toolPath + "' --pgn '" + pgnPath + "' " + arguments + " 2>&1";
  ToolRun run;
  FILE *pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  int status = pclose(pipe);
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  std::ifstream file(pgnPath);
  std::stringstream text;
  text << file.rdbuf();
  run.pgn = text.str();
  return run;
}

// A scripted engine: answers the handshake, then `onGo` for every "go".
std::string fakeEngine(const test::TempDir &dir, const std::string &name, const std::string &onGo,
                       const std::string &onPonder = "") {
  std::string script =
      "while read line; do\n"
      "  case \"$line\" in\n"
      "    uci) echo 'id name " +
      name +
      "'; echo uciok;;\n"
      "    isready) echo readyok;;\n" +
      (onPonder.empty() ? "" : "    'go ponder'*) " + onPonder + ";;\n") + "    go*) " + onGo +
      ";;\n"
      "    quit) exit 0;;\n"
      "  esac\n"
      "done\n";
  return "sh '" + dir.write(name + ".sh", script) + "'";
}

class SelfPlay : public ::testing::Test {
 protected:
  void SetUp() override {
    struct stat info;
    if (stat(toolPath, &info) != 0) GTEST_SKIP() << "vorn-self-play is not built";
  }
  static std::string engine() { return engineOption; }
  test::TempDir dir_;
};

TEST_F(SelfPlay, AShortMatchEndsByTheRulesAndIsWrittenAsPgn) {
  ToolRun run = runTool(dir_, engine() + " --games 2 --depth 1 --max-plies 30 --seed 7");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("Faults: 0"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Score of Vorn 2.0 vs Vorn 2.0: "), std::string::npos) << run.output;
  EXPECT_NE(run.pgn.find("[Round \"2\"]"), std::string::npos) << run.pgn;
  EXPECT_NE(run.pgn.find("[Termination \""), std::string::npos);
  EXPECT_NE(run.pgn.find("[White \"Vorn 2.0\"]"), std::string::npos);
  EXPECT_EQ(run.pgn.find("Termination \"rules infraction\""), std::string::npos);
}

TEST_F(SelfPlay, AnIllegalMoveLoses) {
  std::string fake = fakeEngine(dir_, "Wrong", "echo bestmove e2e5");
  ToolRun run = runTool(dir_, "--engine \"" + fake + "\" " + engine() + " --games 1 --random-plies 0 --tc 5+0");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.pgn.find("{White plays an illegal move: bestmove e2e5} 0-1"), std::string::npos) << run.pgn;
  EXPECT_NE(run.pgn.find("[Termination \"rules infraction\"]"), std::string::npos);
  // "0000" is no move while moves exist.
  fake = fakeEngine(dir_, "Null", "echo bestmove 0000");
  run = runTool(dir_, "--engine \"" + fake + "\" " + engine() + " --games 1 --random-plies 0 --tc 5+0");
  EXPECT_NE(run.pgn.find("{White plays an illegal move: bestmove 0000} 0-1"), std::string::npos) << run.pgn;
}

TEST_F(SelfPlay, ACrashAHangAndTheClockLose) {
  std::string crash = fakeEngine(dir_, "Crash", "exit 3");
  ToolRun run = runTool(dir_, "--engine \"" + crash + "\" " + engine() + " --games 1 --random-plies 0 --tc 5+0");
  EXPECT_NE(run.pgn.find("{White crashed or closed its output} 0-1"), std::string::npos) << run.pgn;
  EXPECT_EQ(run.exitCode, 1);

  std::string hang = fakeEngine(dir_, "Hang", ":");
  run = runTool(dir_, "--engine \"" + hang + "\" " + engine() + " --games 1 --random-plies 0 --tc 0.2+0 --hang-ms 300");
  EXPECT_NE(run.pgn.find("{White does not answer (hangs)} 0-1"), std::string::npos) << run.pgn;

  std::string slow = fakeEngine(dir_, "Slow", "sleep 0.4; echo bestmove e2e4");
  run =
      runTool(dir_, "--engine \"" + slow + "\" " + engine() + " --games 1 --random-plies 0 --tc 0.1+0 --hang-ms 2000");
  EXPECT_NE(run.pgn.find("{White loses on time ("), std::string::npos) << run.pgn;
  EXPECT_NE(run.pgn.find("[Termination \"time forfeit\"]"), std::string::npos);
}

TEST_F(SelfPlay, ABestmoveWhilePonderingLoses) {
  std::string early = fakeEngine(dir_, "Early", "echo bestmove e2e4 ponder e7e5", "echo bestmove d2d4");
  ToolRun run = runTool(dir_, "--engine \"" + early + "\" " + engine() +
                                  " --option Ponder=true --games 1 --random-plies 0 --tc 5+0 --ponder");
  EXPECT_NE(run.pgn.find("{White answers before ponderhit or stop: bestmove d2d4} 0-1"), std::string::npos)
      << run.pgn << run.output;
}

TEST_F(SelfPlay, UsageErrors) {
  EXPECT_EQ(runTool(dir_, "").exitCode, 2);
  EXPECT_EQ(runTool(dir_, engine() + " --tc fast").exitCode, 2);
  EXPECT_EQ(runTool(dir_, engine() + " --fen 8/8/8/8/8/8/8/8").exitCode, 2);
  EXPECT_EQ(runTool(dir_, "--name x").exitCode, 2);
}

}  // namespace
