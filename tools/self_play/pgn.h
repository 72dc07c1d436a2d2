// The games as PGN, with a Termination tag and the reason as the last
// comment.
#pragma once

#include <cstdio>
#include <ctime>
#include <string>

#include "match.h"

namespace selfplay {

inline std::string pgnDate() {
  std::time_t now = std::time(nullptr);
  char text[16];
  std::strftime(text, sizeof text, "%Y.%m.%d", std::localtime(&now));
  return text;
}

inline std::string pgnText(const std::string &text) {
  std::string quoted;
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted;
}

inline void writePgn(FILE *file, const Settings &settings, int round, const std::string &white, const std::string &black,
              const Board &board, const GameResult &result) {
  std::fprintf(file, "[Event \"Vorn self-play\"]\n[Site \"?\"]\n[Date \"%s\"]\n[Round \"%d\"]\n", pgnDate().c_str(),
               round);
  std::fprintf(file, "[White \"%s\"]\n[Black \"%s\"]\n[Result \"%s\"]\n", pgnText(white).c_str(),
               pgnText(black).c_str(), result.result.c_str());
  if (!settings.fen.empty()) std::fprintf(file, "[SetUp \"1\"]\n[FEN \"%s\"]\n", pgnText(settings.fen).c_str());
  std::fprintf(file, "[TimeControl \"%s\"]\n[PlyCount \"%zu\"]\n[Termination \"%s\"]\n\n", settings.tcText.c_str(),
               board.sanMoves.size(), result.termination.c_str());
  // The move numbers follow the side to move of the start position.
  Board numbers;
  numbers.setUp(settings.fen);
  int moveNumber = 1;
  bool whiteToMove = pos.sideToMove == WHITE;
  std::string line, text;
  auto add = [&](const std::string &token) {
    if (!line.empty() && line.size() + 1 + token.size() > 79) {
      text += line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + token;
  };
  for (size_t i = 0; i < board.sanMoves.size(); i++) {
    if (whiteToMove)
      add(std::to_string(moveNumber) + ". " + board.sanMoves[i]);
    else if (i == 0)
      add(std::to_string(moveNumber) + "... " + board.sanMoves[i]);
    else
      add(board.sanMoves[i]);
    if (!whiteToMove) moveNumber++;
    whiteToMove = !whiteToMove;
  }
  add("{" + result.reason + "}");
  add(result.result);
  text += line + "\n\n";
  std::fputs(text.c_str(), file);
  std::fflush(file);
}

}  // namespace selfplay
