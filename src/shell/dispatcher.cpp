// The command dispatcher.
//
// "xboard" and "uci" (re-)initialise the engine and select the protocol;
// "board", "chk", "egtb" and "si" are console commands that initialise it
// when needed.  Anything else goes to the selected protocol's handler.  While
// a search runs, the lines arrive from the search's input polling, so what
// would free or rebuild the tables under it (a protocol choice) or disturb
// the board (the console commands) is ignored then.
#include "shell/dispatcher.h"

#include <cstdio>
#include <cstring>

#include "evaluation/evaluation.h"
#include "search/hash_tables.h"
#include "search/search.h"
#include "shell/console_commands.h"
#include "shell/engine_state.h"
#include "shell/startup.h"
#include "shell/uci.h"
#include "shell/words.h"
#include "shell/xboard.h"
#include "tablebase/tablebase.h"

static bool tablesReady() { return hashTables.trans != nullptr; }

// A console command needs the engine's tables; without memory for them the
// engine cannot work at all.
static void initialiseForConsole() {
  if (!tablesReady() && !initApp()) exitEngine(1);
}

// A protocol choice starts the engine afresh.
static void reinitialise() {
  freeEverything();
  if (!initApp()) exitEngine(1);
}

void dispatchLine(char *line) {
  shell.pendingCommand = COMMAND_NONE;
  if (!line) return;
  WordReader words = wordsOf(line);
  char *command = nextWord(words);
  if (!command) return;
  lowerWord(command);

  if (!std::strcmp(command, "xboard")) {
    if (shell.searching) return;
    shell.engineFlags = (shell.engineFlags & ~FLAG_UCI) | FLAG_XBOARD;
    std::printf("feature done=0\n");
    std::fflush(stdout);
    reinitialise();
    TbInitialise();
    memoryReport();
    xboardCommand(command, words);
  } else if (!std::strcmp(command, "uci")) {
    if (shell.searching) return;
    shell.engineFlags = (shell.engineFlags & ~FLAG_XBOARD) | FLAG_UCI;
    reinitialise();
    memoryReport();
    uciCommand(command, words);
  } else if (!std::strcmp(command, "board")) {
    if (shell.searching) return;
    initialiseForConsole();
    printBoard();
  } else if (!std::strcmp(command, "chk")) {
    const char *what = nextText(words);
    initialiseForConsole();
    if (what[0] == 'e' && !shell.searching) {
      std::printf("Eval: %d\n", evaluate(-10000, 10000));
      std::fflush(stdout);
    }
  } else if (!std::strcmp(command, "egtb")) {
    if (shell.searching) return;
    initialiseForConsole();
    TbInitialise();
    int score;
    if (TbProbe(&score))
      std::printf("Max %d , Score %d\n", int(tablebaseSettings.tbMaxPieces), score);
    // xboard takes a line with the words "not found" in lower case for a
    // failed start of the engine.
    else if (tablebaseSettings.tbMaxPieces < 0)
      std::printf("%s\n", (shell.engineFlags & FLAG_UCI) ? "EGTB not found" : "EGTB Not found");
    else
      std::printf("Position not in EGTB\n");
    std::fflush(stdout);
  } else if (!std::strcmp(command, "si")) {
    if (shell.searching) return;
    initialiseForConsole();
    speedIndex();
  } else if (tablesReady()) {
    if (shell.engineFlags & FLAG_XBOARD)
      xboardCommand(command, words);
    else if (shell.engineFlags & FLAG_UCI)
      uciCommand(command, words);
  } else if (!std::strcmp(command, "quit")) {
    exitEngine(0);
  } else {
    std::printf("Enter the protocol first (xboard or uci)\n");
    std::fflush(stdout);
  }
}
