// The generated tables of four men, which no outside oracle here covers:
// every sampled stored value is the best over its moves (captures and
// promotions read the smaller tables; a mate is the end of every line, so
// this pins the distances themselves), and kpkp's en passant positions
// hold the value with the capture allowed.
//
// The tables come from $VORN_TB_DIR when set (vorn-tb-generate output),
// otherwise they are generated here, which takes minutes.
#include <cstdlib>
#include <random>

#include "tablebase_fixture.h"

namespace {

// Plies to mate from a probe score at the root: odd = the side to move
// wins, even = it loses, -1 draw.
int pliesOf(int score) {
  if (score == 0) return -1;
  return score > 0 ? 2 * ((10000 - score) / 2) - 1 : 2 * ((score + 10000) / 2);
}

const std::string &tables() {
  static const char *given = std::getenv("VORN_TB_DIR");
  static const std::string directory = given ? given : tbtest::generatedTables(
      {"knk", "kbk", "krk", "kqk", "knkn", "kbkn", "kbkb", "krkn", "krkb", "krkr", "kqkn", "kqkb", "kqkr", "kqkq",
       "knnk", "kbnk", "kbbk", "krnk", "krbk", "krrk", "kqnk", "kqbk", "kqrk", "kqqk", "kpk", "knkp", "kbkp", "krkp",
       "kqkp", "knpk", "kbpk", "krpk", "kqpk", "kppk", "kpkp"});
  return directory;
}

// Random legal positions of a table (white has the first side's pieces).
std::vector<std::string> samples(const char *name, int count, std::mt19937 &random) {
  std::vector<std::string> out;
  std::string men = name;
  for (int tries = 0; (int)out.size() < count && tries < count * 100; tries++) {
    char board[64] = {};
    bool clash = false;
    int colour = -1;
    for (char c : men) {
      if (c == 'k') colour++;
      int s = int(random() % 64);
      if (board[s]) clash = true;
      board[s] = colour == 0 ? char(c - 32) : c;
    }
    if (clash) continue;
    std::string fen = tbtest::fenOf(board, int(random() % 2));
    if (setupFromFen(fen.c_str()) == FEN_OK) out.push_back(fen);
  }
  return out;
}

// The best over the moves, in plies to mate (as pliesOf), or -2 when a
// successor is not found.
int bestOverMoves() {
  std::vector<Move> moves = test::legalMoves();
  if (moves.empty()) return inCheck() ? 0 : -1;
  int bestWin = 1000, longestLoss = -1;
  bool draw = false;
  for (Move m : moves) {
    makeMove(m);
    const int saved = pos.searchPly;
    pos.searchPly = 0;
    int score = 0;  // bare kings: a draw
    bool found = popCount(pos.occupied) == 2 || TbProbe(&score);
    pos.searchPly = saved;
    unmakeMove();
    if (!found) return -2;
    const int child = pliesOf(score);
    if (child == -1) draw = true;
    else if (child % 2 == 0) bestWin = std::min(bestWin, child + 1);
    else longestLoss = std::max(longestLoss, child + 1);
  }
  if (bestWin < 1000) return bestWin;
  return draw ? -1 : longestLoss;
}

class GeneratedSlow : public testing::Test {
 protected:
  void SetUp() override {
    resetEngineState();
    test::setUp();
    ASSERT_EQ(tbtest::registerTables(tables(), 16), 4);
  }
  void TearDown() override { TbRelease(); }
};

TEST_F(GeneratedSlow, StoredValuesAreTheBestOverTheMoves) {
  std::mt19937 random(12);
  size_t checked = 0;
  for (int id = 6; id <= 35; id++) {
    int wrong = 0;
    std::string first;
    for (const std::string &fen : samples(tbTableNames[id], 2000, random)) {
      checked++;
      setupFromFen(fen.c_str());
      int score;
      ASSERT_TRUE(TbProbe(&score)) << fen;
      int expected = bestOverMoves();
      if (pliesOf(score) != expected && !wrong++) first = fen;
    }
    EXPECT_EQ(wrong, 0) << tbTableNames[id] << ", first " << first;
  }
  EXPECT_EQ(checked, 30u * 2000);
}

// En passant: with the capture allowed the value is the best over all
// moves, capture included; the same placement without the right differs
// where the capture decides.
TEST_F(GeneratedSlow, KpkpEnPassant) {
  int checked = 0, differing = 0;
  for (int f = 0; f < 8; f++)
    for (int side : {-1, 1}) {
      int taker = f + side;  // white pawn beside the black pawn on the fifth rank
      if (taker < 0 || taker > 7) continue;
      for (int wk = 0; wk < 64; wk += 5)
        for (int bk = 1; bk < 64; bk += 7) {
          char board[64] = {};
          board[32 + f] = 'p';
          board[32 + taker] = 'P';
          if (board[wk] || board[bk] || wk == 40 + f || wk == 48 + f || bk == 40 + f || bk == 48 + f) continue;
          board[wk] = 'K';
          board[bk] = 'k';
          std::string with = tbtest::fenOf(board, 0, {char('a' + f), '6'}), without = tbtest::fenOf(board, 0);
          if (setupFromFen(with.c_str()) != FEN_OK || pos.epSquare < 0) continue;
          int score;
          ASSERT_TRUE(TbProbe(&score)) << with;
          EXPECT_EQ(pliesOf(score), bestOverMoves()) << with;
          checked++;
          setupFromFen(without.c_str());
          int plain;
          ASSERT_TRUE(TbProbe(&plain)) << without;
          differing += plain != score;
        }
    }
  EXPECT_GT(checked, 100);
  EXPECT_GT(differing, 0);
  // By hand: the black pawn has just passed the white pawn on e5; taking it
  // leaves king and pawn against a king on h1, far outside the new pawn's
  // square: White queens and wins.
  const char *fen = "8/8/8/3pP3/8/8/8/K6k w - d6 0 1";
  setupFromFen(fen);
  int score;
  ASSERT_TRUE(TbProbe(&score));
  EXPECT_GT(score, 9000) << fen;
}

}  // namespace
