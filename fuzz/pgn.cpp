// Creating a book from a PGN file ("/CB"): any file read game by game, its
// move text played move by move from the initial position and every
// position counted in the pool, leaves the pool's chains within the pool
// and the board back on a position the move generator agrees with.  The
// pool is small so that filling it up is reached too; no book is written.
#include <cstdlib>
#include <cstring>

#include "book/book_creation.h"
#include "fuzz_engine.h"

namespace {

// Room for a few hundred blocks: full pools are part of the input space.
constexpr uint64_t FUZZ_POOL_BYTES = 512 * sizeof(PoolBlock);

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz::startEngine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static fuzz::MemoryFile file;
  fuzz::resetEngine(FLAG_XBOARD);
  file.fill(data, size);
  FILE *pgn = fdopen(dup(file.fd()), "rb");
  if (!pgn) std::abort();
  if (!allocateBookPool(FUZZ_POOL_BYTES)) std::abort();
  PgnReader reader{pgn, {}, false, 0};
  static char text[GAME_TEXT_SIZE];
  int result = 0;
  int games = 0;
  while (readPgnGame(reader, text, result)) {
    check(result >= -1 && result <= 1);
    check(std::memchr(text, '\0', GAME_TEXT_SIZE) != nullptr);
    bookPool.games++;
    if (++games > 64) break;
    if (!processGame(text, result)) break;
    poolRecord();
  }
  check(reader.bytesRead <= size);
  check(bookPool.used <= bookPool.capacity);
  for (uint32_t first : bookPool.first) check(first <= bookPool.used);
  for (uint32_t b = 0; b < bookPool.used; b++) check(bookPool.blocks[b].next <= bookPool.used);
  std::fclose(pgn);
  freeBookPool();
  return 0;
}
