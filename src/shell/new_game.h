// Starting a new game and the one-time set-up of the board tables.
#pragma once

// Builds the geometry tables (once per process).
void initBoardTables();
// A new game from the start arrays.
void newGame();
