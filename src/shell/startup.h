// Start-up and shut-down of the engine: its name, the one-time
// initialisation that a protocol (or a console command) triggers, and
// releasing everything at the end.
#pragma once

// Appends the digit that the program's name carries as its fifth character
// ("vorn7" plays as "Vorn 2.07"); only the last path component counts.
void nameEngine(const char *invocationName);
// The banner: the engine's name, a notice line and an empty line.
void printBanner();
// Allocates the hash tables, builds the board tables, sets the search
// defaults, starts a new game, seeds the random generator and opens the book.  Returns 1, or
// 0 after "ERROR (not enough memory): initApp" (nothing stays allocated).
int initApp();
// Closes the book and releases the hash tables and the tablebase cache.
void freeEverything();
// Frees everything, flushes the output and ends the process.
[[noreturn]] void exitEngine(int code);
