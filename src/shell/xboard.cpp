// The xboard protocol's command handler.
//
// Like the UCI handler it never touches the board: it answers "ping",
// "hint", "." and the feature request itself, keeps the clocks and the
// modes, and leaves the rest to the game loop through the shared variables.
// It also runs from inside a search (the search's input polling hands it a
// line); a command that changes the game stops the search, and a move typed
// while the engine ponders either confirms the predicted move (a ponder hit:
// the search goes on, now on the engine's clock) or stops the search.
//
// Every number the interface sends is read without trusting it: clock
// figures are held to +-2,000,000 centiseconds, depths to 1..60, and a word
// that does not start with two squares is not a move.
#include "shell/xboard.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "book/book.h"
#include "position/move_text.h"
#include "position/position.h"
#include "search/search_state.h"
#include "shell/clock.h"
#include "shell/engine_state.h"

namespace {

int32_t clampTo(int64_t value, int32_t low, int32_t high) {
  return value < low ? low : value > high ? high : int32_t(value);
}

// A clock figure in centiseconds ("time", "otim").
int32_t clockValue(const char *text) {
  return clampTo(textToNumber(text), -MAX_CLOCK_CENTISECONDS, MAX_CLOCK_CENTISECONDS);
}

// Seconds, perhaps with a fraction ("0.5", "12"), as centiseconds rounded
// to the nearest, held to 0..MAX_CLOCK_CENTISECONDS; anything that is not a
// finite number counts as 0.
int32_t secondsToCentiseconds(const char *text) {
  char *end;
  double seconds = std::strtod(text, &end);
  if (end == text || !std::isfinite(seconds) || seconds <= 0) return 0;
  double centiseconds = seconds * 100 + 0.5;
  return centiseconds >= MAX_CLOCK_CENTISECONDS ? MAX_CLOCK_CENTISECONDS : int32_t(centiseconds);
}

// The side to move in the game: the search may be at any depth below its
// root, and while the engine ponders the predicted reply is on the board.
int gameSideToMove() {
  int side = pos.sideToMove ^ (pos.searchPly & 1);
  if (shell.pondering) side ^= 1;
  return side;
}

void stopSearch() { shell.searchAbort = ABORT_STOP; }

void announceFeatures() {
  std::printf("feature ping=1 setboard=1 san=0 time=1 draw=0\n");
  std::printf("feature sigint=0 sigterm=0 reuse=1 analyze=1\n");
  std::printf("feature myname=\"%s\" name=1\n", shell.engineName);
  std::printf("feature playother=1 colors=0\n");
  std::printf("feature variants=\"normal\"\n");
  std::printf("feature done=1\n");
  std::fflush(stdout);
}

// "level MPS BASE INC": moves per control (0: the whole game), the base
// time as minutes or minutes:seconds, the increment in seconds.
void levelCommand(WordReader &words) {
  const char *moves = nextWord(words);
  const char *base = nextWord(words);
  const char *increment = nextWord(words);
  if (!increment) {
    std::printf("ERROR (wrong number of parameters): level <nmoves> <min> <inc>\n");
    std::fflush(stdout);
    return;
  }
  TimeControl &tc = timeControl;
  // "5", "0:20", "25+5": minutes, then seconds after a colon; the rest does
  // not count.
  int64_t minutes = textToNumber(base);
  const char *colon = std::strchr(base, ':');
  int64_t seconds = colon ? textToNumber(colon + 1) : 0;
  if (minutes < 0) minutes = 0;
  if (seconds < 0) seconds = 0;
  minutes = minutes > MAX_CLOCK_CENTISECONDS ? MAX_CLOCK_CENTISECONDS : minutes;
  seconds = seconds > MAX_CLOCK_CENTISECONDS ? MAX_CLOCK_CENTISECONDS : seconds;
  tc.movesToGo = clampTo(textToNumber(moves), 0, MAX_MOVES_TO_GO);
  tc.baseTime = clampTo(minutes * 6000 + seconds * 100, 0, MAX_CLOCK_CENTISECONDS);
  tc.timeIncrement = secondsToCentiseconds(increment);
  // A game with only an increment is still a game on the clock, and a
  // control of no time at all must not become a search without limit.
  if (tc.baseTime == 0) tc.baseTime = tc.timeIncrement > 0 ? tc.timeIncrement : 1;
  tc.maxSearchDepth = NO_DEPTH_LIMIT;
  tc.maxMoveTime = tc.movesToGo > 0 ? tc.baseTime / tc.movesToGo * 2 : tc.baseTime;
  if (tc.maxMoveTime < 1) tc.maxMoveTime = 1;
  tc.clockTime[WHITE] = tc.clockTime[BLACK] = tc.baseTime;
  stopSearch();
}

// "st SECONDS": a fixed time for every move.
void fixedTimeCommand(WordReader &words) {
  TimeControl &tc = timeControl;
  int32_t t = secondsToCentiseconds(nextText(words));
  if (t < 1) t = 1;
  tc.timeIncrement = tc.baseTime = tc.movesToGo = 0;
  tc.maxSearchDepth = NO_DEPTH_LIMIT;
  tc.maxMoveTime = tc.clockTime[WHITE] = tc.clockTime[BLACK] = t;
}

// "time CENTISECONDS": the engine's own clock.  The difference to the
// engine's own reckoning is the overhead of the last move, which the time
// allocation sets aside.
void timeCommand(WordReader &words) {
  TimeControl &tc = timeControl;
  const int32_t value = clockValue(nextText(words));
  const int side = shell.engineSide;
  if (side == WHITE || side == BLACK) {
    int64_t lost = int64_t(tc.clockTime[side]) - value;
    tc.lastMoveTime = lost < 0 ? 0 : lost < 200 ? int32_t(lost) : 200;
    if (tc.movesToGo != 0 && tc.lastMoveTime > tc.baseTime / tc.movesToGo) {
      int32_t share = tc.baseTime / tc.movesToGo - 20;
      tc.lastMoveTime = share > 20 ? share : 20;
    }
    tc.clockTime[side] = value;
  } else {
    // No side yet: the interface will say "go" (the engine takes the side
    // to move) or send the opponent's move (the engine takes the other
    // side).  The figure goes to the other side's entry, and "go" exchanges
    // the two.
    tc.clockTime[gameSideToMove() ^ 1] = value;
    shell.clocksCrossed = 1;
  }
}

void opponentTimeCommand(WordReader &words) {
  const int side = shell.engineSide;
  const int opponent = side == WHITE || side == BLACK ? side ^ 1 : gameSideToMove();
  timeControl.clockTime[opponent] = clockValue(nextText(words));
}

// "result 1-0 {...}": the game is over; book learning is left to the game
// loop, which runs it once no search is running.
void resultCommand(WordReader &words) {
  const char *result = nextWord(words);
  if ((shell.engineFlags & FLAG_LEARN) && result) {
    shell.learnResult = result[0] && result[1] == '-' ? (result[0] == '1' ? 1 : -1) : 0;
    shell.learnPending = 1;
  }
  shell.gameOver = 1;
  stopSearch();
}

// "setboard FEN": the placement, side, castling and en passant words; the
// two move counters are not used.
void setboardCommand(WordReader &words) {
  const char *placement = nextText(words);
  const char *side = nextText(words);
  const char *castling = nextText(words);
  const char *enPassant = nextText(words);
  if (!placement[0])
    shell.commandArg[0] = '\0';
  else
    std::snprintf(shell.commandArg, COMMAND_ARG_SIZE, "%.80s %.1s %.4s %.2s", placement, side, castling, enPassant);
  shell.pendingCommand = COMMAND_SET_POSITION;
  stopSearch();
}

void hintCommand() {
  Move move = 0;
  if (shell.pondering)
    move = shell.ponderMove;
  else if (shell.analyzeMode && searchResult.pvLength >= 1)
    move = searchResult.pvLine[0];
  if (!move) return;
  std::printf("Hint: %s\n", moveToCoordinates(move));
  std::fflush(stdout);
}

// The analysis status line: time, nodes, depth, root moves still to search,
// all root moves, and the root move being searched.
void statusCommand() {
  if (!shell.analyzeMode) return;
  if (!shell.searching) {
    std::printf("stat01: 0 0 0 0 0\n");
    std::fflush(stdout);
    return;
  }
  int64_t elapsed = (elapsedMs() - timeControl.searchStartTime) / 10;
  int left = driver.rootMoveCount - driver.currentMoveNumber;
  Move current = 0;
  if (pos.searchPly > 0 && pos.gamePly - pos.searchPly >= 0)
    current = pos.plyRecords[pos.gamePly - pos.searchPly].move;
  else if (tree.pvLength[0] > 0)
    current = tree.pvTable[0][0];
  std::printf("stat01: %lu %llu %d %d %d %s\n", static_cast<unsigned long>(elapsed < 0 ? 0 : elapsed),
              static_cast<unsigned long long>(tree.nodeCount), int(driver.iterationDepth), left < 0 ? 0 : left,
              int(driver.rootMoveCount), current ? moveToCoordinates(current) : "");
  std::fflush(stdout);
}

bool isFile(char c) { return c >= 'a' && c <= 'h'; }
bool isRank(char c) { return c >= '1' && c <= '8'; }

// Any other word: a move in coordinates ("e2e4", "e7e8q").  While the
// engine ponders, the predicted move is a ponder hit; anything else stops
// the ponder search (or the analysis), and the game loop plays the move.
void moveWord(const char *word) {
  if (shell.searching && !shell.pondering && !shell.analyzeMode) return;
  // Each character is looked at only when the ones before it are there.
  const bool squares = isFile(word[0]) && isRank(word[1]) && isFile(word[2]) && isRank(word[3]);
  if (squares) {
    shell.pendingFrom = (word[1] - '1') * 8 + ('h' - word[0]);
    shell.pendingTo = (word[3] - '1') * 8 + ('h' - word[2]);
    shell.pendingPromotion = static_cast<unsigned char>(word[4]);
  } else {
    shell.pendingFrom = shell.pendingTo = -1;
    shell.pendingPromotion = 0;
  }
  stopSearch();
  if (!squares || !shell.pondering) return;
  const Move predicted = shell.ponderMove;
  if (moveFrom(predicted) != shell.pendingFrom || moveTo(predicted) != shell.pendingTo) return;
  if (predicted & MOVE_PROMOTION) {
    int letter = shell.pendingPromotion ? shell.pendingPromotion : 'Q';
    if (letter >= 'a' && letter <= 'z') letter -= 'a' - 'A';
    if (letter != "PNBRQK"[movePromotionType(predicted)]) return;
  }
  // The predicted move is on the board already: it joins the record.
  shell.pendingFrom = shell.pendingTo = -1;
  gameRecord.gameLength++;
  shell.searchAbort = ABORT_PONDER_HIT;
}

}  // namespace

void xboardCommand(const char *command, WordReader &words) {
  auto is = [command](const char *name) { return !std::strcmp(command, name); };
  TimeControl &tc = timeControl;
  if (is("xboard")) {
    announceFeatures();
  } else if (is("analyze")) {
    shell.pendingCommand = COMMAND_ANALYZE;
    stopSearch();
  } else if (is(".")) {
    statusCommand();
  } else if (is("bk")) {
    Move ignored = 0;
    if (!shell.searching) bookChoose(0, &ignored, 1);
  } else if (is("computer")) {
    shell.engineFlags |= FLAG_OPPONENT_COMPUTER;
  } else if (is("exit")) {
    // Outside analysis the saved limits mean nothing.
    if (!shell.analyzeMode) return;
    shell.analyzeMode = 0;
    tc.maxMoveTime = tc.savedMaxMoveTime;
    tc.maxSearchDepth = tc.savedMaxSearchDepth;
    shell.engineSide = NO_COLOUR;
    stopSearch();
  } else if (is("force")) {
    if (shell.forceMode) return;
    shell.pendingCommand = COMMAND_FORCE;
    stopSearch();
  } else if (is("go")) {
    if (shell.searching && !shell.pondering && !shell.analyzeMode) return;
    shell.pendingCommand = COMMAND_GO;
    stopSearch();
  } else if (is("hard")) {
    shell.engineFlags |= FLAG_PONDER;
  } else if (is("easy")) {
    shell.engineFlags &= ~FLAG_PONDER;
    if (shell.pondering) stopSearch();
  } else if (is("hint")) {
    hintCommand();
  } else if (is("level")) {
    levelCommand(words);
  } else if (is("new")) {
    tc.maxSearchDepth = NO_DEPTH_LIMIT;
    shell.pendingCommand = COMMAND_NEW_GAME;
    stopSearch();
  } else if (is("ping")) {
    // Answered at once; a search, a ponder search included, goes on.
    std::printf("pong %s\n", nextText(words));
    std::fflush(stdout);
  } else if (is("playother")) {
    shell.forceMode = 0;
    shell.engineSide = gameSideToMove() ^ 1;
    stopSearch();
  } else if (is("post")) {
    shell.engineFlags |= FLAG_POST;
  } else if (is("nopost")) {
    shell.engineFlags &= ~FLAG_POST;
  } else if (is("quit")) {
    shell.pendingCommand = COMMAND_QUIT;
    stopSearch();
  } else if (is("remove") || is("undo")) {
    shell.commandArg[0] = is("remove") ? '2' : '\0';
    shell.commandArg[1] = '\0';
    shell.pendingCommand = COMMAND_TAKE_BACK;
    stopSearch();
  } else if (is("result")) {
    resultCommand(words);
  } else if (is("setboard")) {
    setboardCommand(words);
  } else if (is("sd")) {
    // Only the depth: a clock given with "level" still counts.
    tc.maxSearchDepth = clampTo(textToNumber(nextText(words)), 1, NO_DEPTH_LIMIT);
  } else if (is("st")) {
    fixedTimeCommand(words);
  } else if (is("time")) {
    timeCommand(words);
  } else if (is("otim")) {
    opponentTimeCommand(words);
  } else if (is("?")) {
    if (shell.searching && !shell.pondering && !shell.analyzeMode) shell.searchAbort = ABORT_MOVE_NOW;
  } else if (is("nps")) {
    std::printf("Error (unknown command): nps\n");
    std::fflush(stdout);
  } else if (is("name") || is("protover") || is("random") || is("accepted") || is("rejected") || is("variant") ||
             is("white") || is("black") || is("draw")) {
    // Nothing to do: the engine plays normal chess, takes its colour from
    // the moves and "go", and never accepts a draw offer.
  } else {
    moveWord(command);
  }
}
