// The main game loop: the engine's life after start-up.  It thinks when the
// engine is to move (or analyses), sends the move in the protocol's form,
// keeps the clock and the game record, and otherwise waits for a command and
// carries it out.  The protocol handlers only set shared variables; this
// loop does the work on the board.
#pragma once

// Runs until "quit" or the end of input.
void runGameLoop();

// The steps of the loop, for tests.
// The engine's turn: a book move or a search, the move sent and played, the
// clock charged, and (xboard) pondering on the expected reply.
void thinkStep();
// Plays the move an xboard user typed (pendingFrom, pendingTo,
// pendingPromotion), or refuses it with "Illegal move".
void playPendingMove();
// Carries out pendingCommand: new game, take back, go, force, set position,
// analyse.
void carryOutCommand();
// xboard: the book learning that "result" asked for, with the game kept.
void learnAfterResult();
// Applies a transposition table size that arrived during a search.
void applyDeferredHashSize();
