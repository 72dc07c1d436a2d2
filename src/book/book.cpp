// No opening book yet: the engine always searches, "bk" lists nothing and
// "/CB" reports that it cannot build a book.
#include "book/book.h"

#include <cstdio>

void openBook() {}
void closeBook() {}
bool bookIsOpen() { return false; }
void bookChoose(int, Move *, int) {}
void learnFromGame(int, const int32_t *, int) {}

int createBook(const char *) {
  std::printf("Book creation is not available yet\n");
  std::fflush(stdout);
  return 1;
}
