// vorn-self-play: plays games between two engines, UCI or xboard, and
// referees them.
//
//   vorn-self-play [ENGINE SETTINGS] --engine CMD [--name NAME] [--option NAME=VALUE]... [ENGINE SETTINGS]
//                  [--engine CMD [--name NAME] [--option NAME=VALUE]... [ENGINE SETTINGS]]
//                  [--games N] [--tc [MOVES/]BASE[+INC] | --movetime MS]
//                  [--random-plies N | --openings FILE] [--seed S] [--fen FEN]
//                  [--max-plies N] [--margin MS] [--hang-ms MS]
//                  [--pgn FILE] [--log FILE] [--quiet]
//   ENGINE SETTINGS: [--xboard] [--depth N] [--ponder]
//
// Each engine is a shell command line ("./build/release/vorn",
// "/usr/games/stockfish"); with one --engine the engine plays itself.  The
// engine settings given before the first --engine apply to both engines,
// those after an --engine to that engine only: --xboard speaks the xboard
// protocol to it (UCI otherwise), --depth limits it to that depth (the
// other keeps the clock), --ponder lets it think on the opponent's time
// (UCI: "go ponder" on its predicted reply; xboard: "hard").
//
// Games are played in pairs with the colours exchanged, each pair from the
// same random opening (--random-plies, default 4) or from the next line of
// an openings file (--openings: one line of moves per pair, coordinates or
// algebraic, "e2e4 e7e5" or "1. e4 e5 2. Nf3"; the lines are used in turn
// and again from the first when the games outnumber them).  The referee
// checks every move against this engine's own move generator and keeps the
// clocks: an illegal move, a crash, a hang, a "bestmove" sent while
// pondering, a move out of turn, a false result claim, a refused legal move
// or a clock that runs out loses the game, and the reason is recorded.  Mate,
// stalemate, threefold repetition, the fifty-move rule and insufficient
// material end a game as the rules say, and so does an xboard "resign";
// --max-plies adjudicates a draw.  The games are written as PGN with a
// Termination tag (--pgn, default self-play.pgn).  With --quiet, progress
// goes to the error output; Ctrl-C ends the running game as unterminated,
// writes it and the summary, and stops.
//
// The exit code is 0 when every game ended by the rules, 1 when a game ended
// by an engine fault, 2 for a usage error, 130 when interrupted.
#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "evaluation/piece_square.h"
#include "search/move_ordering.h"
#include "self_play/engine_process.h"
#include "self_play/match.h"
#include "self_play/openings.h"
#include "self_play/pgn.h"
#include "shell/new_game.h"

using namespace selfplay;

namespace {

int usage(const char *problem) {
  if (problem) std::fprintf(stderr, "vorn-self-play: %s\n", problem);
  std::fprintf(stderr,
               "usage: vorn-self-play [SETTINGS] --engine CMD [--name NAME] [--option NAME=VALUE]... [SETTINGS]\n"
               "                      [--engine CMD [--name NAME] [--option NAME=VALUE]... [SETTINGS]]\n"
               "                      [--games N] [--tc [MOVES/]BASE[+INC] | --movetime MS]\n"
               "                      [--random-plies N | --openings FILE] [--seed S] [--fen FEN]\n"
               "                      [--max-plies N] [--margin MS] [--hang-ms MS]\n"
               "                      [--pgn FILE] [--log FILE] [--quiet]\n"
               "SETTINGS: [--xboard] [--depth N] [--ponder]: before the first --engine for both\n"
               "engines, after an --engine for that engine only.  Times of --tc are in seconds\n"
               "(\"1+0.05\", \"40/60\").  An openings file holds one line of moves per pair of\n"
               "games (\"e2e4 e7e5\" or \"1. e4 e5\").\n");
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

void requestStop(int) { stopRequested = 1; }

int main(int argc, char **argv) {
  signal(SIGPIPE, SIG_IGN);
  struct sigaction stop = {};
  stop.sa_handler = requestStop;
  sigaction(SIGINT, &stop, nullptr);
  sigaction(SIGTERM, &stop, nullptr);
  Settings settings;
  std::vector<EngineConfig> configs;
  std::string logPath;
  for (int i = 1; i < argc; i++) {
    std::string arg = argv[i];
    auto value = [&]() -> const char * { return i + 1 < argc ? argv[++i] : nullptr; };
    const char *v = nullptr;
    if (arg == "--ponder") {
      if (configs.empty())
        settings.ponder = true;
      else
        configs.back().ponder = 1;
    } else if (arg == "--xboard") {
      if (configs.empty())
        settings.xboard = true;
      else
        configs.back().xboard = true;
    } else if (arg == "--quiet") {
      settings.quiet = true;
    } else if (!(v = value())) {
      return usage(("missing value after " + arg).c_str());
    } else if (arg == "--engine") {
      configs.push_back(EngineConfig{v, "", {}, settings.xboard});
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
      const int depth = std::atoi(v);
      if (depth < 1) return usage("--depth must be at least 1");
      if (configs.empty()) {
        settings.depth = depth;
        settings.tcText = "-";
      } else {
        configs.back().depth = depth;
      }
    } else if (arg == "--movetime") {
      settings.moveTimeMs = std::atoll(v);
      settings.tcText = "?";
    } else if (arg == "--random-plies") {
      settings.randomPlies = std::max(0, std::atoi(v));
    } else if (arg == "--openings") {
      settings.openingsPath = v;
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
  // "--engine A --engine B --depth 6" holds B alone to depth 6; say so, in
  // case both were meant.
  if ((configs[0].depth > 0) != (configs[1].depth > 0))
    std::fprintf(stderr,
                 "vorn-self-play: note: only engine %d has a depth limit (--depth after an --engine applies to "
                 "that engine; before the first --engine to both)\n",
                 configs[0].depth > 0 ? 1 : 2);
  if (settings.games < 1) return usage("--games must be at least 1");

  initBoardTables();
  buildPieceSquareTables();
  clearMoveOrdering();
  {
    Board check;
    if (!check.setUp(settings.fen)) return usage("the FEN is not a playable position");
  }
  std::vector<std::vector<std::string>> openings;
  if (!settings.openingsPath.empty()) {
    std::string error;
    if (!readOpenings(settings.openingsPath, settings, openings, error)) return usage(error.c_str());
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
    if (game % 2 == 0)
      opening = openings.empty() ? randomOpening(settings, settings.seed + uint32_t(game / 2))
                                 : openings[size_t(game / 2) % openings.size()];
    bool firstIsWhite = game % 2 == 0;
    GameResult result = match.play(firstIsWhite, opening);
    const std::string white = (firstIsWhite ? first : second).name();
    const std::string black = (firstIsWhite ? second : first).name();
    writePgn(pgn, settings, game + 1, white, black, match.board(), result);
    kinds[result.kind]++;
    if (result.fault) faults++;
    if (result.result == "*")
      ;  // interrupted: no result
    else if (result.result == "1/2-1/2")
      draws++;
    else if ((result.result == "1-0") == firstIsWhite)
      wins++;
    else
      losses++;
    if (!settings.quiet || result.fault)
      std::printf("Game %d/%d: %s - %s %s {%s} %zu plies\n", game + 1, settings.games, white.c_str(), black.c_str(),
                  result.result.c_str(), result.reason.c_str(), match.board().sanMoves.size());
    else
      std::fprintf(stderr, "\rgame %d/%d: +%d -%d =%d", game + 1, settings.games, wins, losses, draws);
    std::fflush(stdout);
    if (stopRequested) break;
  }
  if (settings.quiet) std::fprintf(stderr, "\n");
  std::fclose(pgn);

  int played = wins + losses + draws;
  std::printf("Score of %s vs %s: %d - %d - %d  [%.3f] %d\n", first.name().c_str(), second.name().c_str(), wins, losses,
              draws, played ? (wins + draws / 2.0) / played : 0.0, played);
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
  // The engines are told to quit while the log is still open: their
  // destructors would otherwise write to a closed log.
  first.terminate();
  second.terminate();
  if (logFile) std::fclose(logFile);
  logFile = nullptr;
  if (stopRequested) {
    std::printf("Interrupted\n");
    return 130;
  }
  return faults ? 1 : 0;
}
