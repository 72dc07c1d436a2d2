// The referee's board: this engine's own position and move generator with
// the keys of the game, so that every move an engine sends is checked and
// every end of a game by the rules (mate, stalemate, repetition, fifty
// moves, insufficient material, maximum length) is seen.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "position/make_move.h"
#include "position/move_generation.h"
#include "position/move_text.h"
#include "position/position.h"
#include "shell/game_end.h"

namespace selfplay {


const char *const startFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

struct Board {
  std::vector<std::string> uciMoves;
  std::vector<std::string> sanMoves;
  std::vector<HashKey> keys;  // key of every position of the game, the current one last
  std::vector<int> fifty;

  bool setUp(const std::string &fen) {
    uciMoves.clear();
    sanMoves.clear();
    if (setupFromFen(fen.empty() ? startFen : fen.c_str()) != FEN_OK) return false;
    pos.searchPly = 0;
    keys = {pos.hashKey};
    return true;
  }
  std::vector<Move> legalMoves() {
    pos.searchPly = 0;
    generateMoves();
    std::vector<Move> legal;
    for (const MoveEntry &e : std::vector<MoveEntry>(moveStack + moveListStart[0], moveStack + moveListStart[1])) {
      if (makeMove(e.move)) {
        unmakeMove();
        legal.push_back(e.move);
      }
    }
    pos.searchPly = 0;
    return legal;
  }
  // The legal move with this exact UCI text (lower-case promotion letter).
  Move find(const std::string &text) {
    for (Move m : legalMoves())
      if (text == moveToUciCoordinates(m)) return m;
    return 0;
  }
  // The legal move written as coordinates ("g1f3", "e7e8q") or in algebraic
  // notation ("Nf3", "exd5", "e8=Q+", "O-O"), or 0.
  Move findText(const std::string &text) {
    std::string san = text;
    while (!san.empty() && std::strchr("+#!?", san.back())) san.pop_back();
    for (char &c : san)
      if (c == '0') c = 'O';
    for (Move m : legalMoves()) {
      const char *coordinates = moveToUciCoordinates(m);
      if (text == coordinates || text == moveToCoordinates(m) || san == moveToSan(m)) return m;
    }
    return 0;
  }
  void play(Move move) {
    std::string san = moveToSan(move);
    uciMoves.push_back(moveToUciCoordinates(move));
    makeMove(move);
    pos.searchPly = 0;
    if (inCheck()) san += legalMoves().empty() ? "#" : "+";
    sanMoves.push_back(san);
    keys.push_back(pos.hashKey);
  }
  // Earlier occurrences of the current position since the last capture or
  // pawn move.
  int repetitions() const {
    int count = 0;
    int reversible = pos.fiftyCount;
    for (int back = 2; back <= reversible && back < int(keys.size()); back += 2)
      if (keys[keys.size() - 1 - back] == keys.back()) count++;
    return count;
  }
};

struct GameResult {
  std::string result;       // "1-0", "0-1", "1/2-1/2"
  std::string termination;  // the PGN Termination tag: "normal", "time forfeit", ...
  std::string reason;       // the comment at the end of the moves
  std::string kind;         // for the summary: "checkmate", "illegal move", ...
  bool fault = false;       // ended by an engine's fault, not by the rules
};

inline GameResult ruleResult(const char *result, const char *reason, const char *kind) {
  return GameResult{result, "normal", reason, kind, false};
}

// The game lost by `side` through an engine fault.
inline GameResult faultResult(int side, const std::string &termination, const std::string &reason, const std::string &kind) {
  return GameResult{side == WHITE ? "0-1" : "1-0", termination, reason, kind, true};
}

inline const char *colourName(int side) { return side == WHITE ? "White" : "Black"; }

// Whether the game has ended by the rules after the last move.
inline bool gameEnded(Board &board, int maxPlies, GameResult &result) {
  if (board.legalMoves().empty()) {
    if (inCheck())
      result = ruleResult(pos.sideToMove == WHITE ? "0-1" : "1-0",
                          pos.sideToMove == WHITE ? "Black mates" : "White mates", "checkmate");
    else
      result = ruleResult("1/2-1/2", "Stalemate", "stalemate");
    return true;
  }
  if (board.repetitions() >= 2) {
    result = ruleResult("1/2-1/2", "Draw by threefold repetition", "repetition");
    return true;
  }
  if (pos.fiftyCount >= 100) {
    result = ruleResult("1/2-1/2", "Draw by the fifty-move rule", "fifty moves");
    return true;
  }
  if (insufficientMaterial()) {
    result = ruleResult("1/2-1/2", "Draw by insufficient material", "insufficient material");
    return true;
  }
  if (int(board.uciMoves.size()) >= maxPlies) {
    result =
        GameResult{"1/2-1/2", "adjudication", "Draw by adjudication: maximum game length", "maximum length", false};
    return true;
  }
  return false;
}

}  // namespace selfplay
