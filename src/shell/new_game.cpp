#include "shell/new_game.h"

#include "evaluation/piece_square.h"
#include "position/move_generation.h"
#include "position/position.h"

void initBoardTables() {
  static bool built = false;
  if (built) return;
  initGeometry();
  built = true;
}

void newGame() {
  resetPosition();
  buildPieceSquareTables();
  generateMoves();
}
