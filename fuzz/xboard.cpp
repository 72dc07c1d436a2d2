// xboard sessions: command lines, move words and "setboard" into the
// dispatcher and the xboard handler, with the game loop carrying out what
// they leave (moves, new games, searches, pondering).
#include "fuzz_engine.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz::startEngine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) { return fuzz::runSession(data, size, FLAG_XBOARD); }
