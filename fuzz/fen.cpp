// FEN set-up: any text given to the FEN reader either is refused with the
// old position kept, or gives a position whose keys and check state agree
// with its board and whose every move can be made, written, evaluated and
// taken back.
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "evaluation/endgame_knowledge.h"
#include "evaluation/evaluation.h"
#include "fuzz_engine.h"
#include "position/make_move.h"
#include "position/move_generation.h"
#include "position/move_text.h"

namespace {

void check(bool ok, int line = __builtin_LINE()) {
  if (ok) return;
  std::fprintf(stderr, "fen.cpp:%d: broken\n", line);
  std::abort();
}

// The check state as the generators read it: in double check only the
// king moves, so which checker the word names is left open.
uint32_t checkState(uint32_t info) { return info & CHECK_DOUBLE ? CHECK_DOUBLE : info; }

// The text as the reader gets it from a command line: cut at the first NUL,
// in a heap block of exactly its size.
std::unique_ptr<char[]> textOf(const uint8_t *data, size_t size) {
  size_t length = 0;
  while (length < size && data[length]) length++;
  std::unique_ptr<char[]> text(new char[length + 1]);
  std::memcpy(text.get(), data, length);
  text[length] = '\0';
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz::startEngine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  fuzz::resetEngine(FLAG_XBOARD);
  const HashKey startKey = pos.hashKey;
  const std::unique_ptr<char[]> fen = textOf(data, size);
  if (setupFromFen(fen.get()) != FEN_OK) {
    check(pos.hashKey == startKey && pos.gamePly == 0);
    return 0;
  }
  check(pos.hashKey == computeHashKey() && pos.pawnKey == computePawnKey());
  check(pos.checkInfo[0] == computeCheckInfo());
  evaluate(-10000, 10000);
  recogniseDraw(0);
  recogniseDraw(2);

  pos.searchPly = 0;
  generateMoves();
  const std::vector<MoveEntry> list(moveStack + moveListStart[0], moveStack + moveListStart[1]);
  for (const MoveEntry &e : list) {
    if (!makeMove(e.move)) continue;
    unmakeMove();
    char text[16];
    std::snprintf(text, sizeof text, "%s", moveToUciCoordinates(e.move));
    Move parsed = 0;
    check(parseCoordinateMove(parsed, text) == 1 && parsed == e.move);
    moveToSan(e.move);
    check(makeMove(e.move));
    check(pos.hashKey == computeHashKey() && checkState(pos.checkInfo[pos.gamePly]) == checkState(computeCheckInfo()));
    evaluate(-10000, 10000);
    unmakeMove();
  }
  check(pos.hashKey == computeHashKey());
  return 0;
}
