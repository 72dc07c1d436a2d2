// The game driver: plays one game between two engine processes, keeps the
// clocks, resolves ponder searches and ends the game by the rules or by an
// engine's fault.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine_process.h"
#include "referee_board.h"

namespace selfplay {

struct Settings {
  int games = 2;
  int64_t baseMs = 10000, incrementMs = 100;
  int movesPerControl = 0;
  int depth = 0;  // for every engine without a depth of its own
  int64_t moveTimeMs = 0;
  bool ponder = false;  // for every engine without a setting of its own
  bool xboard = false;  // the same
  int randomPlies = 4;
  std::string openingsPath;
  uint32_t seed = 1;
  std::string fen;
  int maxPlies = 700;
  int64_t marginMs = 0;
  int64_t hangMs = 5000;
  std::string pgnPath = "self-play.pgn";
  bool quiet = false;
  std::string tcText = "10+0.1";
};

// The words of a line, split at blanks and tabs.
inline std::vector<std::string> splitWords(const std::string &text) {
  std::vector<std::string> words;
  size_t at = 0;
  while ((at = text.find_first_not_of(" \t", at)) != std::string::npos) {
    size_t end = text.find_first_of(" \t", at);
    words.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end;
  }
  return words;
}

inline std::string positionCommand(const std::string &fen, const std::vector<std::string> &moves) {
  std::string command = fen.empty() ? "position startpos" : "position fen " + fen;
  if (!moves.empty()) {
    command += " moves";
    for (const std::string &m : moves) command += " " + m;
  }
  return command;
}

class Match {
 public:
  Match(const Settings &settings, Engine &first, Engine &second) : settings_(settings), engines_{&first, &second} {}

  // Plays one game; `firstIsWhite` chooses the colours, `opening` the first
  // plies.
  GameResult play(bool firstIsWhite, const std::vector<std::string> &opening) {
    bySide_[WHITE] = firstIsWhite ? engines_[0] : engines_[1];
    bySide_[BLACK] = firstIsWhite ? engines_[1] : engines_[0];
    Engine **bySide = bySide_;
    board_.setUp(settings_.fen);
    for (const std::string &text : opening) board_.play(board_.findText(text));
    clock_[WHITE] = clock_[BLACK] = settings_.baseMs;
    ownMoves_[WHITE] = ownMoves_[BLACK] = 0;
    for (int side = WHITE; side <= BLACK; side++) {
      Engine &e = *bySide[side];
      std::string error;
      if (!e.running() && !e.start(error))
        return faultResult(side, "abandoned", colourName(side) + std::string(" does not start: ") + error,
                           "start failure");
      e.pondering = false;
      if (e.config().xboard)
        startXboardGame(e, side);
      else
        e.send("ucinewgame");
      if (!e.synchronise(error)) {
        e.markDead();
        return faultResult(side, "abandoned", colourName(side) + std::string(": ") + error, "not ready");
      }
    }

    GameResult result;
    while (!gameEnded(board_, settings_.maxPlies, result)) {
      const int side = pos.sideToMove;
      Engine &mover = *bySide[side];
      Engine &other = *bySide[side ^ 1];
      std::string reply;
      int64_t started;
      GameResult fault;
      if (!askForMove(mover, other, side, reply, started, fault)) return finish(bySide, fault);
      int64_t used = nowMs() - started;
      mover.longestThink = std::max(mover.longestThink, used);
      if (timed(side)) {
        if (used > clock_[side] + settings_.marginMs)
          return finish(bySide, faultResult(side, "time forfeit",
                                            colourName(side) + std::string(" loses on time (") + std::to_string(used) +
                                                " ms used, " + std::to_string(clock_[side]) + " ms left)",
                                            "time forfeit"));
      }
      // The move must be legal here: UCI coordinates, or under xboard
      // coordinates or algebraic notation.
      std::vector<std::string> words = splitWords(reply);
      std::string moveText = words.size() >= 2 ? words[1] : "";
      Move move = mover.config().xboard ? board_.findText(moveText) : board_.find(moveText);
      if (!move)
        return finish(bySide,
                      faultResult(side, "rules infraction",
                                  colourName(side) + std::string(" plays an illegal move: ") + reply, "illegal move"));
      if (timed(side)) {
        clock_[side] -= used;
        mover.lowestClockLeft = std::min(mover.lowestClockLeft, clock_[side]);
        clock_[side] += settings_.incrementMs;
        ownMoves_[side]++;
        if (settings_.movesPerControl > 0 && ownMoves_[side] % settings_.movesPerControl == 0)
          clock_[side] += settings_.baseMs;
      }
      board_.play(move);
      mover.sentPlies = board_.uciMoves.size();  // an xboard engine knows its own move
      // The predicted reply: the engine ponders on it while the opponent thinks.
      std::string predicted = words.size() >= 4 && words[2] == "ponder" ? words[3] : "";
      if (ponders(side) && !mover.config().xboard && !predicted.empty() && board_.find(predicted) && !gameOverAfter(predicted)) {
        std::vector<std::string> line = board_.uciMoves;
        line.push_back(predicted);
        mover.send(positionCommand(settings_.fen, line));
        mover.send("go ponder " + clockWords(side));
        mover.pondering = true;
        mover.ponderMove = predicted;
      }
    }
    return finish(bySide, result);
  }

  const Board &board() const { return board_; }

 private:
  // The depth limit of the engine playing `side` (0: none).
  int depth(int side) const {
    int own = bySide_[side] ? bySide_[side]->config().depth : 0;
    return own > 0 ? own : settings_.depth;
  }
  // Whether `side` plays on the clock (not to a fixed depth or move time).
  bool timed(int side) const { return depth(side) == 0 && settings_.moveTimeMs == 0; }
  // Whether the engine playing `side` thinks on its opponent's time.
  bool ponders(int side) const {
    int own = bySide_[side] ? bySide_[side]->config().ponder : -1;
    return own >= 0 ? own != 0 : settings_.ponder;
  }

  // xboard: a new game as xboard starts one: the control, thinking output,
  // pondering, then force mode with the start position and the opening
  // moves.  The engine that moves first is told "go" at its turn, the
  // other one after its first move has been sent.
  void startXboardGame(Engine &e, int side) {
    e.send("new");
    e.send("random");
    char text[64];
    if (depth(side) > 0) {
      e.send("st 3600");
      e.send("sd " + std::to_string(depth(side)));
    } else if (settings_.moveTimeMs > 0) {
      std::snprintf(text, sizeof text, "st %g", double(settings_.moveTimeMs) / 1000);
      e.send(text);
    } else {
      // Whole seconds for the base (rounded up), a fraction for the increment.
      const int64_t seconds = (settings_.baseMs + 999) / 1000;
      std::snprintf(text, sizeof text, "level %d %lld:%02lld %g", settings_.movesPerControl,
                    static_cast<long long>(seconds / 60), static_cast<long long>(seconds % 60),
                    double(settings_.incrementMs) / 1000);
      e.send(text);
    }
    e.send("post");
    e.send(ponders(side) ? "hard" : "easy");
    e.send("force");
    if (!settings_.fen.empty()) e.send("setboard " + settings_.fen);
    for (const std::string &move : board_.uciMoves) e.send(move);
    e.sentPlies = board_.uciMoves.size();
    e.forced = true;
  }

  // xboard: the engine's turn: its clocks, the opponent's move, and "go"
  // when it is still in force mode.
  void startXboardTurn(Engine &mover, int side) {
    if (timed(side)) {
      mover.send("time " + std::to_string(std::max<int64_t>(clock_[side], 0) / 10));
      mover.send("otim " + std::to_string(std::max<int64_t>(clock_[side ^ 1], 0) / 10));
    }
    for (size_t i = mover.sentPlies; i < board_.uciMoves.size(); i++) mover.send(board_.uciMoves[i]);
    mover.sentPlies = board_.uciMoves.size();
    if (mover.forced) mover.send("go");
    mover.forced = false;
  }

  // xboard: what a line says outside a move.  A result claim while the
  // referee sees the game going on is false (xboard forfeits it), "Illegal
  // move" refuses a legal move, and "not found" makes xboard take the engine
  // for one that failed to start.  "resign" gives the game up.
  static bool xboardLineEndsGame(const std::string &line, int side, GameResult &result) {
    if (line == "resign" || line.compare(0, 7, "resign ") == 0) {
      result = GameResult{side == WHITE ? "0-1" : "1-0", "normal", colourName(side) + std::string(" resigns"),
                          "resignation", false};
      return true;
    }
    for (const char *claim : {"1-0", "0-1", "1/2-1/2", "*"}) {
      const size_t n = std::strlen(claim);
      if (line.compare(0, n, claim) == 0 && (line.size() == n || line[n] == ' ')) {
        result = faultResult(side, "rules infraction", colourName(side) + std::string(" claims falsely: ") + line,
                             "false claim");
        return true;
      }
    }
    if (line.compare(0, 12, "Illegal move") == 0) {
      result = faultResult(side, "rules infraction",
                           colourName(side) + std::string(" refuses a legal move: ") + line, "refused move");
      return true;
    }
    if (line.find("not found") != std::string::npos) {
      result = faultResult(side, "abandoned", colourName(side) + std::string(" prints \"not found\": ") + line,
                           "not found");
      return true;
    }
    return false;
  }

  // Whether the game would end at once after the predicted reply (the
  // engine would then ponder on a finished game: not worth it).
  bool gameOverAfter(const std::string &predicted) {
    Move m = board_.find(predicted);
    makeMove(m);
    pos.searchPly = 0;
    bool over = board_.legalMoves().empty();
    unmakeMove();
    pos.searchPly = 0;
    return over;
  }

  // The clock words of "go" for the side to move (the side that will move
  // when a ponder search is hit).
  std::string clockWords(int moverSide) const {
    if (depth(moverSide) > 0) return "depth " + std::to_string(depth(moverSide));
    if (settings_.moveTimeMs > 0) return "movetime " + std::to_string(settings_.moveTimeMs);
    std::string words = "wtime " + std::to_string(std::max<int64_t>(clock_[WHITE], 0)) + " btime " +
                        std::to_string(std::max<int64_t>(clock_[BLACK], 0)) + " winc " +
                        std::to_string(settings_.incrementMs) + " binc " + std::to_string(settings_.incrementMs);
    if (settings_.movesPerControl > 0)
      words +=
          " movestogo " + std::to_string(settings_.movesPerControl - ownMoves_[moverSide] % settings_.movesPerControl);
    return words;
  }

  // How long the mover may take before it counts as hung.
  int64_t patience(int side) const {
    if (depth(side) > 0) return settings_.hangMs + 60000;
    if (settings_.moveTimeMs > 0) return settings_.moveTimeMs + settings_.hangMs;
    return clock_[side] + settings_.hangMs;
  }

  // Takes the lines an engine has printed while it was not asked for a move:
  // a "bestmove" among them is a fault (before ponderhit or stop while it
  // ponders, an answer nobody asked for otherwise).
  static bool quietSoFar(Engine &e, int side, GameResult &fault) {
    if (!e.running()) return true;
    pollfd fd = {e.outputFd(), POLLIN, 0};
    if (poll(&fd, 1, 0) > 0 && !e.readSome()) e.markDead();
    std::string line;
    while (e.takeLine(line)) {
      if (e.config().xboard) {
        if (line.compare(0, 5, "move ") == 0) {
          fault = faultResult(side, "rules infraction", colourName(side) + std::string(" moves out of turn: ") + line,
                              "move out of turn");
          e.markDead();
          return false;
        }
        if (xboardLineEndsGame(line, side, fault)) return false;
        continue;
      }
      if (line.compare(0, 9, "bestmove ") != 0) continue;
      fault = faultResult(side, "rules infraction",
                          colourName(side) +
                              std::string(e.pondering ? " answers before ponderhit or stop: "
                                                      : " sends a bestmove nobody asked for: ") +
                              line,
                          e.pondering ? "bestmove while pondering" : "extra bestmove");
      e.markDead();
      return false;
    }
    return true;
  }

  // Gets the mover's "bestmove" line, resolving a ponder search first.
  bool askForMove(Engine &mover, Engine &other, int side, std::string &reply, int64_t &started, GameResult &fault) {
    if (!quietSoFar(mover, side, fault)) return false;
    if (mover.config().xboard) {
      startXboardTurn(mover, side);
      started = nowMs();
      return waitForBestmove(mover, other, side, reply, started + patience(side), fault);
    }
    const std::string lastMove = board_.uciMoves.empty() ? "" : board_.uciMoves.back();
    if (mover.pondering && mover.ponderMove == lastMove) {
      mover.send("ponderhit");
      mover.pondering = false;
    } else {
      if (mover.pondering) {
        // Missed: the ponder search is stopped and its answer thrown away.
        mover.send("stop");
        mover.pondering = false;
        std::string ignored;
        if (!waitForBestmove(mover, other, side, ignored, nowMs() + settings_.hangMs, fault)) return false;
      }
      mover.send(positionCommand(settings_.fen, board_.uciMoves));
      mover.send("go " + clockWords(side));
    }
    started = nowMs();
    return waitForBestmove(mover, other, side, reply, started + patience(side), fault);
  }

  // Reads the mover's output up to its "bestmove", draining the other
  // engine's output meanwhile (a pondering engine must not answer yet).
  bool waitForBestmove(Engine &mover, Engine &other, int side, std::string &reply, int64_t deadline,
                       GameResult &fault) {
    std::string line;
    for (;;) {
      if (stopRequested) {
        fault = GameResult{"*", "unterminated", "Interrupted", "interrupted", false};
        return false;
      }
      if (!quietSoFar(other, side ^ 1, fault)) return false;
      while (mover.takeLine(line)) {
        if (line.compare(0, mover.config().xboard ? 5 : 9, mover.config().xboard ? "move " : "bestmove ") == 0) {
          reply = line;
          return true;
        }
        if (mover.config().xboard && xboardLineEndsGame(line, side, fault)) return false;
      }
      if (!mover.running()) {
        fault =
            faultResult(side, "abandoned", colourName(side) + std::string(" crashed or closed its output"), "crash");
        return false;
      }
      int64_t left = deadline - nowMs();
      if (left <= 0) {
        mover.markDead();
        fault = faultResult(side, "time forfeit", colourName(side) + std::string(" does not answer (hangs)"), "hang");
        return false;
      }
      pollfd fds[2] = {{mover.outputFd(), POLLIN, 0}, {other.running() ? other.outputFd() : -1, POLLIN, 0}};
      int ready = poll(fds, 2, int(std::min<int64_t>(left, 1000)));
      if (ready < 0 && errno == EINTR) continue;
      if (fds[0].revents && !mover.readSome()) mover.markDead();
      if (fds[1].revents && !other.readSome()) other.markDead();
    }
  }

  // Ends the game: stops a ponder search still running, and restarts
  // nothing (a dead engine is restarted before the next game).
  GameResult finish(Engine *bySide[2], GameResult result) {
    for (int side = WHITE; side <= BLACK; side++) {
      Engine &e = *bySide[side];
      if (e.config().xboard && e.running()) {
        // As xboard ends a game: the result, force mode, and a ping that
        // shows the engine has taken them.
        e.send("result " + result.result + " {" + result.reason + "}");
        e.send("force");
        std::string error;
        if (!e.synchronise(error)) e.markDead();
        continue;
      }
      if (!e.running() || !e.pondering) continue;
      e.send("stop");
      e.pondering = false;
      std::string line;
      int64_t deadline = nowMs() + settings_.hangMs;
      int got;
      while ((got = e.readLine(line, deadline)) > 0 && line.compare(0, 9, "bestmove ") != 0) {
      }
      if (got <= 0) e.markDead();
    }
    return result;
  }


  const Settings &settings_;
  Engine *engines_[2];
  Engine *bySide_[2] = {nullptr, nullptr};
  Board board_;
  int64_t clock_[2] = {0, 0};
  int ownMoves_[2] = {0, 0};
};

}  // namespace selfplay
