// vorn-tb-generate-bench [directory]: generates all 35 tables of three and
// four men (into a temporary directory unless one is given) and prints the
// wall and processor time of each, the peak memory, and what the same
// solver would need for the tables of five men at the measured rates.
#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "../tools/tb_tables.h"
#include "evaluation/piece_square.h"
#include "shell/new_game.h"

namespace {

double cpuSeconds() {
  struct rusage u;
  getrusage(RUSAGE_SELF, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long peakMegabytes() {
  struct rusage u;
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024;
}

// Smaller tables first: the order vorn-tb-generate uses.
const char *const order[] = {"knk",  "kbk",  "krk",  "kqk",  "knkn", "kbkn", "kbkb", "krkn", "krkb",
                             "krkr", "kqkn", "kqkb", "kqkr", "kqkq", "knnk", "kbnk", "kbbk", "krnk",
                             "krbk", "krrk", "kqnk", "kqbk", "kqrk", "kqqk", "kpk",  "knkp", "kbkp",
                             "krkp", "kqkp", "knpk", "kbpk", "krpk", "kqpk", "kppk", "kpkp"};

}  // namespace

int main(int argc, char **argv) {
  std::string directory;
  char scratch[] = "/tmp/vorn-tb-bench-XXXXXX";
  if (argc > 1) {
    directory = argv[1];
  } else if (mkdtemp(scratch)) {
    directory = scratch;
  } else {
    std::perror("mkdtemp");
    return 1;
  }
  initBoardTables();
  buildPieceSquareTables();
  TbBuildTables();
  auto *known = new tbsolver::KnownTables;
  double wallStart = tbsolver::seconds(), cpuStart = cpuSeconds();
  uint64_t slots = 0;
  std::printf("%-6s %10s %9s %9s\n", "table", "slots", "wall s", "cpu s");
  for (const char *name : order) {
    int id = 0;
    while (std::string(tbTableNames[id]) != name) id++;
    double wall = tbsolver::seconds(), cpu = cpuSeconds();
    if (!tbsolver::generate(directory, id, *known, true)) return 1;
    uint64_t tableSlots = tbExpectedSizes[id][0] + (tbIsSymmetric(id) ? 0 : tbExpectedSizes[id][1]);
    slots += tableSlots;
    std::printf("%-6s %10llu %9.1f %9.1f\n", name, (unsigned long long)tableSlots, tbsolver::seconds() - wall,
                cpuSeconds() - cpu);
    std::fflush(stdout);
  }
  double cpu = cpuSeconds() - cpuStart;
  std::printf("all 35: %.1f s wall, %.1f s cpu, peak memory %ld MB, %.2f M slots per cpu second\n",
              tbsolver::seconds() - wallStart, cpu, peakMegabytes(), slots / cpu / 1e6);

  // Five men at the same rate; the solver keeps about 20 bytes per slot
  // plus 8 per move (successor and predecessor lists) while it solves.
  uint64_t fiveSlots = 0, largest = 0;
  for (int id = 36; id < TB_TABLE_COUNT; id++) {
    uint64_t s = uint64_t(tbExpectedSizes[id][0]) + tbExpectedSizes[id][1];
    fiveSlots += s;
    if (s > largest) largest = s;
  }
  std::printf("five men: %.2f G slots, about %.0f cpu hours at this rate; the largest table (%.2f G slots) "
              "would need about %.0f GB with this solver\n",
              fiveSlots / 1e9, fiveSlots / (slots / cpu) / 3600, largest / 1e9, largest * (20.0 + 8 * 25) / 1e9);
  if (argc <= 1) std::system(("rm -rf '" + directory + "'").c_str());
  delete known;
  return 0;
}
