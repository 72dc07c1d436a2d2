// The book file: any bytes opened as "VornBook.bin" are either refused (no
// book) or probed in book 0 and book 1 from a few positions, and chosen
// from with both listings under xboard, without reading outside the file
// or choosing a move the position does not have.
#include <cstdlib>

#include "book/book_choice.h"
#include "book/book_file.h"
#include "fuzz_engine.h"
#include "position/make_move.h"
#include "position/move_generation.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

bool isLegal(Move move) {
  pos.searchPly = 0;
  generateMoves();
  for (int i = moveListStart[0]; i < moveListStart[1]; i++)
    if (moveStack[i].move == move && makeMove(move)) {
      unmakeMove();
      return true;
    }
  return false;
}

// Book 0 and book 1 lookups and choices in the current position.
void probe() {
  for (int bookNo = 0; bookNo < 2; bookNo++) {
    BookRecord record;
    uint64_t offset = 0;
    if (bookLookup(bookNo, record, offset)) check(offset + BOOK_RECORD_BYTES <= book.fileSize);
    BookCandidate list[MAX_BOOK_CANDIDATES];
    const int count = collectBookCandidates(bookNo, list);
    check(count >= 0 && count <= MAX_BOOK_CANDIDATES);
    for (int printMode = 0; printMode < 2; printMode++) {
      Move move = 0;
      bookChoose(bookNo, &move, printMode);
      if (move) check(isLegal(move));
    }
  }
}

int fixedRandom() { return 12345; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz::startEngine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static fuzz::MemoryFile file;
  static const std::string path = file.path();
  fuzz::resetEngine(FLAG_XBOARD);
  resetBookFile();
  book.random = fixedRandom;
  file.fill(data, size);
  if (!openBookAt(path.c_str(), false)) {
    resetBookFile();
    return 0;
  }
  check(book.fileSize == size);
  probe();
  // Along a short line, so that other buckets are looked at too.
  for (int ply = 0; ply < 4; ply++) {
    pos.searchPly = 0;
    generateMoves();
    const int count = moveListStart[1] - moveListStart[0];
    if (count == 0) break;
    const Move move = moveStack[moveListStart[0] + (size + ply) % count].move;
    if (!makeMove(move)) break;
    probe();
  }
  resetBookFile();
  return 0;
}
