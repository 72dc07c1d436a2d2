// The speed benchmark ("si"): four middlegame and endgame positions searched
// to fixed depths, timed, and compared with the figures of the reference
// machine.  The node counts are also a signature of the search: a change
// that only makes the engine faster keeps them.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "position/position.h"
#include "search/search.h"
#include "shell/clock.h"
#include "shell/engine_state.h"
#include "shell/new_game.h"

const SpeedIndexCase speedIndexCases[SPEED_INDEX_CASES] = {
    {"r1b2rk1/pp3ppp/2n1pn2/q1bp4/2P2B2/P1N1PN2/1PQ2PPP/R3KB1R w KQ -", 10, 8563901, 23359},
    {"r2qrb1k/1p1b2p1/p2ppn1p/8/3NP3/1BN5/PPP3QP/1K3RR1 w - -", 12, 10913874, 27708},
    {"5r1k/pb2r1bp/1p2B1p1/n7/4qNQ1/4B3/P4PPP/2RR2K1 w - -", 12, 11602712, 23979},
    {"r5k1/p4n1p/6p1/3Pp3/2p1P3/1r6/2B3PP/R4R1K b - -", 15, 8964885, 21088},
};

uint64_t searchSpeedIndexCase(int i, int depthCut, int64_t *milliseconds) {
  const SpeedIndexCase &b = speedIndexCases[i];
  newGame();
  std::snprintf(gameRecord.startFen, sizeof gameRecord.startFen, "%s", b.fen);
  setupFromFen(b.fen);
  timeControl.maxSearchDepth = b.depth - depthCut > 1 ? b.depth - depthCut : 1;
  // newGame restarts the clock: the time counts from here.
  const int64_t t0 = elapsedMs();
  timeControl.searchStartTime = t0;
  think();
  if (milliseconds) *milliseconds = elapsedMs() - t0;
  return tree.nodeCount;
}

void speedIndex() {
  const int savedFlags = shell.engineFlags;
  const int savedAnalyzeMode = shell.analyzeMode;
  shell.engineFlags &= ~FLAG_POST;
  shell.analyzeMode = 0;
  timeControl.timeIncrement = timeControl.baseTime = timeControl.movesToGo = timeControl.maxMoveTime = 0;

  uint64_t referenceNodes = 0, referenceMs = 0, nodes = 0, ms = 0;
  for (int i = 0; i < SPEED_INDEX_CASES; i++) {
    const SpeedIndexCase &b = speedIndexCases[i];
    int64_t taken = 0;
    searchSpeedIndexCase(i, 0, &taken);
    std::printf("Position %d ->  Time: %" PRId64 "ms, Nodes: %" PRIu64 "\n", i + 1, taken, tree.nodeCount);
    std::fflush(stdout);
    referenceNodes += b.referenceNodes;
    referenceMs += b.referenceMs;
    nodes += tree.nodeCount;
    ms += uint64_t(taken > 0 ? taken : 0);
  }

  // Thousands of nodes per second (nodes per millisecond).
  const float referenceSpeed = float(referenceNodes) / float(referenceMs);
  const float speed = ms > 0 ? float(nodes) / float(ms) : 0.0f;
  std::printf("\nAvg KNPS on P4 1.7GHz is %.3f  ,  Avg KNPS for this machine is %.3f\n", referenceSpeed, speed);
  std::printf("\n*** Speed Index is %.3f ***\n", speed / referenceSpeed);
  std::fflush(stdout);

  shell.engineFlags = savedFlags;
  shell.analyzeMode = savedAnalyzeMode;
}
