// Result lines: mate, stalemate, repetition, the fifty-move rule and dead
// positions.
#include "shell/game_end.h"

#include <gtest/gtest.h>

#include "shell/engine_state.h"
#include "test_support.h"

namespace {

class GameEndTest : public ::testing::Test {
 protected:
  void SetUp() override { resetEngineState(); }
  void TearDown() override { resetEngineState(); }

  // Plays moves given in coordinates, recording a text for each.
  void play(std::initializer_list<const char *> moves) {
    for (const char *text : moves) {
      Move m = test::findMove(text);
      ASSERT_NE(m, 0u) << text;
      std::snprintf(gameRecord.moveTextList[pos.gamePly], MOVE_TEXT_SIZE, "%s", text);
      ASSERT_TRUE(makeMove(m));
    }
  }
  // What checkGameEnd prints.
  static std::string gameEndOutput() { return test::printedBy(checkGameEnd); }
};

// Earlier occurrences with the same side to move count; the third one ends
// the game, and the last move's check mark becomes a mate mark when the
// game ends.
TEST_F(GameEndTest, ThirdOccurrenceAndMateMarkTheLastMove) {
  test::setUp();
  play({"g1f3", "g8f6", "f3g1"});
  EXPECT_EQ(repetitionCount(), 0);  // same squares, other side to move
  play({"f6g8", "g1f3", "g8f6", "f3g1"});
  EXPECT_EQ(gameEndOutput(), "");
  EXPECT_EQ(repetitionCount(), 1);
  play({"f6g8"});
  std::snprintf(gameRecord.moveTextList[pos.gamePly - 1], MOVE_TEXT_SIZE, "Ng8+");
  EXPECT_EQ(gameEndOutput(), "1/2-1/2 {Draw by repetition}\n");
  EXPECT_EQ(test::numbers(repetitionCount(), shell.gameOver), test::numbers(2, 1));
  EXPECT_STREQ(gameRecord.moveTextList[pos.gamePly - 1], "Ng8#");
  play({"e2e4"});  // irreversible: the stretch starts again
  EXPECT_EQ(repetitionCount(), 0);

  test::setUp("6k1/5ppp/8/8/8/8/8/R5K1 w - -");
  play({"a1a8"});
  std::snprintf(gameRecord.moveTextList[0], MOVE_TEXT_SIZE, "Ra8+");
  shell.engineSide = WHITE;
  EXPECT_EQ(gameEndOutput(), "1-0 {Computer wins}\n");
  EXPECT_STREQ(gameRecord.moveTextList[0], "Ra8#");
}

TEST_F(GameEndTest, MateStalemateAndTheFiftyMoveRule) {
  const char *whiteMated = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq -";
  const char *blackMated = "r1bqkb1r/pppp1Qpp/2n2n2/4p3/2B1P3/8/PPPP1PPP/RNB1K1NR b KQkq -";
  const char *rook = "4k3/8/8/8/8/8/8/R3K3 w - -";
  const std::tuple<const char *, int, int, const char *> cases[] = {
      {whiteMated, BLACK, 0, "0-1 {Computer wins}\n"},
      {whiteMated, WHITE, 0, "0-1 {You win}\n"},
      {whiteMated, NO_COLOUR, 0, "0-1 {Black wins}\n"},
      {blackMated, WHITE, 0, "1-0 {Computer wins}\n"},
      {blackMated, BLACK, 0, "1-0 {You win}\n"},
      {blackMated, NO_COLOUR, 0, "1-0 {White wins}\n"},
      {whiteMated, NO_COLOUR, 100, "0-1 {Black wins}\n"},  // mate on the hundredth half-move is still mate
      {"7k/5Q2/6K1/8/8/8/8/8 b - -", NO_COLOUR, 0, "1/2-1/2 {Stalemate}\n"},
      // More half-moves than the game's plies: the repetition scan must stay inside the record.
      {rook, NO_COLOUR, 99, ""},
      {rook, NO_COLOUR, 100, "1/2-1/2 {Draw by fifty move rule}\n"}};
  for (const auto &[fen, engineSide, fiftyCount, line] : cases) {
    test::setUp(fen);
    shell.gameOver = 0;
    shell.engineSide = engineSide;
    pos.fiftyCount = fiftyCount;
    EXPECT_EQ(gameEndOutput(), line) << fen << " " << fiftyCount;
    EXPECT_EQ(shell.gameOver, line[0] ? 1 : 0) << fen;
  }
}

// A result line is a claim to the interface: a dead draw only when neither
// side can possibly mate, and never beside a mate score.
TEST_F(GameEndTest, InsufficientMaterialOnlyWhenNoMateIsPossible) {
  const std::pair<const char *, bool> cases[] = {
      {"8/8/8/4k3/8/8/8/4K3 w - -", true},      // bare kings
      {"8/8/8/4k3/8/8/8/4KN2 w - -", true},     // knight
      {"8/8/8/4k3/8/8/8/4KB2 b - -", true},     // bishop
      {"8/8/8/4k3/8/8/8/2B1KB2 w - -", false},  // bishops on both colours
      {"8/8/8/3bk3/8/8/8/4KB2 w - -", true},    // one bishop each, both on light squares (d5, f1)
      {"8/8/8/2b1k3/8/8/8/4KB2 w - -", false},  // opposite colours (c5 is dark): a mate exists
      {"8/8/8/4k3/8/8/8/1B1BKB2 w - -", true},  // three bishops on light squares
      {"8/8/8/4kn2/8/8/8/4KN2 w - -", false},   // knight each
      {"8/8/8/4k3/8/8/8/3NKN2 w - -", false},   // two knights
      {"8/8/8/4k3/8/8/8/3BKN2 w - -", false},   // bishop and knight
      {"8/8/8/4kn2/8/8/8/4KB2 w - -", false},   // bishop against knight
      {"8/8/8/4k3/8/8/8/4KR2 w - -", false},   {"8/8/8/4k3/8/8/4P3/4K3 w - -", false}};
  for (const auto &[fen, dead] : cases) {
    test::setUp(fen);
    EXPECT_EQ(insufficientMaterial(), dead) << fen;
    EXPECT_EQ(gameEndOutput(), dead ? "1/2-1/2 {Insufficient material}\n" : "") << fen;
    EXPECT_EQ(shell.gameOver, 0) << fen;  // announced, but the game goes on
  }
  test::setUp("8/8/8/4k3/8/8/8/4KN2 w - -");
  for (int score : {9500, -9500}) {
    searchResult.lastSearchScore = score;
    EXPECT_EQ(gameEndOutput(), "");
  }
}

}  // namespace
