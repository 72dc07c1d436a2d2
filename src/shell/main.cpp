// The vorn executable: names the engine, reads the configuration file,
// handles the command line, waits for a protocol and then plays and answers
// commands in the game loop until "quit" or the end of input.
#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "search/hash_tables.h"
#include "shell/config.h"
#include "shell/engine_state.h"
#include "shell/game_loop.h"
#include "shell/input.h"
#include "shell/startup.h"

static int finish(int code) {
  freeEverything();
  trace("close");
  std::fflush(stdout);
  return code;
}

int main(int argc, char **argv) {
  trace("open");
  nameEngine(argc > 0 ? argv[0] : nullptr);
  shell.engineFlags = DEFAULT_ENGINE_FLAGS;
  readConfig();
  printBanner();

  if (argc > 1) {
    if (!std::strcmp(argv[1], "/CB")) {
      if (argc < 3) {
        std::printf("Please specify path to the PGN file\n");
        return finish(0);
      }
      if (!initApp()) return finish(1);
      return finish(createBook(argv[2]));
    }
    if (std::strcmp(argv[1], "/xboard") != 0) {
      std::printf("Invalid option!\n");
      return finish(0);
    }
  }

  setupInput();
  while (!hashTables.trans) readAndDispatch(1);
  shell.ponderMove = 0;
  runGameLoop();
  return finish(0);
}
