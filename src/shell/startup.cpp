// The engine's name, initApp and the release of its tables.
#include "shell/startup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "book/book.h"
#include "position/keys.h"
#include "search/hash_tables.h"
#include "shell/engine_state.h"
#include "shell/new_game.h"
#include "tablebase/tablebase.h"

void nameEngine(const char *invocationName) {
  if (!invocationName) return;
  const char *slash = std::strrchr(invocationName, '/');
  const char *base = slash ? slash + 1 : invocationName;
  if (std::strlen(base) < 5 || base[4] < '1' || base[4] > '9') return;
  size_t length = std::strlen(shell.engineName);
  if (length + 1 < sizeof shell.engineName) {
    shell.engineName[length] = base[4];
    shell.engineName[length + 1] = '\0';
  }
}

void printBanner() {
  std::printf("%s\n", shell.engineName);
  std::printf("Chess engine for xboard and UCI interfaces; send \"xboard\" or \"uci\" to begin\n\n");
  std::fflush(stdout);
}

int initApp() {
  if (!allocateHashTables()) {
    std::printf("ERROR (not enough memory): initApp\n");
    std::fflush(stdout);
    return 0;
  }
  initBoardTables();
  // The defaults come first so that the first game's clocks start from them.
  setSearchDefaults();
  newGame();
  // The book's weighted choice draws on rand().
  HashKey seedKey = pieceKey[uint64_t(std::time(nullptr)) % 768];
  std::srand(unsigned(uint32_t(seedKey)));
  openBook();
  return 1;
}

void freeEverything() {
  closeBook();
  freeHashTables();
  TbRelease();
}

void exitEngine(int code) {
  freeEverything();
  std::fflush(stdout);
  std::exit(code);
}
