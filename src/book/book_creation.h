// Creating a book from the games of a PGN file, inside the book subsystem:
// the PGN game reader, the algebraic move reader and the statistics pool.
#pragma once

#include <cstdint>
#include <cstdio>

#include "book/book_file.h"

// Move text of one game, cut before move 26 (NUL included).
constexpr int GAME_TEXT_SIZE = 2048;
constexpr int PGN_LINE_SIZE = 256;  // lines are read in pieces of at most 255 characters

// Reads a PGN file game by game.
struct PgnReader {
  FILE *file;
  char line[PGN_LINE_SIZE];
  bool lineHeld;  // `line` was read but belongs to the next game
  uint64_t bytesRead;
};
// The next game with a Result tag whose move text begins: its text (up to
// move 26) and its result (+1 white won, -1 black won, 0 otherwise).
// Returns 0 at the end of the file.
int readPgnGame(PgnReader &reader, char *text, int &result);

// Parses one algebraic move of the side to move; 1 and the move word when
// the text names a move that the board makes possible, else 0.
int parseSan(const char *text, Move *outMove);

// The statistics of every position reached, kept in a fixed pool of blocks
// of 20 records chained per key index.
constexpr uint64_t BOOK_POOL_BYTES = 64ull << 20;
constexpr int POOL_BLOCK_SLOTS = 20;
struct PoolBlock {
  uint32_t next;  // 1 + the number of the next block of the same key index, 0 = none
  BookRecord slots[POOL_BLOCK_SLOTS];  // empty while frequency is 0; priority = first-seen move index
};
struct BookPool {
  uint32_t first[BOOK_INDEX_ENTRIES];  // 1 + block number, 0 = none
  PoolBlock *blocks;
  uint32_t capacity;  // blocks the pool can hold
  uint32_t used;
  uint64_t games;
};
extern BookPool bookPool;

// Allocates the pool (0 when memory is short) and empties it; `bytes` is
// its size (tests use small pools).
int allocateBookPool(uint64_t bytes);
void freeBookPool();
// Adds the current position with the game's result; 0 when the pool is full.
int addPosition(int result);
// Plays a game's move text from the initial position, adding each position;
// 0 only when the pool is full.
int processGame(const char *text, int result);
// The pool's record of the current position, or null.
const BookRecord *poolRecord();
// Creates the book file `bookPath` from the games of `pgnPath`, replacing an
// existing book only once the new one is complete.  Returns the exit code:
// 0 when a book was written, else 1.
int createBookFile(const char *pgnPath, const char *bookPath);
