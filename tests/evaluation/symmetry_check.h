// Colour-symmetry checks over generated positions: random games from the
// start position and random endings (fixed seeds), each position compared
// with its colour-flipped mirror with no root side, except where one of the
// asymmetric rules listed in asymmetric_rules.h applies.
#pragma once

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "asymmetric_rules.h"

namespace test {

struct SymmetryTally {
  int compared = 0;
  int leftOut[6] = {};  // by asymmetric rule

  int total() const {
    int n = compared;
    for (int r : leftOut) n += r;
    return n;
  }
  void print(const char *what) const {
    std::printf("%s: compared %d positions; left out by rule 1: %d, 2: %d, 3: %d, 4: %d, 5: %d\n", what, compared,
                leftOut[1], leftOut[2], leftOut[3], leftOut[4], leftOut[5]);
  }
};

// Evaluates the position (set up from its FEN with the given fifty-move
// count) and its mirror, and compares them unless an asymmetric rule applies.
inline void compareWithMirror(const std::string &fen, int fiftyCount, SymmetryTally &tally) {
  setUpEvaluation(fen.c_str());
  pos.fiftyCount = fiftyCount;
  int original = fullEvaluation();
  if (int rule = asymmetricRule()) {
    tally.leftOut[rule]++;
    return;
  }
  std::string mirrored = positionFen(true);
  setUpEvaluation(mirrored.c_str());
  pos.fiftyCount = fiftyCount;
  EXPECT_EQ(fullEvaluation(), original) << fen << "  /  " << mirrored;
  tally.compared++;
}

// Every position of `games` random games of up to `plies` moves.  Positions
// are collected first, since each comparison sets up a new position.
inline SymmetryTally compareRandomGames(unsigned seed, int games, int plies) {
  struct Sample {
    std::string fen;
    int fiftyCount;
  };
  std::vector<Sample> samples;
  std::mt19937 random(seed);
  for (int game = 0; game < games; game++) {
    setUpEvaluation();
    for (int ply = 0; ply < plies; ply++) {
      std::vector<Move> moves = legalMoves();
      if (moves.empty() || !playGameMove(moves[random() % moves.size()])) break;
      samples.push_back({positionFen(false), pos.fiftyCount});
    }
  }
  SymmetryTally tally;
  for (const Sample &s : samples) compareWithMirror(s.fen, s.fiftyCount, tally);
  return tally;
}

// Kings, up to four pawns a side and now and then one piece, placed at
// random: passed pawns, pawn races, the can't-win flags and the king-activity
// tables meet many placements.
inline std::string randomEndingFen(std::mt19937 &random) {
  char board[64];
  std::fill(board, board + 64, '.');
  auto place = [&](char piece, int lowest, int highest) {
    for (;;) {
      int s = lowest + int(random() % unsigned(highest - lowest + 1));
      if (board[s] == '.') return board[s] = piece, s;
    }
  };
  int wk = place('K', 0, 63), bk;
  do {
    bk = int(random() % 64);
  } while (board[bk] != '.' || squareDistance(wk, bk) < 2);
  board[bk] = 'k';
  for (int i = int(random() % 5); i > 0; i--) place('P', 8, 55);
  for (int i = int(random() % 5); i > 0; i--) place('p', 8, 55);
  if (random() % 2) place("NBRQnbrq"[random() % 8], 0, 63);
  std::string fen;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 7; file >= 0; file--) {
      char c = board[rank * 8 + file];
      if (c == '.') {
        empty++;
        continue;
      }
      if (empty) fen += char('0' + empty), empty = 0;
      fen += c;
    }
    if (empty) fen += char('0' + empty);
    if (rank) fen += '/';
  }
  return fen + (random() % 2 ? " w - -" : " b - -");
}

// `count` random endings that the engine accepts (the side not to move must
// not be in check).
inline SymmetryTally compareRandomEndings(unsigned seed, int count) {
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

}  // namespace test
