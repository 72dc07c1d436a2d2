// Openings for the pairs of games: random legal plies, or the lines of an
// openings file.
#pragma once

#include <cctype>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "match.h"

namespace selfplay {

// A random opening of `plies` legal moves that does not end the game.
inline std::vector<std::string> randomOpening(const Settings &settings, uint32_t seed) {
  std::mt19937 generator(seed);
  for (int attempt = 0; attempt < 20; attempt++) {
    Board board;
    board.setUp(settings.fen);
    std::vector<std::string> moves;
    for (int i = 0; i < settings.randomPlies; i++) {
      std::vector<Move> legal = board.legalMoves();
      if (legal.empty()) break;
      Move m = legal[generator() % legal.size()];
      moves.push_back(moveToUciCoordinates(m));
      board.play(m);
    }
    GameResult ignored;
    if (!gameEnded(board, settings.maxPlies, ignored)) return moves;
  }
  return {};
}

// Reads an openings file: one line of moves per pair of games, played from
// the match's start position.  Moves are coordinates ("e2e4 e7e5") or
// algebraic ("e4 e5 Nf3"); move numbers ("1.", "3...") are skipped, as are
// empty lines and lines starting with '#'.  Every move must be legal and no
// line may end the game.  Returns false with the file's line number and the
// reason in `error`.
inline bool readOpenings(const std::string &path, const Settings &settings, std::vector<std::vector<std::string>> &lines,
                         std::string &error) {
  std::ifstream file(path);
  if (!file) {
    error = "cannot read " + path;
    return false;
  }
  std::string text;
  for (int number = 1; std::getline(file, text); number++) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos || text[first] == '#') continue;
    Board board;
    board.setUp(settings.fen);
    std::vector<std::string> moves;
    for (const std::string &word : splitWords(text)) {
      std::string token = word;
      size_t dot = token.find_last_of('.');
      if (dot != std::string::npos && std::isdigit(static_cast<unsigned char>(token[0]))) token.erase(0, dot + 1);
      if (token.empty()) continue;
      Move move = board.findText(token);
      if (!move) {
        error = path + ":" + std::to_string(number) + ": \"" + token + "\" is not a legal move here";
        return false;
      }
      moves.push_back(moveToUciCoordinates(move));
      board.play(move);
    }
    GameResult ended;
    if (gameEnded(board, settings.maxPlies, ended)) {
      error = path + ":" + std::to_string(number) + ": the line ends the game (" + ended.kind + ")";
      return false;
    }
    lines.push_back(moves);
  }
  if (lines.empty()) error = path + " holds no opening";
  return !lines.empty();
}

}  // namespace selfplay
