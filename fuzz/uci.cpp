// UCI sessions: command lines into the dispatcher and the UCI handler, with
// the game loop carrying out positions, moves and searches.
#include "fuzz_engine.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz::startEngine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) { return fuzz::runSession(data, size, FLAG_UCI); }
