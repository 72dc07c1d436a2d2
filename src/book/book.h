// The opening book "VornBook.bin": choosing a book move, listing the book
// moves of a position, learning from a game's result, and creating the book
// from a PGN file.
#pragma once

#include <cstdint>

#include "position/types.h"

// Opens the book unless it is open already; a missing or broken file means
// no book.
void openBook();
// Closes the book: no book moves until it is opened again.
void closeBook();
bool bookIsOpen();
// Chooses a move of the current position from book 0 (the main book) or
// book 1, writing it to *outMove only when it chooses one.  printMode 1
// prints the "bk" listing, 0 the short listing (both only under xboard).
void bookChoose(int bookNo, Move *outMove, int printMode);
// Adjusts the records of the book line the engine played after a game:
// exitPly = the ply of its last book move, scores = its first five search
// scores after the book, result = +1 white won, -1 black won, 0 otherwise.
// Leaves the board on the replayed book line.
void learnFromGame(int exitPly, const int32_t *scores, int result);
// Builds VornBook.bin from the games of a PGN file ("/CB").  Returns the
// process's exit code.
int createBook(const char *pgnPath);
