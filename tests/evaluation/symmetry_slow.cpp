// Colour symmetry: with no root side, a position and its colour-flipped
// mirror (ranks reversed, colours, side to move and castling rights
// exchanged) score the same for the side to move, except where one of the
// asymmetric rules listed in asymmetric_rules.h applies.  Checked over random
// games from the start position and random endings (fixed seeds).
#include <algorithm>
#include <cstdio>

#include "asymmetric_rules.h"

namespace test {

struct SymmetryTally {
  int compared = 0;
  int leftOut[6] = {};  // by asymmetric rule

  int total() const { return compared + leftOut[1] + leftOut[2] + leftOut[3] + leftOut[4] + leftOut[5]; }
  void print(const char *what) const {
    std::printf("%s: compared %d positions; left out by rule 1: %d, 2: %d, 3: %d, 4: %d, 5: %d\n", what, compared,
                leftOut[1], leftOut[2], leftOut[3], leftOut[4], leftOut[5]);
  }
};

// Evaluates the position (set up from its FEN with the given fifty-move
// count) and its mirror, and compares them unless an asymmetric rule applies.
void compareWithMirror(const std::string &fen, int fiftyCount, SymmetryTally &tally) {
  const std::string mirrored = mirroredFen(fen);
  int score[2];
  for (int side = 0; side < 2; side++) {
    setUpEvaluation((side ? mirrored : fen).c_str());
    pos.fiftyCount = fiftyCount;
    score[side] = fullEvaluation();
    if (int rule = side ? 0 : asymmetricRule()) {
      tally.leftOut[rule]++;
      return;
    }
  }
  EXPECT_EQ(score[1], score[0]) << fen << "  /  " << mirrored;
  tally.compared++;
}

// Every position of `games` random games of up to `plies` moves.  Positions
// are collected first, since each comparison sets up a new position.
SymmetryTally compareRandomGames(unsigned seed, int games, int plies) {
  std::vector<std::pair<std::string, int>> samples;  // FEN and fifty-move count
  std::mt19937 random(seed);
  for (int game = 0; game < games; game++) {
    setUpEvaluation();
    for (int ply = 0; ply < plies; ply++) {
      std::vector<Move> moves = legalMoves();
      if (moves.empty() || !playGameMove(moves[random() % moves.size()])) break;
      samples.emplace_back(positionFen(), pos.fiftyCount);
    }
  }
  SymmetryTally tally;
  for (const auto &[fen, fiftyCount] : samples) compareWithMirror(fen, fiftyCount, tally);
  return tally;
}

// Kings, up to four pawns a side and now and then one piece, placed at
// random: passed pawns, pawn races, the can't-win flags and the king-activity
// tables meet many placements.
std::string randomEndingFen(std::mt19937 &random) {
  std::string board(64, '1');  // '1': an empty square, as FEN counts them
  auto place = [&](char piece, int lowest, int highest) {
    for (;;) {
      int s = lowest + int(random() % unsigned(highest - lowest + 1));
      if (board[s] == '1') return board[s] = piece, s;
    }
  };
  int wk = place('K', 0, 63), bk;
  do {
    bk = int(random() % 64);
  } while (board[bk] != '1' || squareDistance(wk, bk) < 2);
  board[bk] = 'k';
  for (int i = int(random() % 5); i > 0; i--) place('P', 8, 55);
  for (int i = int(random() % 5); i > 0; i--) place('p', 8, 55);
  if (random() % 2) place("NBRQnbrq"[random() % 8], 0, 63);
  std::reverse(board.begin(), board.end());  // a8 first, as FEN text runs
  std::string fen;                           // one '1' per empty square
  for (int rank = 0; rank < 8; rank++) fen += board.substr(rank * 8, 8) + (rank < 7 ? "/" : "");
  return fen + (random() % 2 ? " w - -" : " b - -");
}

// `count` random endings that the engine accepts (the side not to move must
// not be in check).
SymmetryTally compareRandomEndings(unsigned seed, int count) {
  std::mt19937 random(seed);
  SymmetryTally tally;
  while (tally.total() < count) {
    std::string fen = randomEndingFen(random);
    setUpEvaluation();
    if (setupFromFen(fen.c_str()) != FEN_OK) continue;
    compareWithMirror(fen, 0, tally);
  }
  return tally;
}

TEST(EvaluationSymmetrySlow, ManyRandomGames) {
  SymmetryTally tally = compareRandomGames(1234, 300, 250);
  tally.print("random games");
  EXPECT_GT(tally.compared, 50000);
}

TEST(EvaluationSymmetrySlow, ManyRandomEndings) {
  SymmetryTally tally = compareRandomEndings(4321, 100000);
  tally.print("random endings");
  EXPECT_GT(tally.compared, 85000);
}

}  // namespace test
