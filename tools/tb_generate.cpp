// vorn-tb-generate <directory> [tables]: writes the tablebase files
// <name>.nbw and <name>.nbb of the given tables (all 35 tables of three and
// four men by default) into the directory, in the layout the engine's probe
// reads.  Tables that a requested table needs (captures and promotions lead
// into them) are read from the directory when they are there and generated
// otherwise.  Each file is written under a temporary name and renamed when
// complete, so an interrupted run leaves no partial table behind.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "evaluation/piece_square.h"
#include "shell/new_game.h"
#include "tb_tables.h"

namespace {

using tbsolver::KnownTables;
using tbsolver::fileName;
using tbsolver::generate;
using tbsolver::seconds;

int pawnsOf(int id) { return int(std::count(tbTableNames[id], tbTableNames[id] + std::strlen(tbTableNames[id]), 'p')); }
int menOf(int id) { return int(std::strlen(tbTableNames[id])); }

int idOfName(const std::string &name) {
  for (int id = 1; id < TB_TABLE_COUNT; id++)
    if (name == tbTableNames[id]) return id;
  return 0;
}

// The material after changing the counts of a table name, as a table id (0 = none).
int idOfCounts(const uint32_t counts[10]) {
  int id = TbLookupMaterial(counts);
  return id < 0 ? -id : id;
}

void countsOf(int id, uint32_t counts[10]) {
  std::memset(counts, 0, 10 * sizeof counts[0]);
  int colour = -1;
  for (const char *c = tbTableNames[id]; *c; c++) {
    if (*c == 'k') {
      colour++;
      continue;
    }
    counts[colour * 5 + int(std::strchr("pnbrq", *c) - "pnbrq")]++;
  }
}

// The tables a move out of table id can reach: one man fewer, or a pawn
// promoted.
std::vector<int> dependenciesOf(int id) {
  std::vector<int> out;
  uint32_t counts[10];
  countsOf(id, counts);
  for (int i = 0; i < 10; i++) {
    if (!counts[i]) continue;
    counts[i]--;
    if (int d = idOfCounts(counts)) out.push_back(d);
    if (i % 5 == 0)
      for (int promoted = 1; promoted < 5; promoted++) {
        counts[i + promoted]++;
        if (int d = idOfCounts(counts)) out.push_back(d);
        counts[i + promoted]--;
      }
    counts[i]++;
  }
  return out;
}

bool load(const std::string &directory, int id, KnownTables &known) {
  for (int side = 0; side < (tbIsSymmetric(id) ? 1 : 2); side++) {
    std::string name = fileName(directory, id, side);
    FILE *f = std::fopen(name.c_str(), "rb");
    if (!f) return false;
    std::vector<int8_t> &bytes = known.bytes[id][side];
    bytes.resize(tbExpectedSizes[id][side]);
    size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    bool exact = got == bytes.size() && std::fgetc(f) == EOF;
    std::fclose(f);
    if (!exact) return false;
  }
  if (tbIsSymmetric(id)) known.bytes[id][1] = known.bytes[id][0];
  return known.known[id] = true;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: vorn-tb-generate <directory> [tables]  (default: all tables of 3 and 4 men)\n");
    return 2;
  }
  const std::string directory = argv[1];
  initBoardTables();
  buildPieceSquareTables();
  TbBuildTables();

  std::vector<int> requested;
  for (int i = 2; i < argc; i++) {
    int id = idOfName(argv[i]);
    if (!id || menOf(id) > 4) {
      std::fprintf(stderr, "unknown table or more than four men: %s\n", argv[i]);
      return 2;
    }
    requested.push_back(id);
  }
  if (requested.empty())
    for (int id = 1; id <= 35; id++) requested.push_back(id);

  // The requested tables and everything they lead into, smaller first.
  std::vector<int> order;
  std::vector<int> stack = requested;
  std::vector<bool> seen(TB_TABLE_COUNT);
  while (!stack.empty()) {
    int id = stack.back();
    stack.pop_back();
    if (seen[id]) continue;
    seen[id] = true;
    order.push_back(id);
    for (int d : dependenciesOf(id)) stack.push_back(d);
  }
  std::sort(order.begin(), order.end(), [](int a, int b) {
    return std::make_pair(pawnsOf(a), std::make_pair(menOf(a), a)) <
           std::make_pair(pawnsOf(b), std::make_pair(menOf(b), b));
  });

  KnownTables *known = new KnownTables;
  double start = seconds();
  // Overall progress by slots, the measure of a table's work.
  auto slotsOf = [](int id) { return double(tbExpectedSizes[id][0]) + (tbIsSymmetric(id) ? 0 : tbExpectedSizes[id][1]); };
  double totalSlots = 0, doneSlots = 0;
  for (int id : order) totalSlots += slotsOf(id);
  int done = 0;
  for (int id : order) {
    bool wanted = std::find(requested.begin(), requested.end(), id) != requested.end();
    double elapsed = seconds() - start;
    std::fprintf(stderr, "[%d/%zu] %s: %.0f%% of the slots done in %.0f s", ++done, order.size(), tbTableNames[id],
                 100 * doneSlots / totalSlots, elapsed);
    if (doneSlots > 0) std::fprintf(stderr, ", about %.0f s left", elapsed * (totalSlots - doneSlots) / doneSlots);
    std::fprintf(stderr, "\n");
    doneSlots += slotsOf(id);
    if (!wanted && load(directory, id, *known)) continue;
    if (!generate(directory, id, *known)) return 1;
  }
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  std::printf("total %.1f s, peak memory %ld MB\n", seconds() - start, usage.ru_maxrss / 1024);
  delete known;
  return 0;
}
