// Generating one table and writing its files, for vorn-tb-generate and the
// tests.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "tb_solver.h"

namespace tbsolver {

inline std::string fileName(const std::string &directory, int id, int side) {
  return directory + "/" + tbTableNames[id] + (side == 0 ? ".nbw" : ".nbb");
}

inline bool writeFile(const std::string &name, const std::vector<int8_t> &bytes) {
  std::string temporary = name + ".tmp" + std::to_string(getpid());
  FILE *f = std::fopen(temporary.c_str(), "wb");
  if (!f) {
    std::fprintf(stderr, "cannot write %s\n", temporary.c_str());
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fclose(f) == 0 && ok;
  if (ok) ok = std::rename(temporary.c_str(), name.c_str()) == 0;
  if (!ok) {
    std::remove(temporary.c_str());
    std::fprintf(stderr, "cannot write %s\n", name.c_str());
  }
  return ok;
}

inline double seconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Solves table id (the tables it leads into must be known) and writes its
// files; prints a summary line on standard output unless quiet.
inline bool generate(const std::string &directory, int id, KnownTables &known, bool quiet = false) {
  const bool symmetric = tbIsSymmetric(id);
  double start = seconds();
  tbsolver::Solver solver;
  solver.id = id;
  solver.quiet = quiet;
  for (int side = 0; side < 2; side++) known.bytes[id][side].assign(tbExpectedSizes[id][side], 127);
  int8_t *out[2] = {known.bytes[id][0].data(), known.bytes[id][1].data()};
  if (!solver.solve(known, out)) {
    std::fprintf(stderr, "%s: %llu errors, the first: %s\n", tbTableNames[id], (unsigned long long)solver.errors,
                 solver.firstError.c_str());
    return false;
  }
  if (symmetric) known.bytes[id][1] = known.bytes[id][0];
  known.known[id] = true;
  for (int side = 0; side < (symmetric ? 1 : 2); side++)
    if (!writeFile(fileName(directory, id, side), known.bytes[id][side])) return false;
  // Summary: longest win for either side to move.
  int longest = 0;
  uint64_t wins = 0, losses = 0, draws = 0;
  for (int side = 0; side < (symmetric ? 1 : 2); side++)
    for (int8_t b : known.bytes[id][side]) {
      int16_t v = tbvalues::decode(b);
      if (v == tbvalues::DRAW) draws++;
      else if (tbvalues::isWin(v)) wins++, longest = std::max(longest, (v + 1) / 2);
      else if (tbvalues::isLoss(v)) losses++;
    }
  if (!quiet)
    std::printf("%-6s %6.1f s  wins %10llu  losses %10llu  draws %10llu  longest mate %3d moves\n", tbTableNames[id],
              seconds() - start, (unsigned long long)wins, (unsigned long long)losses, (unsigned long long)draws,
              longest);
  std::fflush(stdout);
  return true;
}


}  // namespace tbsolver
