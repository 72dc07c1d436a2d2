// The candidates of a book choice, for the choice itself, the listings and
// the tests.
#pragma once

#include "book/book_file.h"

constexpr int MAX_BOOK_CANDIDATES = 32;

struct BookCandidate {
  BookRecord record;  // a copy; priority is -128 unless the record is preferred
  uint64_t offset;    // the record's place in the file
  Move move;
  int weight;
  int resultScore;  // winLoss per mille of the frequency
  int learnScore;
};

// The candidates of the current position in book `bookNo`, highest weight
// first, with skip counters counted down in the file and rare moves thinned.
// Returns how many (at most MAX_BOOK_CANDIDATES).
int collectBookCandidates(int bookNo, BookCandidate *list);
