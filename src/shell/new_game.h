// Starting a new game and the one-time set-up of the board tables.
#pragma once

// Builds the geometry tables (once per process).
void initBoardTables();
// A new game from the start arrays: cleared hash tables, the clock started
// again, the initial position with its piece-square tables and root moves,
// and the per-game state of the shell reset.
void newGame();
