// The engine-wide state that the shell, the protocol handlers, the game loop
// and the search share.  Each group is one plain struct with a reset
// function, so a test can put the engine into a known state in one call.
//
// The protocol handlers never touch the board: they set these variables and
// the game loop (or the running search) acts on them.
#pragma once

#include <cstdint>

#include "position/position.h"

// Mode bits of engineFlags.
enum : int {
  FLAG_XBOARD = 0x01,
  FLAG_UCI = 0x02,
  FLAG_POST = 0x04,
  FLAG_PONDER = 0x08,
  FLAG_LEARN = 0x10,
  FLAG_RESIGN = 0x20,
  FLAG_OPPONENT_COMPUTER = 0x40,
  FLAG_DEBUG = 0x80,
};
constexpr int DEFAULT_ENGINE_FLAGS = FLAG_XBOARD | FLAG_POST;

// Commands the handlers leave for the game loop.
enum : int {
  COMMAND_NONE = 0,
  COMMAND_NEW_GAME = 1,
  COMMAND_TAKE_BACK = 2,
  COMMAND_GO = 6,
  COMMAND_FORCE = 7,
  COMMAND_SET_POSITION = 9,
  COMMAND_ANALYZE = 10,
  COMMAND_QUIT = 11,
};

// Why a running search must stop.
enum : int { ABORT_NONE = 0, ABORT_MOVE_NOW = 1, ABORT_STOP = 2, ABORT_PONDER_HIT = 3 };

constexpr int ENGINE_NAME_SIZE = 16;
constexpr int COMMAND_ARG_SIZE = 128;
constexpr int START_FEN_SIZE = 128;
constexpr int MOVE_TEXT_SIZE = 8;
// A tablebase directory list as long as the longest input line, so a list
// sent by an interface is never cut short.
constexpr int TB_PATH_SIZE = 1 << 18;
constexpr int MAX_PV_LENGTH = 64;
constexpr int NO_DEPTH_LIMIT = 60;
// The game record's limit: beyond this ply the game is stopped, so a search
// from the last position still fits in the per-ply arrays.
constexpr int MAX_GAME_LENGTH = 735;
// Clock figures are held below this many centiseconds (about five and a half
// hours), so that the time arithmetic of the search cannot overflow.
constexpr int32_t MAX_CLOCK_CENTISECONDS = 2000000;
// No time control has more moves than this to the next control.
constexpr int32_t MAX_MOVES_TO_GO = 1000;

// Modes and the commands handed from the protocol handlers to the game loop.
struct ShellState {
  char engineName[ENGINE_NAME_SIZE];  // "Vorn 2.0", perhaps with a digit from the invocation name
  int32_t engineFlags;
  int32_t engineSide;  // colour the engine plays, NO_COLOUR = none
  int32_t forceMode;
  int32_t analyzeMode;
  int32_t gameOver;
  int32_t pondering;
  int32_t searching;  // set while think() runs
  int32_t pendingCommand;
  char commandArg[COMMAND_ARG_SIZE];
  int32_t pendingFrom;  // a move typed in xboard mode, -1 = none
  int32_t pendingTo;
  int32_t pendingPromotion;  // its promotion letter, 0 = none
  int32_t searchAbort;
  int32_t multiPV;  // 1..5
  Move ponderMove;
  int32_t resignCount;
  int32_t deferredHashMB;  // a "Hash" size that arrived during a search, 0 = none
  // xboard: "time" arrived while the engine played no side, so the clock it
  // set is the opponent's entry and "go" must exchange the two.  Cleared by
  // every move on the board and every new position.
  int32_t clocksCrossed;
  // xboard: the last "setboard" was refused; typed moves are refused too
  // until "new" or another "setboard", so the engine never plays on from a
  // position other than the interface's.
  int32_t positionRefused;
  // xboard: "result" asked for book learning with this result (+1 White
  // won, -1 Black won, 0 otherwise); the game loop learns when no search
  // runs.
  int32_t learnPending;
  int32_t learnResult;
};
extern ShellState shell;

// The clocks, all in centiseconds.
struct TimeControl {
  int32_t clockTime[2];
  int32_t baseTime;  // 0 = no clock (fixed time, fixed depth, analysis)
  int32_t movesToGo;
  int32_t timeIncrement;
  int32_t maxMoveTime;     // 0 = no limit
  int32_t maxSearchDepth;  // plies, NO_DEPTH_LIMIT = none
  int32_t lastMoveTime;
  int32_t savedMaxMoveTime;  // kept during analysis
  int32_t savedMaxSearchDepth;
  int64_t searchStartTime;  // elapsedMs() when the current think step began
};
extern TimeControl timeControl;

// The moves of the game as text, where the game started, and how the game
// left the book.
struct GameRecord {
  char moveTextList[MAX_GAME_PLIES][MOVE_TEXT_SIZE];  // index = gamePly before the move
  int32_t gameLength;                                 // index of the last recorded ply, -1 = none
  char startFen[START_FEN_SIZE];                      // empty = the normal initial position
  int32_t bookMovesLeft;
  int32_t bookExitPly;
  int32_t scoreHistory[5];  // scores of the engine's first moves after the book
  int32_t listCutShort;     // the last move list did not fit in the record: the board is not its position
};
extern GameRecord gameRecord;

// Where the endgame tablebases are and how they are cached.
struct TablebaseSettings {
  char tbPath[TB_PATH_SIZE];  // directory list, empty = none
  int32_t tbCacheMB;
  int32_t tbMaxPieces;  // largest installed table, -1 = none registered
};
extern TablebaseSettings tablebaseSettings;

// The result of the last search: best move first, expected reply second.
struct SearchResult {
  Move pvLine[MAX_PV_LENGTH];
  int32_t pvLength;
  int32_t lastSearchScore;
};
extern SearchResult searchResult;

// Every group to its value at process start (engineFlags DEFAULT_ENGINE_FLAGS).
void resetEngineState();
// The time and search limits that initApp sets before the first game.
void setSearchDefaults();
// The per-game part of the state, reset by every new game.
void resetGameState();
