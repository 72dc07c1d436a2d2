// vorn-perft: counts the leaves of the legal move tree.
//
//   vorn-perft <depth> [FEN]          total count
//   vorn-perft divide <depth> [FEN]   one line per root move, then the total
//   vorn-perft divide-san <depth> [FEN]  the same with the moves in algebraic text
//   vorn-perft bench                  nodes per second on two standard positions
//
// The last line is always "Nodes searched: <n>", as Stockfish prints for
// "go perft", so the two outputs can be compared line by line.  Timing goes
// to standard error.
#include "position/perft.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "evaluation/piece_square.h"
#include "position/move_text.h"
#include "position/position.h"
#include "shell/new_game.h"

namespace {

const char *const startFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";
const char *const kiwipeteFen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -";

int usage() {
  std::fprintf(stderr,
               "usage: vorn-perft <depth> [FEN]\n"
               "       vorn-perft divide <depth> [FEN]\n"
               "       vorn-perft divide-san <depth> [FEN]\n"
               "       vorn-perft bench\n");
  return 2;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void reportSpeed(uint64_t nodes, double seconds) {
  std::fprintf(stderr, "time %.3f s, %.1f M nodes/s\n", seconds, seconds > 0 ? nodes / seconds / 1e6 : 0.0);
}

bool setUp(const std::string &fen) {
  if (setupFromFen(fen.c_str()) != FEN_OK) {
    std::fprintf(stderr, "vorn-perft: cannot set up position \"%s\"\n", fen.c_str());
    return false;
  }
  return true;
}

int runBench() {
  struct Case {
    const char *name, *fen;
    int depth;
  } cases[] = {{"start", startFen, 6}, {"kiwipete", kiwipeteFen, 5}};
  uint64_t total = 0;
  for (const Case &c : cases) {
    if (!setUp(c.fen)) return 1;
    auto start = std::chrono::steady_clock::now();
    uint64_t nodes = perft(c.depth);
    double seconds = secondsSince(start);
    std::printf("%-9s depth %d: %12llu nodes %8.3f s %7.1f M nodes/s\n", c.name, c.depth, (unsigned long long)nodes,
                seconds, seconds > 0 ? nodes / seconds / 1e6 : 0.0);
    total += nodes;
  }
  std::printf("Nodes searched: %llu\n", (unsigned long long)total);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  initBoardTables();
  buildPieceSquareTables();
  int arg = 1;
  if (arg < argc && std::strcmp(argv[arg], "bench") == 0) return runBench();
  bool divide = false, san = false;
  if (arg < argc && (std::strcmp(argv[arg], "divide") == 0 || std::strcmp(argv[arg], "divide-san") == 0)) {
    divide = true;
    san = std::strcmp(argv[arg], "divide-san") == 0;
    arg++;
  }
  if (arg >= argc) return usage();
  char *end = nullptr;
  long depth = std::strtol(argv[arg++], &end, 10);
  if (*end || depth < 1 || depth > 20) return usage();
  std::string fen;
  for (; arg < argc; arg++) fen += std::string(fen.empty() ? "" : " ") + argv[arg];
  if (!setUp(fen.empty() ? startFen : fen)) return 1;

  auto start = std::chrono::steady_clock::now();
  uint64_t total = 0;
  if (divide) {
    static PerftDivide result;
    perftDivide(int(depth), result);
    for (int i = 0; i < result.count; i++) {
      // The root position is current again after perftDivide, as moveToSan needs.
      const char *text = san ? moveToSan(result.moves[i]) : moveToUciCoordinates(result.moves[i]);
      std::printf("%s: %llu\n", text, (unsigned long long)result.nodes[i]);
      total += result.nodes[i];
    }
    std::printf("\n");
  } else {
    total = perft(int(depth));
  }
  reportSpeed(total, secondsSince(start));
  std::printf("Nodes searched: %llu\n", (unsigned long long)total);
  return 0;
}
