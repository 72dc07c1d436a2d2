#include "shell/new_game.h"

#include "evaluation/piece_square.h"
#include "position/move_generation.h"
#include "position/position.h"
#include "search/hash_tables.h"
#include "shell/clock.h"
#include "shell/engine_state.h"

void initBoardTables() {
  static bool built = false;
  if (built) return;
  initGeometry();
  built = true;
}

void newGame() {
  clearHashTables();
  restartClock();
  gameRecord.startFen[0] = '\0';
  resetPosition();
  buildPieceSquareTables();
  generateMoves();
  resetGameState();
}
