// The engine's speed in one run, so that two builds can be compared side by
// side: the "si" searches (nodes per second, and their node total, which a
// speed-only change keeps), perft leaves per second, evaluations per second
// with the pawn-structure cache warm and cold, the time from starting the
// engine to "uciok" and its resident memory, and the nodes per second of
// Debian's glaurung and stockfish on the "si" positions (a fixed-time search
// each, one thread, 16 MB hash) for a ratio that does not depend on the
// machine.
//
// Usage: vorn-bench [PART [ARG]]
//   (none)          every part below with its default
//   si [CUT]        the "si" searches, each CUT plies shallower (default 0)
//   perft [DEPTH]   perft from the start position (default 6)
//   eval [CALLS]    evaluations, CALLS per position (default 200000)
//   startup [RUNS]  start-up time and memory of the engine (default 20 runs)
//   oracles [MS]    glaurung and stockfish, MS per position (default 4000)
// The engine is the `vorn` next to this program's directory; VORN_ENGINE
// names another one.
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
#include <string>
#include <vector>

#include "evaluation/evaluation.h"
#include "evaluation/piece_square.h"
#include "position/perft.h"
#include "search/hash_tables.h"
#include "search/search.h"
#include "shell/engine_state.h"
#include "shell/input.h"
#include "shell/new_game.h"
#include "shell/startup.h"

namespace {

constexpr uint64_t SI_NODE_TOTAL = 19403381;
constexpr uint64_t PERFT_START[7] = {1, 20, 400, 8902, 197281, 4865609, 119060324};

using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Nodes per second of the last "si" run, for the oracles' ratio.
double siNodesPerSecond = 0;

int benchSpeedIndex(int cut) {
  shell.engineFlags &= ~FLAG_POST;
  shell.analyzeMode = 0;
  timeControl.timeIncrement = timeControl.baseTime = timeControl.movesToGo = timeControl.maxMoveTime = 0;
  uint64_t total = 0;
  double seconds = 0;
  for (int i = 0; i < SPEED_INDEX_CASES; i++) {
    const auto start = Clock::now();
    const uint64_t nodes = searchSpeedIndexCase(i, cut);
    const double taken = secondsSince(start);
    std::printf("si position %d: %10llu nodes %7.3f s %6.2f M nodes/s\n", i + 1, (unsigned long long)nodes, taken,
                taken > 0 ? nodes / taken / 1e6 : 0.0);
    total += nodes;
    seconds += taken;
  }
  siNodesPerSecond = seconds > 0 ? total / seconds : 0;
  std::printf("si: %llu nodes in %.3f s, %.2f M nodes/s", (unsigned long long)total, seconds, siNodesPerSecond / 1e6);
  if (cut == 0)
    std::printf(", speed index %.2f, node total %s\n", siNodesPerSecond / 416558.0,
                total == SI_NODE_TOTAL ? "unchanged" : "CHANGED (expected 19403381)");
  else
    std::printf(" (depths cut by %d)\n", cut);
  return cut == 0 && total != SI_NODE_TOTAL;
}

int benchPerft(int depth) {
  setupFromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
  const auto start = Clock::now();
  const uint64_t leaves = perft(depth);
  const double seconds = secondsSince(start);
  const bool known = depth >= 0 && depth <= 6;
  std::printf("perft start position depth %d: %llu leaves in %.3f s, %.2f M leaves/s%s\n", depth,
              (unsigned long long)leaves, seconds, seconds > 0 ? leaves / seconds / 1e6 : 0.0,
              !known ? "" : leaves == PERFT_START[depth] ? ", count exact" : ", count WRONG");
  return known && leaves != PERFT_START[depth];
}

// Evaluation positions: openings, middlegames and endings.
const char *const evalPositions[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP1B1PPP/R2QKB1R w KQ -",
    "r2q1rk1/1b1nbppp/p2ppn2/1p6/3NP3/1BN1BP2/PPPQ2PP/2KR3R b - -",
    "2rq1rk1/pp1bppbp/3p1np1/4n3/3NP3/1BN1BP2/PPPQ2PP/2KR3R w - -",
    "r1b2rk1/2q1bppp/p2ppn2/1p6/3NP3/1BN1B3/PPP1QPPP/R4RK1 w - -",
    "3r1rk1/pp3ppp/2n1b3/q1pp4/8/P1PBPN2/2Q2PPP/R4RK1 b - -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
    "6k1/5pp1/3p3p/2pP4/2P1P3/5P1P/r5P1/1R4K1 w - -",
    "8/5pk1/6p1/3P3p/1p5P/1P3KP1/8/8 b - -",
    "8/8/4kpp1/3p4/p6P/2B1P1P1/P4PK1/3b4 w - -",
    "4r1k1/5ppp/8/8/8/8/5PPP/3R2K1 w - -",
    "8/2k5/3p4/p2P1p2/P2P1P2/8/3K4/8 w - -",
    "1r3rk1/5pp1/p2p3p/2pPp3/P1P1P1n1/2N2qP1/1P3P1P/R2Q1RK1 w - -",
    "r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/3P1N2/PPP2PPP/RNBQK2R w KQkq -",
    "8/1p4kp/p5p1/3N4/1P1n4/P5P1/5PKP/8 b - -",
};

// Warm: every structure already scored.  Cold: the position's cache entry
// wiped before every call, so the pawn structure and the king shelters are
// scored each time.  The checksum changes only when the evaluation does.
int benchEvaluation(long calls) {
  for (int cold = 0; cold < 2; cold++) {
    double seconds = 0;
    long long checksum = 0, total = 0;
    for (const char *fen : evalPositions) {
      newGame();
      if (setupFromFen(fen) != FEN_OK) {
        std::printf("bad position %s\n", fen);
        return 1;
      }
      checksum += evaluate(-10000, 10000);  // fills the entry for the warm run
      PawnHashEntry &entry = pawnHashSlot(pawnHashKey(currentEvalParams()));
      const auto start = Clock::now();
      for (long i = 0; i < calls; i++) {
        if (cold) std::memset(&entry, 0, sizeof entry);
        checksum += evaluate(-10000, 10000);
      }
      seconds += secondsSince(start);
      total += calls;
    }
    std::printf("evaluation, %s pawn cache: %.2f M evaluations/s (checksum %lld)\n", cold ? "cold" : "warm",
                seconds > 0 ? total / seconds / 1e6 : 0.0, checksum);
  }
  return 0;
}

// A child process talking UCI over two pipes.
struct Engine {
  pid_t pid = -1;
  int in = -1, out = -1;  // our ends: we write to `in`, read from `out`
  std::string pending;

  bool start(const std::string &path) {
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0) return false;
    if (pipe(fromChild) != 0) {
      close(toChild[0]);
      close(toChild[1]);
      return false;
    }
    pid = fork();
    if (pid == 0) {
      dup2(toChild[0], 0);
      dup2(fromChild[1], 1);
      int null = open("/dev/null", O_WRONLY);
      if (null >= 0) dup2(null, 2);
      for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) close(fd);
      execl(path.c_str(), path.c_str(), static_cast<char *>(nullptr));
      _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    in = toChild[1];
    out = fromChild[0];
    return pid > 0;
  }

  void send(const std::string &line) {
    const std::string text = line + "\n";
    if (write(in, text.data(), text.size()) != ssize_t(text.size())) return;
  }

  // The next line, or false after timeoutMs without one or at the end of output.
  bool readLine(std::string &line, int timeoutMs) {
    const auto start = Clock::now();
    for (;;) {
      const size_t newline = pending.find('\n');
      if (newline != std::string::npos) {
        line = pending.substr(0, newline);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pending.erase(0, newline + 1);
        return true;
      }
      const int left = timeoutMs - int(secondsSince(start) * 1000);
      pollfd p = {out, POLLIN, 0};
      if (left <= 0 || poll(&p, 1, left) <= 0) return false;
      char buffer[4096];
      const ssize_t n = read(out, buffer, sizeof buffer);
      if (n <= 0) return false;
      pending.append(buffer, size_t(n));
    }
  }

  // Reads until a line starting with `prefix`; false on a timeout.
  bool waitFor(const char *prefix, int timeoutMs, std::string *last = nullptr) {
    std::string line;
    while (readLine(line, timeoutMs)) {
      if (last) *last = line;
      if (line.rfind(prefix, 0) == 0) return true;
    }
    return false;
  }

  long memoryKb(const char *field) const {
    const std::string path = "/proc/" + std::to_string(pid) + "/status";
    FILE *f = std::fopen(path.c_str(), "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    const size_t length = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
      if (!std::strncmp(line, field, length) && line[length] == ':') kb = std::atol(line + length + 1);
    std::fclose(f);
    return kb;
  }

  void stop() {
    if (pid <= 0) return;
    send("quit");
    close(in);
    int status = 0;
    for (int i = 0; i < 100 && waitpid(pid, &status, WNOHANG) == 0; i++) usleep(20000);
    if (waitpid(pid, &status, WNOHANG) == 0) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
    close(out);
    pid = -1;
  }
};

std::string enginePath(const char *argv0) {
  if (const char *named = std::getenv("VORN_ENGINE")) return named;
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string path = n > 0 ? std::string(self, size_t(n)) : std::string(argv0);
  path = path.substr(0, path.find_last_of('/') + 1);
  return path + "../vorn";
}

int benchStartup(const std::string &path, int runs) {
  std::vector<double> times;
  for (int i = 0; i < runs; i++) {
    Engine engine;
    const auto start = Clock::now();
    if (!engine.start(path)) break;
    engine.send("uci");
    const bool ok = engine.waitFor("uciok", 10000);
    const double ms = secondsSince(start) * 1000;
    engine.stop();
    if (!ok) {
      std::printf("start-up: %s gave no \"uciok\"\n", path.c_str());
      return 1;
    }
    times.push_back(ms);
  }
  if (times.empty()) return 1;
  std::sort(times.begin(), times.end());
  std::printf("start-up to \"uciok\": best %.2f ms, median %.2f ms of %zu runs\n", times.front(),
              times[times.size() / 2], times.size());

  // Memory at the defaults: after "isready", then at the end of a short search.
  Engine engine;
  if (!engine.start(path)) return 1;
  engine.send("uci");
  engine.send("isready");
  if (!engine.waitFor("readyok", 10000)) {
    engine.stop();
    return 1;
  }
  const long ready = engine.memoryKb("VmRSS");
  engine.send("position startpos");
  engine.send("go depth 9");
  const bool searched = engine.waitFor("bestmove", 60000);
  const long peak = engine.memoryKb("VmHWM");
  engine.stop();
  std::printf("resident memory at the defaults: %.1f MB when ready, peak %.1f MB after a search%s\n", ready / 1024.0,
              peak / 1024.0, searched ? "" : " (search did not finish)");
  return 0;
}

// The figure after `name` in a UCI info line, or -1.
long long infoField(const std::string &line, const char *name) {
  const std::string key = std::string(" ") + name + " ";
  const size_t at = line.find(key);
  return at == std::string::npos ? -1 : std::atoll(line.c_str() + at + key.size());
}

int benchOracles(int ms) {
  for (const char *path : {"/usr/games/glaurung", "/usr/games/stockfish"}) {
    if (access(path, X_OK) != 0) {
      std::printf("%s: not installed\n", path);
      continue;
    }
    Engine engine;
    if (!engine.start(path)) continue;
    engine.send("uci");
    bool ok = engine.waitFor("uciok", 10000);
    engine.send("setoption name Threads value 1");
    engine.send("setoption name Hash value 16");
    long long nodes = 0, time = 0;
    for (int i = 0; ok && i < SPEED_INDEX_CASES; i++) {
      engine.send("ucinewgame");
      engine.send(std::string("position fen ") + speedIndexCases[i].fen + " 0 1");
      engine.send("isready");
      ok = engine.waitFor("readyok", 10000);
      engine.send("go movetime " + std::to_string(ms));
      // The last info line that carries both figures.
      long long n = 0, t = 0;
      std::string line;
      while (ok && (ok = engine.readLine(line, ms + 10000)) && line.rfind("bestmove", 0) != 0) {
        const long long ln = infoField(line, "nodes"), lt = infoField(line, "time");
        if (ln >= 0 && lt >= 0) n = ln, t = lt;
      }
      nodes += n;
      time += t;
    }
    engine.stop();
    if (!ok || time <= 0) {
      std::printf("%s: no usable answer\n", path);
      continue;
    }
    const double nps = nodes * 1000.0 / time;
    std::printf("%s: %.2f M nodes/s on the si positions (%d ms each)", path, nps / 1e6, ms);
    if (siNodesPerSecond > 0) std::printf(", vorn at %.2f of it", siNodesPerSecond / nps);
    std::printf("\n");
  }
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  const std::string part = argc > 1 ? argv[1] : "all";
  const bool all = part == "all";
  const long arg = argc > 2 ? std::atol(argv[2]) : -1;
  if (!all && part != "si" && part != "perft" && part != "eval" && part != "startup" && part != "oracles") {
    std::fprintf(stderr, "usage: vorn-bench [si [CUT] | perft [DEPTH] | eval [CALLS] | startup [RUNS] | oracles [MS]]\n");
    return 2;
  }
  shell.engineFlags = FLAG_XBOARD;
  if (!initApp()) return 1;
  // The searches poll their input: give them a channel on which nothing
  // ever arrives, whatever standard input is.
  int quiet[2];
  if (pipe(quiet) != 0) return 1;
  setupInputFrom(quiet[0]);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  int failed = 0;
  if (all || part == "si") failed |= benchSpeedIndex(arg >= 0 ? int(arg) : 0);
  if (all || part == "perft") failed |= benchPerft(arg >= 0 ? int(arg) : 6);
  if (all || part == "eval") failed |= benchEvaluation(arg > 0 ? arg : 200000);
  if (all || part == "startup") failed |= benchStartup(enginePath(argv[0]), arg > 0 ? int(arg) : 20);
  if (all || part == "oracles") failed |= benchOracles(arg > 0 ? int(arg) : 4000);
  freeEverything();
  return failed;
}
