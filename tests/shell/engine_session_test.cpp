// The engine binary as an interface or a person at the console meets it:
// start-up, command line, protocol choice, console commands, end of input,
// and input no interface should send.
#include <gtest/gtest.h>

#include "engine_process.h"

namespace {

using namespace test;  // banner, EngineProcess, memoryReport, runEngine, startBoard

const std::string uciAnswer = memoryReport(3136, "Not set yet by UCI") + test::uciIdentification;
const std::string xboardAnswer = "feature done=0\n" + memoryReport(3136, "Not found") + test::xboardFeatures;
const std::string protocolFirst = "Enter the protocol first (xboard or uci)\n";

// Exact output after the banner, and exit code 0, for each input.
TEST(EngineSession, Transcripts) {
  std::string words;
  for (int i = 0; i < 20000; i++) words += " w" + std::to_string(i);
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},  // end of input before a protocol
      {"new\nusermove e2e4\nquit\nboard\n", protocolFirst + protocolFirst},
      {"board\nBOARD\n", std::string(startBoard) + startBoard},
      {"xboard\nping 7\nquit\n", xboardAnswer + "pong 7\n"},
      {"uci\nisready\nquit\n", uciAnswer + "readyok\n"},
      {"uci\nxboard\nquit\n", uciAnswer + xboardAnswer},       // a second protocol re-initialises
      {"board\nnew\nquit\nboard\n", startBoard},               // after a console command xboard is the protocol
      {"chk eval\nchk\negtb\n", "Eval: 0\nEGTB Not found\n"},  // "chk" needs its "e"
      {"uci\n", uciAnswer},                                    // end of input after a protocol
      {"uci\nposition startpos moves f2f3 e7e5 g2g4 d8h4\ngo depth 1\n",  // a "go" on a game already over
       uciAnswer + "0-1 {Black wins}\ninfo depth 1 seldepth 1\nERROR (no legal moves): think\nbestmove 0000\n" +
           "0-1 {Black wins}\n"},
      // Blank lines say nothing; a NUL byte ends the line; thousands of words.
      {"\n   \n\r\n \r\n" + std::string(3000, ' ') + "\nboard\n", startBoard},
      {std::string("bo\0ard\n\0\nboard\0x\n", 17) + "board\n", protocolFirst + startBoard + startBoard},
      {"new" + words + "\nboard" + words + "\nuci" + words + "\nisready" + words + "\ndebug" + words + "\nisready\n",
       protocolFirst + startBoard + uciAnswer + "readyok\nreadyok\n"},
      {"uci\nisready " + std::string(600000, 'z') + "\nisready\n",
       uciAnswer + "ERROR (input line too long): getLine\nreadyok\n"}};
  for (const auto &[input, output] : cases) {
    test::EngineRun run = runEngine(input);
    EXPECT_EQ(run.output, banner() + output) << input.substr(0, 40);
    EXPECT_EQ(run.exitCode, 0) << input.substr(0, 40);
  }
}

// Options are handled before any input is read; standard input is a file
// whose read position shows whether the engine read from it.
TEST(EngineCommandLine, Options) {
  const std::tuple<std::vector<std::string>, std::string, int, bool> cases[] = {
      {{"vorn", "-xboard"}, "Invalid option!\n", 0, false},
      {{"vorn", "/XBOARD"}, "Invalid option!\n", 0, false},
      {{"vorn", "/CB"}, "Please specify path to the PGN file\n", 0, false},
      {{"vorn", "/CB", "games.pgn"}, "Cannot open PGN file 'games.pgn'\n", 1, false},
      {{"vorn", "/xboard"}, "", 0, true},
      {{"vorn", "/xboard", "whatever"}, "", 0, true}};
  for (const auto &[argv, output, exitCode, readsInput] : cases) {
    test::TempDir dir;
    const int fd = open(dir.write("input", "quit\n").c_str(), O_RDONLY);
    test::EngineRun run = EngineProcess(argv, "", fd).finish();
    EXPECT_EQ(run.output, banner() + output) << argv[1];
    EXPECT_EQ(run.exitCode, exitCode) << argv[1];
    EXPECT_EQ(lseek(fd, 0, SEEK_CUR) != 0, readsInput) << argv[1];
    close(fd);
  }
}

// The name (its rules are checked in-process) in the banner and the answer to "uci".
TEST(EngineCommandLine, DigitInTheInvocationNameJoinsTheEngineName) {
  EngineProcess engine({"/usr/games/vorn7"});
  engine.send("uci\nquit\n");
  const std::string output = engine.finish().output;
  EXPECT_EQ(output.substr(0, banner("Vorn 2.07").size()), banner("Vorn 2.07"));
  EXPECT_NE(output.find("id name Vorn 2.07\n"), std::string::npos) << output;
}

// vorn.cfg in the working directory sets the table for both protocols (its
// rules are checked in-process).
TEST(EngineConfiguration, TranspositionTableSizeFromTheFile) {
  test::TempDir dir;
  dir.write("vorn.cfg", "TT_SIZE = 1024\r\n");
  EXPECT_EQ(runEngine("xboard\nquit\n", dir.path).output,
            banner() + "feature done=0\n" + memoryReport(832, "Not found") + test::xboardFeatures);
  EXPECT_EQ(runEngine("uci\nquit\n", dir.path).output,
            banner() + memoryReport(832, "Not set yet by UCI") + test::uciIdentification);
}

}  // namespace
