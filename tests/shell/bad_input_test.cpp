// Input no interface should send, sent to the real engine: it must neither
// crash nor hang, and it must keep answering afterwards.
#include <gtest/gtest.h>

#include "engine_process.h"

namespace {

using test::banner;
using test::runEngine;

std::string garbage(size_t length, uint32_t seed) {
  std::string bytes;
  for (size_t i = 0; i < length; i++) {
    seed = seed * 1103515245 + 12345;
    bytes += char(seed >> 16);
  }
  return bytes;
}

TEST(BadInput, BlankLinesSayNothing) {
  test::EngineRun run = runEngine("\n   \n\r\n \r\n" + std::string(3000, ' ') + "\nboard\n");
  EXPECT_EQ(run.output, banner() + test::startBoard);
  EXPECT_EQ(run.exitCode, 0);
}

TEST(BadInput, NulBytesCutTheLine) {
  test::EngineRun run = runEngine(std::string("bo\0ard\n\0\nboard\0x\n", 17) + "board\n");
  EXPECT_EQ(run.output, banner() + "Enter the protocol first (xboard or uci)\n" + test::startBoard + test::startBoard);
  EXPECT_EQ(run.exitCode, 0);
}

TEST(BadInput, ThousandsOfWords) {
  std::string words;
  for (int i = 0; i < 20000; i++) words += " w" + std::to_string(i);
  test::EngineRun run = runEngine("new" + words + "\nboard" + words + "\nuci" + words + "\nisready" + words +
                                  "\ndebug" + words + "\nisready\n");
  EXPECT_EQ(run.output, banner() + "Enter the protocol first (xboard or uci)\n" + test::startBoard +
                            test::memoryReport(3136, "Not set yet by UCI") +
                            "id name Vorn 2.0\nid author Hestrel\nuciok\nreadyok\nreadyok\n");
  EXPECT_EQ(run.exitCode, 0);
}

TEST(BadInput, BinaryGarbageBeforeAndAfterAProtocol) {
  for (uint32_t seed : {1u, 2u, 3u}) {
    test::EngineRun run = runEngine(garbage(200000, seed) + "\nuci\n" + garbage(200000, seed + 10) + "\nisready\n");
    EXPECT_EQ(run.exitCode, 0) << seed;
    EXPECT_EQ(run.output.substr(run.output.size() - 8), "readyok\n") << seed;
  }
  test::EngineRun run = runEngine("xboard\n" + garbage(300000, 7) + "\nquit\n");
  EXPECT_EQ(run.exitCode, 0);
}

TEST(BadInput, LineBeyondTheInputBufferIsDropped) {
  test::EngineRun run = runEngine("uci\nisready " + std::string(600000, 'z') + "\nisready\n");
  EXPECT_EQ(run.output, banner() + test::memoryReport(3136, "Not set yet by UCI") +
                            "id name Vorn 2.0\nid author Hestrel\nuciok\n" +
                            "ERROR (input line too long): getLine\nreadyok\n");
  EXPECT_EQ(run.exitCode, 0);
}

}  // namespace
