// Shared set-up of the fuzz targets: the engine's tables made once, every
// run started from a reset engine state, and fuzz input turned into a file
// the engine's own readers can open.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "book/book.h"
#include "evaluation/piece_square.h"
#include "position/position.h"
#include "search/hash_tables.h"
#include "search/move_ordering.h"
#include "search/search.h"
#include "search/search_state.h"
#include "shell/engine_state.h"
#include "shell/game_loop.h"
#include "shell/input.h"
#include "shell/new_game.h"
#include "shell/startup.h"

namespace fuzz {

// A file in memory that holds the current input: readers that open a path
// or read a descriptor see exactly the fuzzer's bytes.
class MemoryFile {
 public:
  MemoryFile() : fd_(memfd_create("vorn-fuzz", 0)) {
    if (fd_ < 0) std::abort();
  }
  int fd() const { return fd_; }
  std::string path() const { return "/proc/self/fd/" + std::to_string(fd_); }
  void fill(const uint8_t *data, size_t size) {
    if (ftruncate(fd_, 0) != 0 || pwrite(fd_, data, size, 0) != ssize_t(size) || lseek(fd_, 0, SEEK_SET) != 0)
      std::abort();
  }

 private:
  int fd_;
};

// The engine's output goes nowhere; libFuzzer reports on stderr.
inline void silenceOutput() {
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
}

// A fuzz run never needs a large transposition table: 1,024 buckets.
constexpr int FUZZ_HASH_SHIFT = 22;

// Tables allocated and the board tables built, as the first "xboard" or
// "uci" would leave them.
inline void startEngine() {
  silenceOutput();
  resetEngineState();
  hashTables.hashShift = FUZZ_HASH_SHIFT;
  if (!initApp()) std::abort();
}

// The state a fresh engine has right after choosing the protocol `flags`,
// whatever the last run changed (the table size, the book, the search).
inline void resetEngine(int flags) {
  resetEngineState();
  shell.engineFlags = flags;
  if (!hashTables.trans || hashTables.hashShift != FUZZ_HASH_SHIFT) {
    freeHashTables();
    hashTables.hashShift = FUZZ_HASH_SHIFT;
    if (!allocateHashTables()) std::abort();
  }
  openBook();
  resetSearchState();
  clearMoveOrdering();
  newGame();  // clears the hash tables too
  searchHooks = {nullptr, -1};
}

// True when a line of the input starts with the word "si": the speed
// benchmark is a fixed search of several seconds that no input shortens.
inline bool asksForBenchmark(const uint8_t *data, size_t size) {
  size_t i = 0;
  while (i < size) {
    while (i < size && data[i] == ' ') i++;
    std::string word;
    while (i < size && data[i] != ' ' && data[i] != '\n' && data[i] != '\0') word += char(std::tolower(data[i++]));
    if (word == "si" || word == "si\r") return true;
    while (i < size && data[i] != '\n') i++;
    i++;
  }
  return false;
}

// A whole session: the input lines go through the engine's input channel,
// the dispatcher and the protocol handler, and the game loop carries out
// what they leave, until the input ends (which reads as "quit").  Searches
// look at the input at every node from their third iteration on, so each
// search lasts only as long as the input feeds it.
// An input that asks for the benchmark is left out (-1: not kept).
inline int runSession(const uint8_t *data, size_t size, int flags) {
  static MemoryFile file;
  if (asksForBenchmark(data, size)) return -1;
  resetEngine(flags);
  file.fill(data, size);
  setupInputFrom(file.fd());
  searchHooks.fixedPollMask = 0;
  runGameLoop();
  shell.searching = 0;
  return 0;
}

}  // namespace fuzz
