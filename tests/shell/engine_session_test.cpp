// The engine binary as an interface or a person at the console meets it:
// start-up, command line, protocol choice, console commands, end of input.
#include <gtest/gtest.h>

#include <cctype>

#include "engine_process.h"

namespace {

using test::banner;
using test::EngineProcess;
using test::memoryReport;
using test::runEngine;

TEST(EngineSession, EndOfInputBeforeAProtocolEndsCleanly) {
  test::EngineRun run = runEngine("");
  EXPECT_EQ(run.output, banner());
  EXPECT_EQ(run.exitCode, 0);
}

TEST(EngineSession, CommandsBeforeAProtocol) {
  test::EngineRun run = runEngine("new\nusermove e2e4\nquit\nboard\n");
  EXPECT_EQ(run.output,
            banner() + "Enter the protocol first (xboard or uci)\n" + "Enter the protocol first (xboard or uci)\n");
  EXPECT_EQ(run.exitCode, 0);
}

TEST(EngineSession, BoardShowsTheInitialPosition) {
  test::EngineRun run = runEngine("board\nBOARD\n");
  EXPECT_EQ(run.output, banner() + test::startBoard + test::startBoard);
  EXPECT_EQ(run.exitCode, 0);
}

TEST(EngineSession, XboardPrintsTheMemoryReportAndFeatures) {
  test::EngineRun run = runEngine("xboard\nquit\n");
  EXPECT_EQ(run.output, banner() + "feature done=0\n" + memoryReport(3136, "Not found") + test::xboardFeatures);
  EXPECT_EQ(run.exitCode, 0);
}

TEST(EngineSession, UciPrintsTheMemoryReportAndIdentification) {
  test::EngineRun run = runEngine("uci\nisready\nquit\n");
  EXPECT_EQ(run.output, banner() + memoryReport(3136, "Not set yet by UCI") + test::uciIdentification + "readyok\n");
  EXPECT_EQ(run.exitCode, 0);
}

TEST(EngineSession, ChoosingAProtocolAgainReinitialises) {
  test::EngineRun run = runEngine("uci\nxboard\nquit\n");
  EXPECT_EQ(run.output, banner() + memoryReport(3136, "Not set yet by UCI") + test::uciIdentification +
                            "feature done=0\n" + memoryReport(3136, "Not found") + test::xboardFeatures);
}

TEST(EngineSession, AfterAConsoleCommandXboardIsTheProtocol) {
  // "quit" now goes to the xboard handler; unknown words are not refused any more.
  test::EngineRun run = runEngine("board\nnew\nquit\nboard\n");
  EXPECT_EQ(run.output, banner() + test::startBoard);
  EXPECT_EQ(run.exitCode, 0);
}

TEST(EngineSession, ConsoleCommandsBeforeAProtocol) {
  // "chk" evaluates only when its word begins with "e"; the start position is level.
  // ("si" runs the speed benchmark: see the search's slow tests.)
  test::EngineRun run = runEngine("chk eval\nchk\negtb\n");
  EXPECT_EQ(run.output, banner() + "Eval: 0\n" + "Tablebase probing is not available yet\n");
  EXPECT_EQ(run.exitCode, 0);
}

TEST(EngineSession, EndOfInputAfterAProtocolEndsCleanly) {
  test::EngineRun run = runEngine("uci\n");
  EXPECT_EQ(run.output, banner() + memoryReport(3136, "Not set yet by UCI") + test::uciIdentification);
  EXPECT_EQ(run.exitCode, 0);
}

// The output with every "(<digits>)" written as "(N)": the echo's time varies.
std::string withoutTimes(const std::string &text) {
  std::string result;
  for (size_t i = 0; i < text.size(); i++) {
    size_t j = i + 1;
    while (text[i] == '(' && j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) j++;
    if (text[i] == '(' && j > i + 1 && j < text.size() && text[j] == ')') {
      result += "(N)";
      i = j;
    } else {
      result += text[i];
    }
  }
  return result;
}

TEST(EngineSession, TraceEchoesInputOnlyInUciDebugMode) {
  std::string session = banner() + memoryReport(3136, "Not set yet by UCI") + test::uciIdentification;
  test::EngineRun run = runEngine("uci\nisready\ndebug on\nisready\ndebug off\nisready\nquit\n");
  EXPECT_EQ(withoutTimes(run.output), session + "readyok\n(N) < isready\nreadyok\n(N) < debug off\nreadyok\n");
  // In xboard mode "debug" means nothing.
  run = runEngine("xboard\ndebug on\nquit\n");
  EXPECT_EQ(run.output.find("<"), std::string::npos) << run.output;
  // With debugging on, the end of the session says "close" without a line end.
  run = runEngine("uci\ndebug ON\nquit\n");
  EXPECT_EQ(withoutTimes(run.output), session + "(N) < quit\nclose");
}

// Standard input as a regular file whose read position shows whether the
// engine read from it.
struct InputFile {
  test::TempDir dir;
  int fd = -1;
  explicit InputFile(const std::string &content) { fd = open(dir.write("input", content).c_str(), O_RDONLY); }
  ~InputFile() { close(fd); }
  off_t position() const { return lseek(fd, 0, SEEK_CUR); }
};

TEST(EngineCommandLine, InvalidOptionEndsWithoutReadingInput) {
  InputFile input("uci\nquit\n");
  EngineProcess engine({"-xboard"}, "", "vorn", input.fd);
  test::EngineRun run = engine.finish();
  EXPECT_EQ(run.output, banner() + "Invalid option!\n");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(input.position(), 0);
}

TEST(EngineCommandLine, BookCreationNeedsAFileName) {
  InputFile input("uci\nquit\n");
  EngineProcess engine({"/CB"}, "", "vorn", input.fd);
  test::EngineRun run = engine.finish();
  EXPECT_EQ(run.output, banner() + "Please specify path to the PGN file\n");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(input.position(), 0);
}

TEST(EngineCommandLine, BookCreationReportsThatItIsMissing) {
  InputFile input("");
  EngineProcess engine({"/CB", "games.pgn"}, "", "vorn", input.fd);
  test::EngineRun run = engine.finish();
  EXPECT_EQ(run.output, banner() + "Book creation is not available yet\n");
  EXPECT_EQ(run.exitCode, 1);
}

TEST(EngineCommandLine, XboardSwitchAndExtraArgumentsAreAccepted) {
  EXPECT_EQ(runEngine("quit\n", {"/xboard"}).output, banner());
  EXPECT_EQ(runEngine("quit\n", {"/xboard", "whatever"}).output, banner());
  EXPECT_EQ(runEngine("quit\n", {"/XBOARD"}).output, banner() + "Invalid option!\n");
}

TEST(EngineCommandLine, DigitInTheInvocationNameJoinsTheEngineName) {
  const struct {
    const char *argv0;
    const char *name;
  } cases[] = {
      {"vorn7", "Vorn 2.07"},
      {"/usr/games/vorn7", "Vorn 2.07"},
      {"./vorn9-beta", "Vorn 2.09"},
      {"vorn0", "Vorn 2.0"},
      {"vorn", "Vorn 2.0"},
      {"vrn", "Vorn 2.0"},
      {"/opt/vorn7/vorn", "Vorn 2.0"},
      {"", "Vorn 2.0"},
  };
  for (const auto &c : cases) {
    EngineProcess engine({}, "", c.argv0);
    engine.send("uci\nquit\n");
    test::EngineRun run = engine.finish();
    EXPECT_EQ(run.output.substr(0, banner(c.name).size()), banner(c.name)) << c.argv0;
    EXPECT_NE(run.output.find(std::string("id name ") + c.name + "\n"), std::string::npos) << c.argv0;
  }
}

TEST(EngineConfiguration, TranspositionTableSizeFromTheFile) {
  const struct {
    const char *file;
    int kilobytes;
  } cases[] = {
      {"TT_SIZE 3100\n", 3136},    {"TT_SIZE 10\n", 3136}, {"TT_SIZE 24576\n", 24640},  // 2^19 buckets
      {"TT_SIZE=24576\n", 3136},                                                        // not recognised
      {"TT_SIZE = 1024\r\n", 832},                                                      // 2^14 buckets
  };
  for (const auto &c : cases) {
    test::TempDir dir;
    dir.write("vorn.cfg", c.file);
    test::EngineRun run = runEngine("xboard\nquit\n", {}, dir.path);
    EXPECT_NE(run.output.find(memoryReport(c.kilobytes, "Not found")), std::string::npos) << c.file << run.output;
    run = runEngine("uci\nquit\n", {}, dir.path);
    EXPECT_NE(run.output.find(memoryReport(c.kilobytes, "Not set yet by UCI")), std::string::npos) << c.file;
  }
}

TEST(EngineConfiguration, BinaryGarbageIsHarmless) {
  test::TempDir dir;
  std::string garbage;
  uint32_t x = 12345;
  for (int i = 0; i < 20000; i++) {
    x = x * 1103515245 + 12345;
    garbage += char(x >> 24);
  }
  garbage += "\nTT_SIZE -99999999999999999999999\nEGTB_PATH " + std::string(5000, 'p') + "\nEGTB_CACHE_SIZE -1\n";
  dir.write("vorn.cfg", garbage);
  test::EngineRun run = runEngine("board\nquit\n", {}, dir.path);
  EXPECT_EQ(run.output, banner() + test::startBoard);
  EXPECT_EQ(run.exitCode, 0);
}

}  // namespace
