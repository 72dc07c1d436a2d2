// Detecting the end of a game and announcing its result.
#pragma once

// How often the current position occurred before within the current stretch
// of reversible moves, with the same side to move.
int repetitionCount();
// Whether neither side can possibly checkmate: bare kings, a lone knight or
// bishop against a bare king, or bishops only, all on squares of one colour.
bool insufficientMaterial();
// After a move entered the game record: prints the result line and marks the
// game over on mate, stalemate, a third repetition or the fifty-move rule;
// announces a dead draw by insufficient material without ending the game.
void checkGameEnd();
