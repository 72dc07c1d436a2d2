// vorn-book-bench PGN [GAMES]: the speed and memory of book creation ("/CB").
//
// Repeats the games of PGN until there are at least GAMES of them (default
// 100,000) in a temporary file, creates a book from it in a temporary
// directory, and prints games per second, the peak memory of the process and
// the size of the book.  The default book's games make a fair input:
// tools/make-default-book leaves them in build/default-book/corpus.pgn.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "book/book_creation.h"
#include "evaluation/piece_square.h"
#include "search/move_ordering.h"
#include "shell/new_game.h"

static long peakKilobytes() {
  rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

int main(int argc, char **argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s PGN [GAMES]   (for example build/default-book/corpus.pgn)\n", argv[0]);
    return 2;
  }
  const long wanted = argc > 2 ? std::atol(argv[2]) : 100000;
  std::ifstream in(argv[1], std::ios::binary);
  const std::string games((std::istreambuf_iterator<char>(in)), {});
  long perCopy = 0;
  for (size_t at = 0; (at = games.find("[Result \"", at)) != std::string::npos; at++) perCopy++;
  if (perCopy == 0) {
    std::fprintf(stderr, "%s holds no game with a result\n", argv[1]);
    return 1;
  }
  char dir[] = "/tmp/vorn-book-bench-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  const std::string pgn = std::string(dir) + "/games.pgn", book = std::string(dir) + "/VornBook.bin";
  long total = 0;
  {
    std::ofstream out(pgn, std::ios::binary);
    for (; total < wanted; total += perCopy) out << games << "\n";
  }
  initBoardTables();
  buildPieceSquareTables();
  clearMoveOrdering();

  const long before = peakKilobytes();
  // The progress lines of creation go nowhere; the figures go to the terminal.
  std::fflush(stdout);
  const int savedOut = dup(1), devNull = open("/dev/null", O_WRONLY);
  dup2(devNull, 1);
  const auto start = std::chrono::steady_clock::now();
  const int code = createBookFile(pgn.c_str(), book.c_str());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::fflush(stdout);
  dup2(savedOut, 1);
  close(devNull);

  struct stat st {};
  stat(book.c_str(), &st);
  std::printf("games       %ld (%ld copies of %s)\n", total, total / perCopy, argv[1]);
  std::printf("time        %.2f s, %.0f games/s%s\n", seconds, total / seconds, code ? " (creation failed)" : "");
  std::printf("peak memory %.1f MB (%.1f MB before creation)\n", peakKilobytes() / 1024.0, before / 1024.0);
  std::printf("book        %lld bytes\n", static_cast<long long>(st.st_size));
  std::system((std::string("rm -rf '") + dir + "'").c_str());
  return code;
}
