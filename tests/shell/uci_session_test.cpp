// UCI sessions with the real engine, as a graphical interface or a match
// manager runs them: every "go" gets exactly one legal "bestmove", never
// before "stop" or "ponderhit" when the search is endless or a ponder
// search, "isready" is answered while the engine thinks, and no input, however
// bad, stops the engine from answering.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "engine_process.h"
#include "position/move_text.h"
#include "shell/engine_state.h"
#include "test_support.h"

namespace {

std::vector<std::string> words(const std::string &text) {
  std::vector<std::string> list;
  for (size_t at = 0; (at = text.find_first_not_of(' ', at)) != std::string::npos;) {
    const size_t end = text.find(' ', at);
    list.push_back(text.substr(at, end - at));
    at = end;
  }
  return list;
}

class UciSession : public ::testing::Test {
 protected:
  void SetUp() override {
    send("uci\n");
    ASSERT_TRUE(engine.waitForLines("uciok", 1));
  }
  void send(const std::string &text) { engine.send(text); }
  size_t count(const std::string &start) const { return engine.count(start); }
  size_t answers() const { return count("bestmove"); }
  // Everything sent so far has been handled when "readyok" comes back.
  void sync() {
    const size_t before = count("readyok");
    send("isready\n");
    ASSERT_TRUE(engine.waitForLines("readyok", before + 1));
  }
  // The move of the last answer: "bestmove e2e4 ponder e7e5" -> "e2e4".
  std::string lastMove() const {
    const std::vector<std::string> found = words(test::linesStartingWith(engine.output(), "bestmove").back());
    return found.size() > 1 ? found[1] : "";
  }
  // Whether `move` is legal after the listed moves from the FEN (empty: the
  // initial position).
  static bool legalAfter(const std::string &fen, const std::string &moves, const std::string &move) {
    test::setUp(fen.empty() ? test::startFen : fen.c_str());
    for (const std::string &m : words(moves)) {
      const Move played = test::findMove(m);
      EXPECT_NE(played, 0u) << m;
      if (!played || !makeMove(played)) return false;
      pos.searchPly = 0;
    }
    return test::findMove(move) != 0;
  }
  // Sends the position and the go command(s) and waits for the one answer.
  std::string answerTo(const std::string &fen, const std::string &moves, const std::string &go) {
    const size_t before = answers();
    send("position " + (fen.empty() ? std::string("startpos") : "fen " + fen) +
         (moves.empty() ? "" : " moves " + moves) + "\n" + go + "\n");
    EXPECT_TRUE(engine.waitForLines("bestmove", before + 1)) << engine.output();
    sync();
    EXPECT_EQ(answers(), before + 1) << engine.output();
    return answers() > before ? lastMove() : "";
  }
  // The same, and the answer must be a legal move.
  void expectLegalAnswer(const std::string &fen, const std::string &moves, const std::string &go) {
    const std::string move = answerTo(fen, moves, go);
    EXPECT_TRUE(legalAfter(fen, moves, move)) << move << " after " << moves << " to " << go;
  }

  test::EngineProcess engine;
};

// A hash size sent during the search is applied after it, not under it.
TEST_F(UciSession, IsreadyIsAnsweredDuringAnEndlessSearchThatWaitsForStop) {
  send("position startpos moves d2d4\ngo infinite\nsetoption name Hash value 16\n");
  sync();
  sync();
  send("go depth 1\n");  // refused while searching
  sync();
  EXPECT_EQ(answers(), 0u) << engine.output();
  send("stop\n");
  ASSERT_TRUE(engine.waitForLines("bestmove", 1));
  EXPECT_TRUE(legalAfter("", "d2d4", lastMove())) << lastMove();
  send("stop\n");  // a second "stop" has nothing to answer
  sync();
  EXPECT_EQ(answers(), 1u);
  expectLegalAnswer("", "e2e4", "go depth 3");
  send("uci\n");
  ASSERT_TRUE(engine.waitForLines("uciok", 2));
  // 2^18 buckets of 48 bytes and the quiescence table.
  EXPECT_NE(engine.output().find(test::memoryReport(12352, "Not set yet by UCI")), std::string::npos);
}

TEST_F(UciSession, GamesThatAreOverStillGetOneAnswer) {
  expectLegalAnswer("", test::knightShuffle(8), "go depth 3");
  EXPECT_GE(count("1/2-1/2 {Draw by repetition}"), 1u);
  expectLegalAnswer("", test::knightShuffle(100), "go depth 3");
  EXPECT_GE(count("1/2-1/2 {Draw by fifty move rule}"), 1u);
  EXPECT_EQ(answerTo("", "f2f3 e7e5 g2g4 d8h4", "go depth 3"), "0000");  // checkmate
  const char *stalemate = "7k/5Q2/6K1/8/8/8/8/8 b - -";
  EXPECT_EQ(answerTo(stalemate, "", "go wtime 1000 btime 1000"), "0000");
  EXPECT_EQ(answerTo(stalemate, "", "go infinite\nisready\nstop"), "0000");  // even an endless search
}

TEST_F(UciSession, QuitOrEndOfInputDuringASearch) {
  send("position startpos\ngo infinite\n");
  sync();
  send("quit\n");
  test::EngineProcess second;
  second.send("uci\nposition startpos moves e2e4\ngo ponder wtime 1000 btime 1000\nisready\n");
  ASSERT_TRUE(second.waitForLines("readyok", 1));
  // Ended by "quit", then by the end of the input.
  for (test::EngineProcess *ended : {&engine, &second}) {
    const test::EngineRun run = ended->finish();
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_LE(test::linesStartingWith(run.output, "bestmove").size(), 1u);
  }
}

}  // namespace
