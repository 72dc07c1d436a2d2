// Engine-wide shared state and its resets.
#include "shell/engine_state.h"

#include <cstring>

ShellState shell;
TimeControl timeControl;
GameRecord gameRecord;
TablebaseSettings tablebaseSettings;
SearchResult searchResult;

void resetEngineState() {
  std::memset(&shell, 0, sizeof shell);
  std::strcpy(shell.engineName, "Vorn 2.0");
  shell.engineFlags = DEFAULT_ENGINE_FLAGS;
  shell.engineSide = NO_COLOUR;
  shell.pendingFrom = shell.pendingTo = -1;
  shell.multiPV = 1;

  std::memset(&timeControl, 0, sizeof timeControl);
  setSearchDefaults();

  std::memset(&gameRecord, 0, sizeof gameRecord);
  gameRecord.gameLength = -1;
  gameRecord.bookMovesLeft = 3;

  std::memset(&tablebaseSettings, 0, sizeof tablebaseSettings);
  tablebaseSettings.tbCacheMB = 2;
  tablebaseSettings.tbMaxPieces = -1;

  std::memset(&searchResult, 0, sizeof searchResult);
}

void setSearchDefaults() {
  timeControl.baseTime = 500;
  timeControl.maxMoveTime = 500;
  timeControl.maxSearchDepth = NO_DEPTH_LIMIT;
  timeControl.movesToGo = 0;
  timeControl.timeIncrement = 0;
  shell.forceMode = 0;
  shell.multiPV = 1;
  tablebaseSettings.tbMaxPieces = -1;
}

void resetGameState() {
  gameRecord.startFen[0] = '\0';
  // Under UCI the opponent is named by an option, not per game.
  if (!(shell.engineFlags & FLAG_UCI)) shell.engineFlags &= ~FLAG_OPPONENT_COMPUTER;
  searchResult.lastSearchScore = 0;
  searchResult.pvLength = 0;
  shell.gameOver = 0;
  timeControl.clockTime[WHITE] = timeControl.clockTime[BLACK] = timeControl.baseTime;
  shell.resignCount = 0;
  gameRecord.gameLength = -1;
  gameRecord.bookExitPly = 0;
  for (int32_t &score : gameRecord.scoreHistory) score = 0;
  timeControl.lastMoveTime = 20;
  shell.engineSide = NO_COLOUR;
  shell.pendingTo = shell.pendingFrom = -1;
  shell.pondering = 0;
  gameRecord.bookMovesLeft = 3;
  gameRecord.listCutShort = 0;
  shell.clocksCrossed = 0;
  shell.positionRefused = 0;
}

namespace {
// The state is valid from the first instruction, before main runs.
struct InitialState {
  InitialState() { resetEngineState(); }
} initialState;
}  // namespace
