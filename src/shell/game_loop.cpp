// The main game loop.
//
// Each pass takes the think step when the engine is to move (or analyses)
// and then the input step, which waits until a protocol handler has left a
// command or a typed move and carries it out.  Commands that arrive during
// a search are handled by the same protocol handlers from the search's input
// polling; a command that changes the game stops the search, and this loop
// acts on it once `think` has returned.
//
// Under UCI every "go" is answered by exactly one "bestmove", also when the
// game on the board is already over: the interface waits for the answer and
// would otherwise lose on time.  With no legal move the answer is
// "bestmove 0000".
#include "shell/game_loop.h"

#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "position/make_move.h"
#include "position/move_generation.h"
#include "position/move_text.h"
#include "position/position.h"
#include "search/hash_tables.h"
#include "search/search.h"
#include "shell/clock.h"
#include "shell/engine_state.h"
#include "shell/game_end.h"
#include "shell/game_record.h"
#include "shell/input.h"
#include "shell/new_game.h"

static bool underUci() { return (shell.engineFlags & FLAG_UCI) != 0; }

// The opening book's move for this position, from the main book (0) or the
// second book (1).
static bool chooseBookMove(int book, Move &move) {
  move = 0;
  bookChoose(book, &move, 0);
  return move != 0;
}

static Move firstLegalMove() {
  pos.searchPly = 0;
  generateMoves();
  for (int i = moveListStart[0]; i < moveListStart[1]; i++) {
    Move move = moveStack[i].move;
    if (makeMove(move)) {
      unmakeMove();
      pos.searchPly = 0;
      return move;
    }
  }
  return 0;
}

static void printBestMove(const char *move, const char *ponder) {
  if (ponder)
    std::printf("bestmove %s ponder %s\n", move, ponder);
  else
    std::printf("bestmove %s\n", move);
  std::fflush(stdout);
}

void applyDeferredHashSize() {
  if (shell.deferredHashMB <= 0 || shell.searching) return;
  resizeTransTable(shell.deferredHashMB);
  shell.deferredHashMB = 0;
}

// A "go" after the game record is full: the engine neither searches nor
// plays any more, but the interface gets its answer, after "stop" or
// "ponderhit" when it asked for an endless or a ponder search.  The answer
// is a legal move of the position, or "0000" when the position sent did not
// fit in the record (a move for the board would be a move of another
// position).
static void answerBeyondGameLength() {
  shell.searching = 1;
  shell.searchAbort = ABORT_NONE;
  while ((shell.pondering || shell.analyzeMode) && shell.searchAbort == ABORT_NONE) readAndDispatch(1);
  shell.searching = 0;
  shell.pondering = 0;
  Move move = gameRecord.listCutShort ? 0 : firstLegalMove();
  printBestMove(move ? moveToUciCoordinates(move) : "0000", nullptr);
  shell.engineSide = NO_COLOUR;
}

// The clock after the engine's move: the time the step took, a new control
// when the moves of the old one are made, and the increment.
static void chargeClock() {
  const int side = shell.engineSide;
  if (side != WHITE && side != BLACK) return;
  TimeControl &tc = timeControl;
  int64_t elapsed = (elapsedMs() - tc.searchStartTime) / 10;
  if (elapsed < 0) elapsed = 0;
  int64_t clock = int64_t(tc.clockTime[side]) - elapsed;
  if (tc.movesToGo > 0 && ((side + pos.gamePly) / 2 + pos.sideToMove) % tc.movesToGo == 0) clock += tc.baseTime;
  if (tc.timeIncrement > 0) clock += tc.timeIncrement;
  tc.clockTime[side] = clock < INT32_MIN ? INT32_MIN : clock > INT32_MAX ? INT32_MAX : int32_t(clock);
  trace("CLOCK-> %ld\n", long(tc.clockTime[side]));
}

// xboard: after three bad scores in a row the engine resigns, unless the
// opponent is short of time.  Returns true when it resigns.
static bool considerResigning() {
  const TimeControl &tc = timeControl;
  if (!(shell.engineFlags & FLAG_RESIGN) || tc.movesToGo <= 0) return false;
  if (searchResult.lastSearchScore < -800)
    shell.resignCount++;
  else
    shell.resignCount = 0;
  if (shell.resignCount < 3) return false;
  int movesLeft = tc.movesToGo - (pos.gamePly / 2) % tc.movesToGo;
  if (movesLeft > 0 && tc.clockTime[pos.sideToMove] / movesLeft + tc.timeIncrement > 500) {
    std::printf("resign\n");
    std::fflush(stdout);
    shell.gameOver = 1;
    return true;
  }
  return false;
}

// xboard: a move that mates is sent as "Qh5#", not "Qh5+".
static void markMate() {
  char *text = gameRecord.moveTextList[pos.gamePly - 1];
  size_t length = strnlen(text, MOVE_TEXT_SIZE);
  if (length > 0 && length < MOVE_TEXT_SIZE && text[length - 1] == '+' && !firstLegalMove()) text[length - 1] = '#';
}

// Sends the move just played (or, with `move` 0, the lack of one) in the
// protocol's form and checks whether the game has ended.
static void announceMove(Move move, const char *uciText) {
  const char *recorded = move && pos.gamePly > 0 ? gameRecord.moveTextList[pos.gamePly - 1] : "0000";
  if (shell.engineFlags & FLAG_XBOARD) {
    // A resigned game ends with the word alone: the move is not part of it.
    if (move && considerResigning()) {
      takeBackGameMove();
      return;
    }
    if (move) markMate();
    if (!shell.gameOver) {
      std::printf("move %s\n", recorded);
      std::fflush(stdout);
      trace("SENT MOVE-> %s\n", recorded);
    }
  } else if (underUci()) {
    // The expected reply, when it is a legal move after ours.
    char ponder[8] = "";
    if (move && (shell.engineFlags & FLAG_PONDER) && searchResult.pvLength > 2) {
      Move reply = legalMoveFor(searchResult.pvLine[1]);
      if (reply) std::snprintf(ponder, sizeof ponder, "%s", moveToUciCoordinates(reply));
    }
    printBestMove(uciText, ponder[0] ? ponder : nullptr);
    trace("SENT MOVE-> %s\n", recorded);
  }
  gameRecord.gameLength = pos.gamePly - 1;
  checkGameEnd();
}

// A ponder search ended without a ponder hit: the predicted move on the
// board is taken back (the interface sends the real one next).
static void endPonderSearch() {
  shell.pondering = 0;
  Move best = searchResult.pvLength > 0 ? legalMoveFor(searchResult.pvLine[0]) : 0;
  char text[8];
  std::snprintf(text, sizeof text, "%s", best ? moveToUciCoordinates(best) : "0000");
  takeBackGameMove();
  if (underUci()) printBestMove(text, nullptr);
}

void thinkStep() {
  if (underUci() && (pos.gamePly > MAX_GAME_LENGTH || gameRecord.listCutShort)) {
    answerBeyondGameLength();
    return;
  }

  // Step 1. The book, unless pondering or analysing.  A book move that
  // would repeat a position is left for the search to judge.
  Move bookMove = 0;
  if (gameRecord.bookMovesLeft && !shell.pondering && !shell.analyzeMode) {
    if (!chooseBookMove(0, bookMove)) chooseBookMove(1, bookMove);
    bookMove = legalMoveFor(bookMove);
    if (bookMove && makeMove(bookMove)) {
      if (repetitionCount()) bookMove = 0;
      unmakeMove();
      pos.searchPly = 0;
    }
  }

  for (;;) {
    // Step 2. Pondering comes back here with the predicted reply on the board.
    timeControl.searchStartTime = elapsedMs();
    Move word;
    if (bookMove) {
      // Step 3. A book move: the book stays in use for three more moves.
      gameRecord.bookMovesLeft = 3;
      shell.searchAbort = ABORT_NONE;
      gameRecord.bookExitPly = pos.gamePly;
      searchResult.pvLength = 0;
      word = bookMove;
    } else {
      // Step 4. The search.
      think();
      applyDeferredHashSize();
      if (shell.pondering) {
        endPonderSearch();
        return;
      }
      if (gameRecord.bookMovesLeft) gameRecord.bookMovesLeft--;
      word = searchResult.pvLength > 0 ? searchResult.pvLine[0] : 0;
      // The scores of the engine's first five moves after the book.
      int k = (pos.gamePly - gameRecord.bookExitPly - 1) / 2;
      if (k >= 0 && k < 5) gameRecord.scoreHistory[k] = searchResult.lastSearchScore;
      if (shell.searchAbort == ABORT_STOP) {
        // Stopped by a command: the answer is the best move so far, which
        // is not played.
        Move legal = legalMoveFor(word);
        if (underUci()) printBestMove(legal ? moveToUciCoordinates(legal) : "0000", nullptr);
        shell.engineSide = NO_COLOUR;
        return;
      }
    }

    if (!word) {
      // Step 5. No move at all: mate or stalemate on the board.
      std::printf("ERROR (no legal moves): think\n");
      std::fflush(stdout);
      shell.engineSide = NO_COLOUR;
      shell.gameOver = 1;
      if (underUci()) announceMove(0, "0000");
    } else {
      // Step 6. Play the move into the record.
      // The move as the position has it: a move of the principal variation
      // may lack the flags (a promotion its letter) when it came from the
      // transposition table.
      Move move = legalMoveFor(word);
      char uciText[8];
      std::snprintf(uciText, sizeof uciText, "%s", move ? moveToUciCoordinates(move) : "0000");
      if (!move || !playGameMove(move)) {
        std::printf("ERROR (unexpected illegal move error): think\n");
        std::fflush(stdout);
        shell.gameOver = 1;
        // The move is not sent; an UCI interface still gets its answer.
        announceMove(0, "0000");
      } else {
        // Steps 7 and 8. Send it and check for the end of the game.
        announceMove(move, uciText);
      }
    }

    // Step 9. The clock.
    chargeClock();

    // Step 10. xboard pondering: the expected reply goes on the board and
    // the search goes on in the opponent's time.
    const bool mayPonder = !underUci() && (shell.engineFlags & FLAG_PONDER) && !shell.gameOver &&
                           shell.pendingCommand == COMMAND_NONE && searchResult.pvLength > 2;
    if (mayPonder) {
      Move reply = legalMoveFor(searchResult.pvLine[1]);
      if (reply && pos.gamePly < MAX_GAME_LENGTH && playGameMove(reply)) {
        // A reply that ends the game is not worth pondering on: when it
        // comes, it goes through the input step and its game-end check.
        if (!firstLegalMove() || repetitionCount() == 2 || pos.fiftyCount >= 100) {
          takeBackGameMove();
        } else {
          shell.ponderMove = reply;
          shell.pondering = 1;
          bookMove = 0;
        }
      }
    }
    // Step 11.
    if (!shell.pondering) return;
  }
}

// The promotion piece an xboard user typed: "q" or anything unknown means a
// queen.
static int promotionFromLetter(int letter) {
  switch (letter) {
    case 'B':
    case 'b': return BISHOP;
    case 'N':
    case 'n': return KNIGHT;
    case 'R':
    case 'r': return ROOK;
    default: return NO_PIECE;
  }
}

static void reportMaximumLength() {
  std::printf("ERROR (maximum number of moves reached): main\n");
  std::fflush(stdout);
}

void playPendingMove() {
  const int from = shell.pendingFrom, to = shell.pendingTo;
  shell.pendingFrom = shell.pendingTo = -1;
  if (pos.gamePly >= MAX_GAME_LENGTH) {
    reportMaximumLength();
    return;
  }
  // After a refused "setboard" the board is not the interface's position:
  // no move is played on it.
  Move move = shell.positionRefused ? 0 : findGeneratedMove(from, to, promotionFromLetter(shell.pendingPromotion));
  if (move && playGameMove(move)) {
    if (!shell.forceMode) shell.engineSide = pos.sideToMove;
    gameRecord.gameLength = pos.gamePly - 1;
    checkGameEnd();
    return;
  }
  char text[8] = {fileLetter(from), rankDigit(from), fileLetter(to), rankDigit(to), '\0', '\0'};
  int letter = shell.pendingPromotion;
  if (letter > ' ' && letter < 127) text[4] = char(letter);
  std::printf("Illegal move: %s\n", text);
  std::fflush(stdout);
  trace("Illegal Move-> %d %d (%lu)\n", from, to, static_cast<unsigned long>(elapsedMs()));
}

void carryOutCommand() {
  TimeControl &tc = timeControl;
  switch (shell.pendingCommand) {
    case COMMAND_NEW_GAME:
      newGame();
      shell.forceMode = 0;
      break;
    case COMMAND_TAKE_BACK:
      if (pos.gamePly == 0) break;
      shell.gameOver = 0;
      if (pos.gamePly < gameRecord.gameLength) gameRecord.bookMovesLeft = 3;
      shell.engineSide = NO_COLOUR;
      searchResult.lastSearchScore = 0;
      takeBackGameMove();
      if (shell.commandArg[0] == '2' && pos.gamePly > 0) takeBackGameMove();
      break;
    case COMMAND_GO:
      // xboard's "time" before "go" set the clock of the side that is not
      // to move (the engine played no side then): the engine's own time
      // belongs to the side it now takes.
      if (shell.engineSide == NO_COLOUR && shell.clocksCrossed && !underUci()) {
        int32_t white = tc.clockTime[WHITE];
        tc.clockTime[WHITE] = tc.clockTime[BLACK];
        tc.clockTime[BLACK] = white;
        shell.clocksCrossed = 0;
      }
      if (shell.engineSide == WHITE || shell.engineSide == BLACK) {
        int32_t mine = tc.clockTime[shell.engineSide];
        tc.clockTime[shell.engineSide] = tc.clockTime[pos.sideToMove];
        tc.clockTime[pos.sideToMove] = mine;
      }
      shell.forceMode = 0;
      shell.engineSide = pos.sideToMove;
      break;
    case COMMAND_FORCE:
      shell.forceMode = !shell.forceMode;
      shell.engineSide = NO_COLOUR;
      searchResult.lastSearchScore = 0;
      break;
    case COMMAND_SET_POSITION:
      if (underUci()) {
        setPositionFromCommand();
      } else if (!setBoardFromFen(shell.commandArg)) {
        // A refused position stops the game until a new one is given.
        shell.gameOver = 1;
        shell.positionRefused = 1;
      }
      break;
    case COMMAND_ANALYZE:
      // A second "analyze" keeps the limits saved by the first.
      if (!shell.analyzeMode) {
        tc.savedMaxMoveTime = tc.maxMoveTime;
        tc.savedMaxSearchDepth = tc.maxSearchDepth;
      }
      shell.analyzeMode = 1;
      tc.maxMoveTime = 0;
      tc.maxSearchDepth = NO_DEPTH_LIMIT;
      break;
    default: break;
  }
}

// xboard "result" with learning on: the book learns from the game once no
// search runs.  Learning walks the book line on the board, so the game is
// saved before and set up again after it; the game stays over.
void learnAfterResult() {
  if (!shell.learnPending) return;
  shell.learnPending = 0;
  static GameRecord savedRecord;
  static TimeControl savedClocks;
  static Move moves[MAX_GAME_PLIES];
  savedRecord = gameRecord;
  savedClocks = timeControl;
  const int plies = pos.gamePly;
  for (int i = 0; i < plies; i++) moves[i] = pos.plyRecords[i].move;

  learnFromGame(gameRecord.bookExitPly, gameRecord.scoreHistory, shell.learnResult);

  newGame();
  if (savedRecord.startFen[0]) setupFromFen(savedRecord.startFen);
  for (int i = 0; i < plies; i++) {
    Move move = legalMoveFor(moves[i]);
    if (!move || !makeMove(move)) break;
    pos.searchPly = 0;
  }
  gameRecord = savedRecord;
  timeControl = savedClocks;
  shell.gameOver = 1;
  shell.engineSide = NO_COLOUR;
}

// Waits for a command or a typed move and carries it out.  Returns false
// when the loop must end ("quit", or the input channel is gone).
static bool inputStep() {
  if (inputWaiting() < 0 && input.inputLength == 0 && shell.pendingCommand == COMMAND_NONE && !shell.learnPending)
    return false;
  while (shell.pendingCommand == COMMAND_NONE && shell.pendingFrom < 0 && !shell.learnPending) readAndDispatch(1);
  learnAfterResult();
  if (shell.pendingCommand == COMMAND_QUIT) return false;
  if (shell.pendingFrom >= 0 && shell.pendingTo >= 0) playPendingMove();
  shell.pendingFrom = shell.pendingTo = -1;
  carryOutCommand();
  return true;
}

void runGameLoop() {
  for (;;) {
    shell.pendingCommand = COMMAND_NONE;
    shell.commandArg[0] = '\0';
    applyDeferredHashSize();
    if (pos.gamePly > MAX_GAME_LENGTH && !shell.gameOver) {
      reportMaximumLength();
      shell.gameOver = 1;
    }
    if (shell.analyzeMode) shell.engineSide = pos.sideToMove;
    // A UCI "go" is answered even when the game is over.
    if (shell.engineSide == pos.sideToMove && (!shell.gameOver || underUci())) thinkStep();
    if (!inputStep()) return;
  }
}
