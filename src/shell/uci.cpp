// The UCI protocol's command handler.
//
// It answers "uci", "isready" and "debug" itself, applies options at once
// and turns the game commands into the shared variables the game loop and
// the search act on; it never touches the board.  It also runs from inside a
// search, when the search's input polling hands it a line: there "go" is
// refused, a new "Hash" size waits until the search has ended, and every
// command that changes the game stops the search first.
#include "shell/uci.h"

#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "position/position.h"
#include "search/hash_tables.h"
#include "shell/engine_state.h"
#include "tablebase/tablebase.h"

constexpr int MAX_MULTI_PV = 5;

static int32_t clampTo(int64_t value, int32_t low, int32_t high) {
  return value < low ? low : value > high ? high : int32_t(value);
}

// A time in milliseconds as centiseconds, truncated.
static int32_t centiseconds(WordReader &words) {
  return clampTo(textToNumber(nextText(words)) / 10, -MAX_CLOCK_CENTISECONDS, MAX_CLOCK_CENTISECONDS);
}

static bool isTrue(const char *value) { return value && (value[0] == 't' || value[0] == 'T'); }

static void setFlag(int flag, bool on) {
  if (on)
    shell.engineFlags |= flag;
  else
    shell.engineFlags &= ~flag;
}

static void identify() {
  std::printf("id name %s\nid author Hestrel\n", shell.engineName);
  std::printf("option name Hash type spin default 4 min 1 max 256\n");
  std::printf("option name NalimovPath type string default \n");
  std::printf("option name NalimovCache type spin default 2 min 1 max 64\n");
  std::printf("option name Ponder type check default false\n");
  std::printf("option name OwnBook type check default true\n");
  std::printf("option name MultiPV type spin default 1 min 1 max %d\n", MAX_MULTI_PV);
  std::printf("option name UCI_Opponent type string\n");
  std::printf("option name EnableBookLearning type check default true\n");
  std::printf("option name CanResign type check default true\n");
  // Under UCI the tablebase directory comes from the NalimovPath option.
  TbRelease();
  tablebaseSettings.tbPath[0] = '\0';
  std::printf("uciok\n");
  std::fflush(stdout);
}

// The rest of the line without the blanks around it (an option value that
// may contain blanks, such as a directory).
static const char *restOfLine(WordReader &words) {
  char *rest = nextWord(words, "");
  if (!rest) return nullptr;
  while (*rest == ' ' || *rest == '\t') rest++;
  size_t length = std::strlen(rest);
  while (length > 0 && (rest[length - 1] == ' ' || rest[length - 1] == '\t')) rest[--length] = '\0';
  return *rest ? rest : nullptr;
}

// "setoption name <name> value <value>": the words are taken by position.
static void setOption(WordReader &words) {
  nextWord(words);  // "name"
  char *name = nextWord(words);
  if (!name) return;
  lowerWord(name);
  nextWord(words);  // "value"
  if (!std::strcmp(name, "nalimovpath")) {
    const char *path = restOfLine(words);
    if (path) std::snprintf(tablebaseSettings.tbPath, TB_PATH_SIZE, "%s", path);
    return;
  }
  const char *value = nextWord(words);
  int64_t number = value ? textToNumber(value) : 0;

  if (!std::strcmp(name, "hash")) {
    // Resizing frees the table: never under a running search.
    int32_t megabytes = clampTo(number, 1, 256);
    if (shell.searching)
      shell.deferredHashMB = megabytes;
    else
      resizeTransTable(megabytes);
  } else if (!std::strcmp(name, "nalimovcache")) {
    tablebaseSettings.tbCacheMB = number < 1 || number > 64 ? 2 : int32_t(number);
  } else if (!std::strcmp(name, "ponder")) {
    setFlag(FLAG_PONDER, isTrue(value));
  } else if (!std::strcmp(name, "ownbook")) {
    if (isTrue(value)) {
      gameRecord.bookMovesLeft = 3;
      openBook();
    } else {
      closeBook();
    }
  } else if (!std::strcmp(name, "multipv")) {
    shell.multiPV = number < 1 || number > MAX_MULTI_PV ? 1 : int32_t(number);
  } else if (!std::strcmp(name, "uci_opponent")) {
    // "<title> <rating> <computer|human> <name>"
    nextWord(words);
    const char *kind = nextWord(words);
    setFlag(FLAG_OPPONENT_COMPUTER, kind && (kind[0] == 'c' || kind[0] == 'C'));
  } else if (!std::strcmp(name, "enablebooklearning")) {
    setFlag(FLAG_LEARN, isTrue(value));
  } else if (!std::strcmp(name, "canresign")) {
    setFlag(FLAG_RESIGN, isTrue(value));
  }
}

// An infinite search ends with its "bestmove"; its limits come back.
static void leaveAnalysis() {
  if (!shell.analyzeMode) return;
  shell.analyzeMode = 0;
  timeControl.maxMoveTime = timeControl.savedMaxMoveTime;
  timeControl.maxSearchDepth = timeControl.savedMaxSearchDepth;
}

// "position [startpos | fen <FEN>] [moves <move> ...]": the moves go to the
// game record's text list, the FEN to commandArg ("M <FEN>" when moves
// follow); the game loop compares them with the game on the board.
static void positionCommand(WordReader &words) {
  const char *keyword = nextWord(words);
  const char *fen = "";
  // A FEN holds no "m", so the text up to the first one is the FEN.
  if (keyword && (keyword[0] == 'f' || keyword[0] == 'F')) fen = nextText(words, "mM");
  int count = 0;
  if (nextWord(words)) {  // "moves", or what is left of it after the FEN
    while (count < MAX_GAME_PLIES - 1) {
      const char *word = nextWord(words);
      if (!word) break;
      size_t length = std::strlen(word);
      bool castling = !std::strncmp(word, "0-0", 3) || !std::strncmp(word, "O-O", 3);
      if (length != 4 && length != 5 && !castling) break;
      std::snprintf(gameRecord.moveTextList[count++], MOVE_TEXT_SIZE, "%s", word);
    }
  }
  if (count > 0) {
    gameRecord.moveTextList[count][0] = '\0';
    std::snprintf(shell.commandArg, COMMAND_ARG_SIZE, "M %s", fen);
  } else {
    std::snprintf(shell.commandArg, COMMAND_ARG_SIZE, "%s", fen);
  }
  size_t length = std::strlen(shell.commandArg);
  while (length > 0 && (shell.commandArg[length - 1] == ' ' || shell.commandArg[length - 1] == '\t'))
    shell.commandArg[--length] = '\0';
  shell.pendingCommand = COMMAND_SET_POSITION;
  shell.searchAbort = ABORT_STOP;
}

// The clock words of "go": wtime, btime, winc, binc, movestogo (and ponder),
// starting at `word`.
static void clockSection(char *word, WordReader &words) {
  TimeControl &tc = timeControl;
  const int side = pos.sideToMove;
  const int32_t old = tc.clockTime[side];
  int32_t increment[2] = {0, 0};
  tc.movesToGo = 0;
  for (; word; word = nextWord(words)) {
    lowerWord(word);
    if (!std::strcmp(word, "wtime"))
      tc.clockTime[WHITE] = centiseconds(words);
    else if (!std::strcmp(word, "btime"))
      tc.clockTime[BLACK] = centiseconds(words);
    else if (!std::strcmp(word, "winc"))
      increment[WHITE] = centiseconds(words);
    else if (!std::strcmp(word, "binc"))
      increment[BLACK] = centiseconds(words);
    else if (!std::strcmp(word, "movestogo"))
      tc.movesToGo = clampTo(textToNumber(nextText(words)), 0, MAX_MOVES_TO_GO);
    else if (!std::strcmp(word, "ponder"))
      shell.pondering = 1;
  }
  // A clock that truncates to nothing still limits the search: 0 would mean
  // no limit at all.
  tc.baseTime = tc.clockTime[side] < 1 ? 1 : tc.clockTime[side];
  tc.timeIncrement = increment[side] < 0 ? 0 : increment[side];
  tc.maxSearchDepth = NO_DEPTH_LIMIT;
  tc.maxMoveTime = tc.movesToGo > 0 ? tc.baseTime / tc.movesToGo * 2 : tc.baseTime;
  if (tc.maxMoveTime < 1) tc.maxMoveTime = 1;

  // The time the last move took, as the clocks show it: the expected
  // overhead of a move.
  int32_t spent = old - tc.clockTime[side];
  int32_t moveTime = spent < 0 || (tc.timeIncrement > 0 && spent > tc.timeIncrement) ? 0 : spent < 200 ? spent : 200;
  if (tc.movesToGo != 0 && moveTime > tc.baseTime / tc.movesToGo) {
    int32_t share = tc.baseTime / tc.movesToGo - 20;
    moveTime = share > 20 ? share : 20;
  }
  tc.lastMoveTime = moveTime;
}

static void goCommand(WordReader &words) {
  if (shell.searching) return;
  TimeControl &tc = timeControl;
  shell.engineSide = NO_COLOUR;
  shell.pendingCommand = COMMAND_GO;
  char *word = nextWord(words);
  if (!word) return;
  lowerWord(word);
  if (!std::strcmp(word, "ponder")) {
    shell.pondering = 1;
    word = nextWord(words);
    if (word) lowerWord(word);
  } else if (!std::strcmp(word, "infinite")) {
    shell.pendingCommand = COMMAND_ANALYZE;
  } else if (!std::strcmp(word, "movetime")) {
    tc.maxSearchDepth = NO_DEPTH_LIMIT;
    tc.timeIncrement = tc.baseTime = tc.movesToGo = 0;
    int32_t t = centiseconds(words);
    if (t < 1) t = 1;
    tc.maxMoveTime = tc.clockTime[WHITE] = tc.clockTime[BLACK] = t;
  } else if (!std::strcmp(word, "depth") || !std::strcmp(word, "mate")) {
    // "mate n" searches n plies.
    int depth = int16_t(textToNumber(nextText(words)));
    tc.timeIncrement = tc.baseTime = tc.movesToGo = tc.maxMoveTime = 0;
    tc.clockTime[WHITE] = tc.clockTime[BLACK] = 0;
    tc.maxSearchDepth = depth < 1 ? 1 : depth > NO_DEPTH_LIMIT ? NO_DEPTH_LIMIT : depth;
  } else if (!std::strcmp(word, "nodes")) {
    std::printf("'go nodes' command not supported!\n");
    std::fflush(stdout);
  }
  // Clock words count only first, or right after "ponder".
  if (word && (!std::strcmp(word + 1, "time") || !std::strcmp(word, "movestogo"))) clockSection(word, words);
}

void uciCommand(const char *command, WordReader &words) {
  if (!std::strcmp(command, "uci")) {
    identify();
  } else if (!std::strcmp(command, "setoption")) {
    setOption(words);
  } else if (!std::strcmp(command, "isready")) {
    std::printf("readyok\n");
    std::fflush(stdout);
  } else if (!std::strcmp(command, "debug")) {
    const char *value = nextText(words);
    bool on = (value[0] == 'o' || value[0] == 'O') && (value[1] == 'n' || value[1] == 'N');
    setFlag(FLAG_DEBUG, on);
  } else if (!std::strcmp(command, "ucinewgame")) {
    leaveAnalysis();
    shell.pendingCommand = COMMAND_NEW_GAME;
    shell.searchAbort = ABORT_STOP;
  } else if (!std::strcmp(command, "position")) {
    leaveAnalysis();
    positionCommand(words);
  } else if (!std::strcmp(command, "go")) {
    goCommand(words);
  } else if (!std::strcmp(command, "stop")) {
    leaveAnalysis();
    shell.engineSide = NO_COLOUR;
    shell.searchAbort = ABORT_STOP;
  } else if (!std::strcmp(command, "ponderhit")) {
    // Only a ponder search turns into a timed one; a stray "ponderhit" must
    // not restart the clock of a normal search.
    if (shell.pondering) shell.searchAbort = ABORT_PONDER_HIT;
  } else if (!std::strcmp(command, "quit")) {
    shell.pendingCommand = COMMAND_QUIT;
    shell.searchAbort = ABORT_STOP;
  }
}
