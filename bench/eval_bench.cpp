// Evaluation speed: evaluations per second over a fixed set of positions,
// once with the pawn-structure cache warm (every structure already scored)
// and once cold (the position's cache entry wiped before every call, so the
// pawn structure and the king shelters are scored each time).  The checksum
// of all scores changes only when the evaluation does.
//
// Usage: vorn-eval-bench [calls per position]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "evaluation/evaluation.h"
#include "evaluation/piece_square.h"
#include "shell/new_game.h"

namespace {

const char *const positions[] = {
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
constexpr int POSITION_COUNT = sizeof positions / sizeof positions[0];

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Wipes the cache entry of the current position, as a clear would.
void forgetPawnStructure() {
  PawnHashEntry &entry = pawnHashSlot(pawnHashKey(currentEvalParams()));
  std::memset(&entry, 0xFF, sizeof entry);
}

}  // namespace

int main(int argc, char **argv) {
  long calls = argc > 1 ? std::atol(argv[1]) : 200000;
  if (calls < 1) calls = 1;
  initBoardTables();
  if (!allocateHashTables()) {
    std::printf("ERROR (not enough memory): eval-bench\n");
    return 1;
  }
  clearHashTables();
  buildPieceSquareTables();

  for (int cold = 0; cold < 2; cold++) {
    double seconds = 0;
    long long checksum = 0;
    for (const char *fen : positions) {
      if (setupFromFen(fen) != FEN_OK) {
        std::printf("ERROR (bad position): %s\n", fen);
        return 1;
      }
      checksum += evaluate(-10000, 10000);  // fills the entry for the warm run
      auto start = std::chrono::steady_clock::now();
      if (cold) {
        for (long i = 0; i < calls; i++) {
          forgetPawnStructure();
          checksum += evaluate(-10000, 10000);
        }
      } else {
        for (long i = 0; i < calls; i++) checksum += evaluate(-10000, 10000);
      }
      seconds += secondsSince(start);
    }
    double total = double(calls) * POSITION_COUNT;
    std::printf("%s cache: %.0f evaluations in %.3f s, %.0f per second (checksum %lld)\n", cold ? "cold" : "warm",
                total, seconds, seconds > 0 ? total / seconds : 0.0, checksum);
  }
  freeHashTables();
  return 0;
}
