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

using test::EngineProcess;

std::vector<std::string> linesStartingWith(const std::string &text, const std::string &start) {
  std::vector<std::string> found;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) break;  // an unfinished line
    std::string line = text.substr(at, end - at);
    if (line.compare(0, start.size(), start) == 0) found.push_back(line);
    at = end + 1;
  }
  return found;
}

size_t count(const std::string &text, const std::string &start) { return linesStartingWith(text, start).size(); }

// The moves of "moves" as the engine would print them, in the position after
// the listed moves from the FEN (empty: the initial position).
std::set<std::string> legalAnswers(const std::string &fen, const std::vector<std::string> &moves) {
  test::setUp(fen.empty() ? test::startFen : fen.c_str());
  for (const std::string &m : moves) {
    Move move = test::findMove(m);
    EXPECT_NE(move, 0u) << m;
    if (!move) break;
    makeMove(move);
    pos.searchPly = 0;
  }
  std::set<std::string> answers;
  for (Move m : test::legalMoves()) answers.insert(std::string("bestmove ") + moveToUciCoordinates(m));
  return answers;
}

std::vector<std::string> words(const std::string &text) {
  std::vector<std::string> list;
  size_t at = 0;
  while ((at = text.find_first_not_of(' ', at)) != std::string::npos) {
    size_t end = text.find(' ', at);
    list.push_back(text.substr(at, end - at));
    at = end;
  }
  return list;
}

// The first word of the answer: "bestmove e2e4 ponder e7e5" -> "bestmove e2e4".
std::string answerMove(const std::string &line) { return line.substr(0, line.find(' ', 9)); }

class UciSession : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_.send("uci\n");
    ASSERT_TRUE(engine_.waitFor("uciok\n"));
  }
  void send(const std::string &text) { engine_.send(text); }
  // Waits until the output holds `n` lines starting with `start`.
  bool waitForLines(const std::string &start, size_t n, int timeoutMs = 60000) {
    for (int waited = 0; count(engine_.output(), start) < n; waited += 20) {
      if (waited > timeoutMs) return false;
      engine_.waitFor("\x01 never printed", 20);
    }
    return true;
  }
  // Everything sent so far has been handled when "readyok" comes back.
  void sync() {
    size_t before = count(engine_.output(), "readyok");
    send("isready\n");
    ASSERT_TRUE(waitForLines("readyok", before + 1));
  }
  size_t answers() const { return count(engine_.output(), "bestmove"); }
  std::string lastAnswer() const { return answerMove(linesStartingWith(engine_.output(), "bestmove").back()); }
  // Sends the position and the go command, waits for the answer and checks
  // that it is one of the legal moves.
  void expectLegalAnswer(const std::string &fen, const std::string &moves, const std::string &go) {
    size_t before = answers();
    send("position " + (fen.empty() ? std::string("startpos") : "fen " + fen) +
         (moves.empty() ? "" : " moves " + moves) + "\n" + go + "\n");
    ASSERT_TRUE(waitForLines("bestmove", before + 1)) << engine_.output();
    sync();
    EXPECT_EQ(answers(), before + 1) << engine_.output();
    std::set<std::string> legal = legalAnswers(fen, words(moves));
    EXPECT_EQ(legal.count(lastAnswer()), 1u) << lastAnswer() << " after " << moves;
  }

  EngineProcess engine_;
};

TEST_F(UciSession, HandshakeAndReadiness) {
  sync();
  EXPECT_EQ(engine_.output(),
            test::banner() + test::memoryReport(3136, "Not set yet by UCI") + test::uciIdentification + "readyok\n");
  send("quit\n");
  test::EngineRun run = engine_.finish();
  EXPECT_EQ(run.exitCode, 0);
}

TEST_F(UciSession, FixedDepthMoveTimeAndClocks) {
  expectLegalAnswer("", "e2e4", "go depth 7");
  expectLegalAnswer("", "e2e4 e7e5", "go movetime 300");
  expectLegalAnswer("", "e2e4 e7e5 g1f3", "go wtime 6000 btime 6000 movestogo 40");
  expectLegalAnswer("", "e2e4 e7e5 g1f3 b8c6", "go wtime 3000 btime 3000 winc 100 binc 100");
  expectLegalAnswer("", "e2e4 e7e5 g1f3 b8c6 f1b5", "go movetime 5");  // rounds to 0 cs: still limited
}

TEST_F(UciSession, AMoveListThatExtendsTheGameAndOneWithAnIllegalMove) {
  expectLegalAnswer("", "e2e4 e7e5", "go depth 3");
  expectLegalAnswer("", "e2e4 e7e5 g1f3", "go depth 3");
  // The replay stops at a1a5: White is still to move after e7e5.
  size_t before = answers();
  send("position startpos moves e2e4 e7e5 a1a5 g1f3\ngo depth 3\n");
  ASSERT_TRUE(waitForLines("bestmove", before + 1));
  EXPECT_EQ(legalAnswers("", {"e2e4", "e7e5"}).count(lastAnswer()), 1u) << lastAnswer();
  // A castling word without the right, and the null move, end the list too.
  before = answers();
  send("position fen r3k2r/8/8/8/8/8/8/R3K2R w Qkq - moves e1g1 e8g8\ngo depth 2\n");
  ASSERT_TRUE(waitForLines("bestmove", before + 1));
  EXPECT_EQ(legalAnswers("r3k2r/8/8/8/8/8/8/R3K2R w Qkq -", {}).count(lastAnswer()), 1u) << lastAnswer();
  before = answers();
  send("position startpos moves e2e4 0000 d2d4\ngo depth 2\n");
  ASSERT_TRUE(waitForLines("bestmove", before + 1));
  EXPECT_EQ(legalAnswers("", {"e2e4"}).count(lastAnswer()), 1u) << lastAnswer();
}

TEST_F(UciSession, IsreadyIsAnsweredDuringAnEndlessSearchThatWaitsForStop) {
  send("position startpos moves d2d4\ngo infinite\n");
  sync();
  sync();
  EXPECT_EQ(answers(), 0u);
  send("go depth 1\n");  // refused while searching
  sync();
  EXPECT_EQ(answers(), 0u) << engine_.output();
  send("stop\n");
  ASSERT_TRUE(waitForLines("bestmove", 1));
  sync();
  EXPECT_EQ(answers(), 1u);
  EXPECT_EQ(legalAnswers("", {"d2d4"}).count(lastAnswer()), 1u) << lastAnswer();
  // A second "stop" has nothing to answer.
  send("stop\n");
  sync();
  EXPECT_EQ(answers(), 1u);
}

TEST_F(UciSession, PonderThenPonderhitThenStop) {
  send("setoption name Ponder value true\nposition startpos moves e2e4 e7e5\ngo ponder wtime 600000 btime 600000\n");
  sync();
  EXPECT_EQ(answers(), 0u);
  send("ponderhit\n");
  sync();
  send("stop\n");
  ASSERT_TRUE(waitForLines("bestmove", 1));
  sync();
  EXPECT_EQ(answers(), 1u) << engine_.output();
  std::set<std::string> legal = legalAnswers("", {"e2e4", "e7e5"});
  EXPECT_EQ(legal.count(lastAnswer()), 1u) << lastAnswer();
  // The game goes on from the move the engine played.
  std::string played = lastAnswer().substr(9);
  expectLegalAnswer("", "e2e4 e7e5 " + played + " a7a6", "go depth 3");
}

TEST_F(UciSession, PonderMissThenTheRealMove) {
  send("setoption name Ponder value true\nposition startpos moves e2e4 e7e5 g1f3\ngo ponder wtime 60000 btime 60000\n");
  sync();
  EXPECT_EQ(answers(), 0u);
  send("stop\n");
  ASSERT_TRUE(waitForLines("bestmove", 1));
  // The opponent played something else: the engine answers that position.
  expectLegalAnswer("", "e2e4 e7e5 g1f3 b8c6", "go wtime 5000 btime 5000");
  expectLegalAnswer("", "e2e4 e7e5 g1f3 b8c6 f1c4 f8c5", "go ponder wtime 5000 btime 5000\nponderhit");
}

TEST_F(UciSession, NewGameAfterAGame) {
  expectLegalAnswer("", "e2e4 e7e5 g1f3", "go depth 3");
  send("ucinewgame\n");
  expectLegalAnswer("", "", "go depth 3");
  send("ucinewgame\n");
  expectLegalAnswer("8/8/8/4k3/8/8/4P3/4K3 w - -", "e1d2", "go depth 3");
}

TEST_F(UciSession, GamesThatAreOverStillGetOneAnswer) {
  std::string shuffle;
  for (int i = 0; i < 8; i++)
    shuffle += std::string(i ? " " : "") + (i % 4 == 0 ? "g1f3" : i % 4 == 1 ? "g8f6" : i % 4 == 2 ? "f3g1" : "f6g8");
  expectLegalAnswer("", shuffle, "go depth 3");  // threefold repetition
  EXPECT_NE(engine_.output().find("1/2-1/2 {Draw by repetition}\n"), std::string::npos);

  send("position startpos moves f2f3 e7e5 g2g4 d8h4\ngo depth 3\n");  // checkmate
  ASSERT_TRUE(waitForLines("bestmove", 2));
  EXPECT_EQ(lastAnswer(), "bestmove 0000");
  send("position fen 7k/5Q2/6K1/8/8/8/8/8 b - -\ngo wtime 1000 btime 1000\n");  // stalemate
  ASSERT_TRUE(waitForLines("bestmove", 3));
  EXPECT_EQ(lastAnswer(), "bestmove 0000");
  send("position fen 7k/5Q2/6K1/8/8/8/8/8 b - -\ngo infinite\n");  // even an endless search
  sync();
  send("stop\n");
  ASSERT_TRUE(waitForLines("bestmove", 4));
  EXPECT_EQ(lastAnswer(), "bestmove 0000");
  sync();
  EXPECT_EQ(answers(), 4u);
}

// 100 reversible plies without a repeated position: rooks and kings walk.
std::string fiftyMoveWalk(const char *fen) {
  test::setUp(fen);
  std::set<HashKey> seen = {pos.hashKey};
  std::string moves;
  for (int ply = 0; ply < 100; ply++) {
    Move chosen = 0;
    for (Move m : test::legalMoves()) {
      if (m & (MOVE_CAPTURE | MOVE_PAWN)) continue;
      makeMove(m);
      bool fresh = !seen.count(pos.hashKey) && !inCheck();
      unmakeMove();
      if (fresh) {
        chosen = m;
        break;
      }
    }
    if (!chosen) break;
    moves += std::string(ply ? " " : "") + moveToUciCoordinates(chosen);
    makeMove(chosen);
    pos.searchPly = 0;
    seen.insert(pos.hashKey);
  }
  return moves;
}

TEST_F(UciSession, TheFiftyMoveRuleOnTheBoardStillGetsAMove) {
  const char *fen = "4k3/4r3/8/8/8/8/3R4/4K3 w - -";
  std::string walk = fiftyMoveWalk(fen);
  ASSERT_EQ(words(walk).size(), 100u);
  expectLegalAnswer(fen, walk, "go depth 3");
  EXPECT_NE(engine_.output().find("1/2-1/2 {Draw by fifty move rule}\n"), std::string::npos) << engine_.output();
}

TEST_F(UciSession, AtTheMaximumGameLengthTheEngineStillAnswers) {
  // 696 plies of knight moves, 32 pawn moves, then knights again: 735 plies
  // without a third repetition, and more that the record has no room for.
  std::vector<std::string> moves;
  const char *knights[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  for (int i = 0; i < 696; i++) moves.push_back(knights[i % 4]);
  for (int step = 0; step < 2; step++)
    for (char file = 'a'; file <= 'h'; file++) {
      moves.push_back(std::string{file, char('2' + step), file, char('3' + step)});
      moves.push_back(std::string{file, char('7' - step), file, char('6' - step)});
    }
  const char *queenside[] = {"b1c3", "b8c6", "c3b1", "c6b8"};
  for (int i = 0; i < 7 + 20; i++) moves.push_back(queenside[i % 4]);
  auto listOf = [](const std::vector<std::string> &list) {
    std::string text;
    for (size_t i = 0; i < list.size(); i++) text += (i ? " " : "") + list[i];
    return text;
  };
  const std::string maximum = "ERROR (maximum number of moves reached): main";

  // A game longer than the record is not set up: no move of the board
  // would be a move of the game sent.
  send("position startpos moves " + listOf(moves) + "\ngo depth 3\n");
  ASSERT_TRUE(waitForLines("bestmove", 1));
  EXPECT_EQ(lastAnswer(), "bestmove 0000");
  EXPECT_EQ(count(engine_.output(), maximum), 1u);

  // A game that just fits is searched and its move played.
  std::vector<std::string> played(moves.begin(), moves.begin() + MAX_GAME_LENGTH);
  expectLegalAnswer("", listOf(played), "go depth 3");
  played.push_back(lastAnswer().substr(9));
  // Past the limit the engine no longer plays, but a "go" is still answered.
  send("go depth 3\n");
  ASSERT_TRUE(waitForLines("bestmove", 3));
  EXPECT_EQ(count(engine_.output(), maximum), 2u);
  EXPECT_EQ(legalAnswers("", played).count(lastAnswer()), 1u) << lastAnswer();
  send("go infinite\n");
  sync();
  EXPECT_EQ(answers(), 3u);
  send("stop\n");
  ASSERT_TRUE(waitForLines("bestmove", 4));
  sync();
  EXPECT_EQ(count(engine_.output(), maximum), 2u);
  // One more move than fits.
  played.push_back(lastAnswer().substr(9));
  send("position startpos moves " + listOf(played) + "\ngo wtime 1000 btime 1000\n");
  ASSERT_TRUE(waitForLines("bestmove", 5));
  EXPECT_EQ(lastAnswer(), "bestmove 0000");
  // A new position starts afresh.
  expectLegalAnswer("", "e2e4", "go depth 2");
}

TEST_F(UciSession, QuitDuringASearch) {
  send("position startpos\ngo infinite\n");
  sync();
  send("quit\n");
  test::EngineRun run = engine_.finish(20000);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_LE(count(run.output, "bestmove"), 1u);
}

TEST_F(UciSession, EndOfInputDuringASearch) {
  send("position startpos moves e2e4\ngo ponder wtime 1000 btime 1000\n");
  sync();
  test::EngineRun run = engine_.finish(20000);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_LE(count(run.output, "bestmove"), 1u);
}

TEST_F(UciSession, BadInputLeavesTheEngineWorking) {
  std::string moves900;
  const char *knights[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  for (int i = 0; i < 900; i++) moves900 += std::string(" ") + knights[i % 4];
  send(
      "\n\n   \nfoo bar\nGO\xc3\xa9\n\xe2\x82\xac \xff\xfe\xfd\nposition \xff\n"
      "setoption name Hash value abc\nsetoption name Hash value 100000\n"
      "setoption name \xc3\xa9 value \xc3\xa9\nsetoption name MultiPV value 9\n"
      "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - moves e2e4\n"
      "position fen 8/8/8/8/8/8/8/8 w - - moves e2e4\n"
      "position fen " +
      std::string(5000, 'k') +
      "\n"
      "position startpos moves" +
      moves900 +
      "\n"
      "position startpos moves e2e4 \xe2\x82\xac\xe2\x82\xac e7e5\n");
  sync();
  EXPECT_EQ(answers(), 0u);
  EXPECT_EQ(count(engine_.output(), "ERROR (invalid FEN): setupFromFen"), 1u) << engine_.output();
  // 64 black kings from a FEN of 5,000 letters cut to the first 127.
  EXPECT_EQ(count(engine_.output(), "ERROR (illegal position): setupFromFen"), 2u) << engine_.output();
  expectLegalAnswer("", "e2e4", "go wtime abc btime -5 movestogo x");
  expectLegalAnswer("", "e2e4 e7e5", "go movetime 99999999999999999999999 depth 2\nstop");
  expectLegalAnswer("", "e2e4 e7e5 d2d4", "go depth -7");
  expectLegalAnswer("", "d2d4", "go nodes 1000 depth 4");
  EXPECT_EQ(count(engine_.output(), "'go nodes' command not supported!"), 1u);
  // The largest table the options announce: 2^22 buckets.
  send("uci\n");
  ASSERT_TRUE(waitForLines("uciok", 2));
  EXPECT_NE(engine_.output().find(test::memoryReport(196672, "Not set yet by UCI")), std::string::npos);
}

TEST_F(UciSession, AHashSizeSentDuringASearchIsAppliedAfterIt) {
  send("position startpos\ngo infinite\nsetoption name Hash value 16\n");
  sync();
  send("stop\n");
  ASSERT_TRUE(waitForLines("bestmove", 1));
  expectLegalAnswer("", "e2e4", "go depth 3");
  send("uci\n");
  ASSERT_TRUE(waitForLines("uciok", 2));
  // 2^18 buckets of 48 bytes and the quiescence table.
  EXPECT_NE(engine_.output().find(test::memoryReport(12352, "Not set yet by UCI")), std::string::npos);
}

TEST_F(UciSession, DebugModeTracesTheMoveAndTheClock) {
  send("debug on\nposition startpos moves e2e4\ngo wtime 2000 btime 2000\n");
  ASSERT_TRUE(waitForLines("bestmove", 1));
  sync();
  EXPECT_EQ(count(engine_.output(), "SENT MOVE-> "), 1u) << engine_.output();
  EXPECT_EQ(count(engine_.output(), "CLOCK-> "), 1u) << engine_.output();
}

}  // namespace
