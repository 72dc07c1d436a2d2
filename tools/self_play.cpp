// vorn-self-play: plays games between two UCI engines and referees them.
//
//   vorn-self-play --engine CMD [--name NAME] [--option NAME=VALUE]...
//                  [--engine CMD [--name NAME] [--option NAME=VALUE]...]
//                  [--games N] [--tc [MOVES/]BASE[+INC] | --depth N | --movetime MS]
//                  [--ponder] [--random-plies N] [--seed S] [--fen FEN]
//                  [--max-plies N] [--margin MS] [--hang-ms MS]
//                  [--pgn FILE] [--log FILE] [--quiet]
//
// Each engine is a shell command line ("./build/release/vorn",
// "/usr/games/stockfish"); with one --engine the engine plays itself.  Games
// are played in pairs with the colours exchanged, each pair from the same
// random opening (--random-plies, default 4).  The referee checks every move
// against this engine's own move generator and keeps the clocks: an illegal
// move, a crash, a hang, a "bestmove" sent while pondering, or a clock that
// runs out loses the game, and the reason is recorded.  Mate, stalemate,
// threefold repetition, the fifty-move rule and insufficient material end a
// game as the rules say; --max-plies adjudicates a draw.  The games are
// written as PGN with a Termination tag (--pgn, default self-play.pgn).
//
// The exit code is 0 when every game ended by the rules, 1 when a game ended
// by an engine fault, 2 for a usage error.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "evaluation/piece_square.h"
#include "position/make_move.h"
#include "position/move_generation.h"
#include "position/move_text.h"
#include "position/position.h"
#include "search/move_ordering.h"
#include "shell/game_end.h"
#include "shell/new_game.h"

namespace {

int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

FILE *logFile = nullptr;
int64_t logStart = 0;

void logLine(const std::string &who, const char *direction, const std::string &line) {
  if (!logFile) return;
  std::fprintf(logFile, "%8lld %s %s %s\n", static_cast<long long>(nowMs() - logStart), who.c_str(), direction,
               line.c_str());
}

// ---------------------------------------------------------------------------
// An engine process talking UCI over two pipes.

struct EngineConfig {
  std::string command;
  std::string name;
  std::vector<std::pair<std::string, std::string>> options;
};

class Engine {
 public:
  explicit Engine(const EngineConfig &config, int index) : config_(config), tag_("[" + std::to_string(index) + "]") {}
  ~Engine() { terminate(); }

  const std::string &name() const { return name_; }
  bool running() const { return pid_ > 0 && !dead_; }

  // Starts the process and runs the handshake: "uci" ... "uciok", the
  // options, "isready" ... "readyok".  Returns false with a reason.
  bool start(std::string &error) {
    terminate();
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
      error = "cannot create pipes";
      return false;
    }
    pid_ = fork();
    if (pid_ < 0) {
      for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
      error = "cannot start the process";
      return false;
    }
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      std::string exec = "exec " + config_.command;
      execl("/bin/sh", "sh", "-c", exec.c_str(), static_cast<char *>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toEngine_ = in[1];
    fromEngine_ = out[0];
    dead_ = false;
    buffer_.clear();
    pondering = false;
    handshakeDone_ = false;
    name_ = config_.name;
    send("uci");
    std::string line;
    for (;;) {
      int got = readLine(line, nowMs() + 10000);
      if (got <= 0) {
        error = got == 0 ? "no uciok within 10 s" : "ended during the handshake";
        return false;
      }
      if (line == "uciok") break;
      if (line.compare(0, 8, "id name ") == 0 && config_.name.empty()) name_ = line.substr(8);
    }
    if (name_.empty()) name_ = config_.command;
    handshakeDone_ = true;
    for (const auto &option : config_.options) send("setoption name " + option.first + " value " + option.second);
    return synchronise(error);
  }

  // "isready" and its "readyok", ignoring what else arrives meanwhile.
  bool synchronise(std::string &error) {
    send("isready");
    std::string line;
    for (;;) {
      int got = readLine(line, nowMs() + 10000);
      if (got <= 0) {
        error = got == 0 ? "no readyok within 10 s" : "ended before readyok";
        return false;
      }
      if (line == "readyok") return true;
    }
  }

  void send(const std::string &line) {
    logLine(tag_, ">", line);
    std::string text = line + "\n";
    size_t done = 0;
    while (done < text.size() && !dead_) {
      ssize_t n = write(toEngine_, text.data() + done, text.size() - done);
      if (n <= 0) {
        if (n < 0 && errno == EINTR) continue;
        dead_ = true;
        return;
      }
      done += size_t(n);
    }
  }

  // The next complete line: 1, or 0 when the deadline passed, -1 when the
  // engine closed its output.
  int readLine(std::string &line, int64_t deadline) {
    for (;;) {
      if (takeLine(line)) return 1;
      if (dead_) return -1;
      int64_t left = deadline - nowMs();
      if (left <= 0) return 0;
      pollfd fd = {fromEngine_, POLLIN, 0};
      int ready = poll(&fd, 1, int(std::min<int64_t>(left, 1000)));
      if (ready < 0 && errno == EINTR) continue;
      if (ready > 0 && !readSome()) dead_ = true;
    }
  }
  // A line if one is already complete in the buffer.
  bool takeLine(std::string &line) {
    size_t end = buffer_.find('\n');
    if (end == std::string::npos) return false;
    line = buffer_.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    buffer_.erase(0, end + 1);
    logLine(tag_, "<", line);
    noteLine(line);
    return true;
  }
  // Reads what is waiting without blocking; false at the end of output.
  bool readSome() {
    char chunk[65536];
    ssize_t n = read(fromEngine_, chunk, sizeof chunk);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
    if (n <= 0) return false;
    buffer_.append(chunk, size_t(n));
    return true;
  }
  int outputFd() const { return fromEngine_; }
  void markDead() { dead_ = true; }

  // Ends the process: "quit", a moment's grace, then SIGKILL.
  void terminate() {
    if (pid_ <= 0) return;
    if (!dead_) send("quit");
    if (toEngine_ >= 0) close(toEngine_);
    toEngine_ = -1;
    int status;
    bool ended = false;
    for (int i = 0; i < 50 && !ended; i++) {
      if (waitpid(pid_, &status, WNOHANG) == pid_)
        ended = true;
      else
        usleep(20000);
    }
    if (!ended) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
    if (fromEngine_ >= 0) close(fromEngine_);
    fromEngine_ = -1;
    pid_ = -1;
  }

  // Bookkeeping of what the engine printed.
  bool pondering = false;
  std::string ponderMove;
  int64_t lowestClockLeft = INT64_MAX;
  int64_t longestThink = 0;
  int nonUciLines = 0;
  std::string firstNonUciLine;

 private:
  // Counts the lines after the handshake that are no UCI message (a strict
  // interface might reject them).
  void noteLine(const std::string &line) {
    if (!handshakeDone_) return;
    static const char *known[] = {"id ",          "uciok", "readyok", "bestmove ", "copyprotection",
                                  "registration", "info",  "option "};
    for (const char *k : known)
      if (line.compare(0, std::strlen(k), k) == 0) return;
    if (line.empty()) return;
    if (nonUciLines++ == 0) firstNonUciLine = line;
  }

  EngineConfig config_;
  std::string tag_;
  std::string name_;
  pid_t pid_ = -1;
  int toEngine_ = -1, fromEngine_ = -1;
  bool dead_ = true;
  bool handshakeDone_ = false;
  std::string buffer_;
};

// ---------------------------------------------------------------------------
// The referee's board: this engine's position with the keys of the game.

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

// ---------------------------------------------------------------------------
// Games.

struct Settings {
  int games = 2;
  int64_t baseMs = 10000, incrementMs = 100;
  int movesPerControl = 0;
  int depth = 0;
  int64_t moveTimeMs = 0;
  bool ponder = false;
  int randomPlies = 4;
  uint32_t seed = 1;
  std::string fen;
  int maxPlies = 700;
  int64_t marginMs = 0;
  int64_t hangMs = 5000;
  std::string pgnPath = "self-play.pgn";
  bool quiet = false;
  std::string tcText = "10+0.1";
};

struct GameResult {
  std::string result;       // "1-0", "0-1", "1/2-1/2"
  std::string termination;  // the PGN Termination tag: "normal", "time forfeit", ...
  std::string reason;       // the comment at the end of the moves
  std::string kind;         // for the summary: "checkmate", "illegal move", ...
  bool fault = false;       // ended by an engine's fault, not by the rules
};

GameResult ruleResult(const char *result, const char *reason, const char *kind) {
  return GameResult{result, "normal", reason, kind, false};
}

// The game lost by `side` through an engine fault.
GameResult faultResult(int side, const std::string &termination, const std::string &reason, const std::string &kind) {
  return GameResult{side == WHITE ? "0-1" : "1-0", termination, reason, kind, true};
}

const char *colourName(int side) { return side == WHITE ? "White" : "Black"; }

// Whether the game has ended by the rules after the last move.
bool gameEnded(Board &board, const Settings &settings, GameResult &result) {
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
  if (int(board.uciMoves.size()) >= settings.maxPlies) {
    result =
        GameResult{"1/2-1/2", "adjudication", "Draw by adjudication: maximum game length", "maximum length", false};
    return true;
  }
  return false;
}

std::string positionCommand(const std::string &fen, const std::vector<std::string> &moves) {
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
    Engine *bySide[2] = {firstIsWhite ? engines_[0] : engines_[1], firstIsWhite ? engines_[1] : engines_[0]};
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
    for (const std::string &text : opening) board_.play(board_.find(text));
    clock_[WHITE] = clock_[BLACK] = settings_.baseMs;
    ownMoves_[WHITE] = ownMoves_[BLACK] = 0;

    GameResult result;
    while (!gameEnded(board_, settings_, result)) {
      const int side = pos.sideToMove;
      Engine &mover = *bySide[side];
      Engine &other = *bySide[side ^ 1];
      std::string reply;
      int64_t started;
      GameResult fault;
      if (!askForMove(mover, other, side, reply, started, fault)) return finish(bySide, fault);
      int64_t used = nowMs() - started;
      mover.longestThink = std::max(mover.longestThink, used);
      if (timed()) {
        if (used > clock_[side] + settings_.marginMs)
          return finish(bySide, faultResult(side, "time forfeit",
                                            colourName(side) + std::string(" loses on time (") + std::to_string(used) +
                                                " ms used, " + std::to_string(clock_[side]) + " ms left)",
                                            "time forfeit"));
      }
      // The move must be legal here.
      std::vector<std::string> words = split(reply);
      std::string moveText = words.size() >= 2 ? words[1] : "";
      Move move = board_.find(moveText);
      if (!move)
        return finish(bySide,
                      faultResult(side, "rules infraction",
                                  colourName(side) + std::string(" plays an illegal move: ") + reply, "illegal move"));
      if (timed()) {
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
  bool timed() const { return settings_.depth == 0 && settings_.moveTimeMs == 0; }

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
    if (settings_.depth > 0) return "depth " + std::to_string(settings_.depth);
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
    if (settings_.depth > 0) return settings_.hangMs + 60000;
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

  static std::vector<std::string> split(const std::string &text) {
    std::vector<std::string> words;
    size_t at = 0;
    while ((at = text.find_first_not_of(" \t", at)) != std::string::npos) {
      size_t end = text.find_first_of(" \t", at);
      words.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
      at = end;
    }
    return words;
  }

  const Settings &settings_;
  Engine *engines_[2];
  Board board_;
  int64_t clock_[2] = {0, 0};
  int ownMoves_[2] = {0, 0};
};

// A random opening of `plies` legal moves that does not end the game.
std::vector<std::string> randomOpening(const Settings &settings, uint32_t seed) {
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
    if (!gameEnded(board, settings, ignored)) return moves;
  }
  return {};
}

// ---------------------------------------------------------------------------
// PGN.

std::string pgnDate() {
  std::time_t now = std::time(nullptr);
  char text[16];
  std::strftime(text, sizeof text, "%Y.%m.%d", std::localtime(&now));
  return text;
}

std::string pgnText(const std::string &text) {
  std::string quoted;
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted;
}

void writePgn(FILE *file, const Settings &settings, int round, const std::string &white, const std::string &black,
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

// ---------------------------------------------------------------------------
// The command line.

int usage(const char *problem) {
  if (problem) std::fprintf(stderr, "vorn-self-play: %s\n", problem);
  std::fprintf(stderr,
               "usage: vorn-self-play --engine CMD [--name NAME] [--option NAME=VALUE]...\n"
               "                      [--engine CMD [--name NAME] [--option NAME=VALUE]...]\n"
               "                      [--games N] [--tc [MOVES/]BASE[+INC] | --depth N | --movetime MS]\n"
               "                      [--ponder] [--random-plies N] [--seed S] [--fen FEN]\n"
               "                      [--max-plies N] [--margin MS] [--hang-ms MS]\n"
               "                      [--pgn FILE] [--log FILE] [--quiet]\n"
               "Times of --tc are in seconds (\"1+0.05\", \"40/60\").\n");
  return 2;
}

// "[MOVES/]BASE[+INC]" in seconds.
bool parseTimeControl(const std::string &text, Settings &settings) {
  std::string rest = text;
  size_t slash = rest.find('/');
  if (slash != std::string::npos) {
    settings.movesPerControl = std::atoi(rest.substr(0, slash).c_str());
    if (settings.movesPerControl <= 0) return false;
    rest = rest.substr(slash + 1);
  }
  size_t plus = rest.find('+');
  const std::string baseText = rest.substr(0, plus);
  const std::string incrementText = plus == std::string::npos ? "0" : rest.substr(plus + 1);
  char *end;
  double base = std::strtod(baseText.c_str(), &end);
  if (*end || base <= 0) return false;
  double increment = std::strtod(incrementText.c_str(), &end);
  if (*end || increment < 0) return false;
  settings.baseMs = int64_t(base * 1000 + 0.5);
  settings.incrementMs = int64_t(increment * 1000 + 0.5);
  settings.tcText = text;
  return true;
}

}  // namespace

int main(int argc, char **argv) {
  signal(SIGPIPE, SIG_IGN);
  Settings settings;
  std::vector<EngineConfig> configs;
  std::string logPath;
  for (int i = 1; i < argc; i++) {
    std::string arg = argv[i];
    auto value = [&]() -> const char * { return i + 1 < argc ? argv[++i] : nullptr; };
    const char *v = nullptr;
    if (arg == "--ponder") {
      settings.ponder = true;
    } else if (arg == "--quiet") {
      settings.quiet = true;
    } else if (!(v = value())) {
      return usage(("missing value after " + arg).c_str());
    } else if (arg == "--engine") {
      configs.push_back(EngineConfig{v, "", {}});
    } else if (arg == "--name" || arg == "--option") {
      if (configs.empty()) return usage((arg + " before --engine").c_str());
      if (arg == "--name") {
        configs.back().name = v;
      } else {
        std::string option = v;
        size_t eq = option.find('=');
        if (eq == std::string::npos) return usage("--option needs NAME=VALUE");
        configs.back().options.emplace_back(option.substr(0, eq), option.substr(eq + 1));
      }
    } else if (arg == "--games") {
      settings.games = std::atoi(v);
    } else if (arg == "--tc") {
      if (!parseTimeControl(v, settings)) return usage("bad time control");
    } else if (arg == "--depth") {
      settings.depth = std::atoi(v);
      settings.tcText = "-";
    } else if (arg == "--movetime") {
      settings.moveTimeMs = std::atoll(v);
      settings.tcText = "?";
    } else if (arg == "--random-plies") {
      settings.randomPlies = std::max(0, std::atoi(v));
    } else if (arg == "--seed") {
      settings.seed = uint32_t(std::strtoul(v, nullptr, 10));
    } else if (arg == "--fen") {
      settings.fen = v;
    } else if (arg == "--max-plies") {
      settings.maxPlies = std::clamp(std::atoi(v), 1, 780);
    } else if (arg == "--margin") {
      settings.marginMs = std::max(0LL, std::atoll(v));
    } else if (arg == "--hang-ms") {
      settings.hangMs = std::max(100LL, std::atoll(v));
    } else if (arg == "--pgn") {
      settings.pgnPath = v;
    } else if (arg == "--log") {
      logPath = v;
    } else {
      return usage(("unknown argument " + arg).c_str());
    }
  }
  if (configs.empty()) return usage("no engine given");
  if (configs.size() > 2) return usage("at most two engines");
  if (configs.size() == 1) configs.push_back(configs[0]);
  if (settings.games < 1) return usage("--games must be at least 1");

  initBoardTables();
  buildPieceSquareTables();
  clearMoveOrdering();
  {
    Board check;
    if (!check.setUp(settings.fen)) return usage("the FEN is not a playable position");
  }
  if (!logPath.empty()) {
    logFile = std::fopen(logPath.c_str(), "w");
    if (!logFile) return usage("cannot write the log file");
    logStart = nowMs();
  }
  FILE *pgn = std::fopen(settings.pgnPath.c_str(), "a");
  if (!pgn) return usage("cannot write the PGN file");

  Engine first(configs[0], 1), second(configs[1], 2);
  Match match(settings, first, second);
  int wins = 0, losses = 0, draws = 0, faults = 0;  // from the first engine's side
  std::map<std::string, int> kinds;
  std::vector<std::string> opening;
  for (int game = 0; game < settings.games; game++) {
    if (game % 2 == 0) opening = randomOpening(settings, settings.seed + uint32_t(game / 2));
    bool firstIsWhite = game % 2 == 0;
    GameResult result = match.play(firstIsWhite, opening);
    const std::string white = (firstIsWhite ? first : second).name();
    const std::string black = (firstIsWhite ? second : first).name();
    writePgn(pgn, settings, game + 1, white, black, match.board(), result);
    kinds[result.kind]++;
    if (result.fault) faults++;
    if (result.result == "1/2-1/2")
      draws++;
    else if ((result.result == "1-0") == firstIsWhite)
      wins++;
    else
      losses++;
    if (!settings.quiet || result.fault)
      std::printf("Game %d/%d: %s - %s %s {%s} %zu plies\n", game + 1, settings.games, white.c_str(), black.c_str(),
                  result.result.c_str(), result.reason.c_str(), match.board().sanMoves.size());
    std::fflush(stdout);
  }
  std::fclose(pgn);

  int played = wins + losses + draws;
  std::printf("Score of %s vs %s: %d - %d - %d  [%.3f] %d\n", first.name().c_str(), second.name().c_str(), wins, losses,
              draws, (wins + draws / 2.0) / played, played);
  std::printf("Terminations:");
  for (const auto &k : kinds) std::printf(" %s %d;", k.first.c_str(), k.second);
  std::printf("\nFaults: %d\n", faults);
  for (Engine *e : {&first, &second}) {
    if (e->lowestClockLeft != INT64_MAX)
      std::printf("%s: lowest clock after a move %lld ms, longest move %lld ms\n", e->name().c_str(),
                  static_cast<long long>(e->lowestClockLeft), static_cast<long long>(e->longestThink));
    if (e->nonUciLines)
      std::printf("%s: %d lines outside UCI, the first: %s\n", e->name().c_str(), e->nonUciLines,
                  e->firstNonUciLine.c_str());
  }
  if (logFile) std::fclose(logFile);
  return faults ? 1 : 0;
}
