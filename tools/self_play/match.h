// The game driver: plays one game between two engine processes, keeps the
// clocks, resolves ponder searches and ends the game by the rules or by an
// engine's fault.
#pragma once

#include <algorithm>
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
  bool ponder = false;
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
    for (int side = WHITE; side <= BLACK; side++) {
      Engine &e = *bySide[side];
      std::string error;
      if (!e.running() && !e.start(error))
        return faultResult(side, "abandoned", colourName(side) + std::string(" does not start: ") + error,
                           "start failure");
      e.send("ucinewgame");
      e.pondering = false;
      if (!e.synchronise(error)) {
        e.markDead();
        return faultResult(side, "abandoned", colourName(side) + std::string(": ") + error, "no readyok");
      }
    }
    board_.setUp(settings_.fen);
    for (const std::string &text : opening) board_.play(board_.findText(text));
    clock_[WHITE] = clock_[BLACK] = settings_.baseMs;
    ownMoves_[WHITE] = ownMoves_[BLACK] = 0;

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
      // The move must be legal here.
      std::vector<std::string> words = splitWords(reply);
      std::string moveText = words.size() >= 2 ? words[1] : "";
      Move move = board_.find(moveText);
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
      // The predicted reply: the engine ponders on it while the opponent thinks.
      std::string predicted = words.size() >= 4 && words[2] == "ponder" ? words[3] : "";
      if (settings_.ponder && !predicted.empty() && board_.find(predicted) && !gameOverAfter(predicted)) {
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
      if (!quietSoFar(other, side ^ 1, fault)) return false;
      while (mover.takeLine(line)) {
        if (line.compare(0, 9, "bestmove ") == 0) {
          reply = line;
          return true;
        }
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
