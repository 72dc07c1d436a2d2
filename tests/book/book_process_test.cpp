// "/CB" as a user runs it, and the default book as the engine finds it.
#include <sys/stat.h>

#include <cstdlib>
#include <set>
#include <tuple>

#include "book_files.h"
#include "shell/engine_process.h"

namespace {

const std::string oneGame = "[Result \"1-0\"]\n\n1. e4 e5 2. Nf3 Nc6 1-0\n";
const std::string created = "\rProcessing game: 1 ... Done!\nCreating VornBook.bin ... Done!\n";

// A working directory with one game to read and an old book to replace.
struct BookDir : test::TempDir {
  const std::string book;
  BookDir() : book((write("game.pgn", oneGame), write("VornBook.bin", "the old book"))) {}
  test::EngineRun createBook(const std::string &pgn = "game.pgn") const {
    return test::EngineProcess({"vorn", "/CB", pgn}, path).finish();
  }
  bool kept() const { return test::readFile(book) == "the old book"; }
};

void bookIsADirectory(const BookDir &dir) { unlink(dir.book.c_str()), mkdir(dir.book.c_str(), 0755); }
void bookIsReadOnly(const BookDir &dir) { chmod(dir.book.c_str(), 0444); }

// Every run that cannot build a book says why, exits with 1 and keeps the
// old book byte for byte (a directory in the book's place is not replaced).
TEST(BookProcess, CreateBookMessagesAndExitCodes) {
  const std::string cannotCreate = "Cannot create book file 'VornBook.bin'\n";
  const struct {
    const char *name;
    const char *pgn;
    std::string output;
    int exitCode;
    bool kept;
    void (*prepare)(const BookDir &) = nullptr;
  } cases[] = {
      {"a book", "game.pgn", created, 0, false},
      {"a missing file", "missing.pgn", "Cannot open PGN file 'missing.pgn'\n", 1, true},
      {"a directory", "games", "Cannot open PGN file 'games'\n", 1, true},
      {"an empty file", "empty.pgn", "Done!\nNo book positions found in 'empty.pgn'\n", 1, true},
      {"a directory in the book's place", "game.pgn", cannotCreate, 1, false, bookIsADirectory},
      {"a read-only book", "game.pgn", cannotCreate, 1, true, bookIsReadOnly},
  };
  for (const auto &c : cases) {
    if (c.prepare == bookIsReadOnly && geteuid() == 0) continue;  // root may write any file
    BookDir dir;
    dir.write("empty.pgn", "");
    mkdir((dir.path + "/games").c_str(), 0755);
    if (c.prepare) c.prepare(dir);
    const test::EngineRun run = dir.createBook(c.pgn);
    EXPECT_EQ(std::tuple(run.output, run.exitCode, dir.kept()), std::tuple(test::banner() + c.output, c.exitCode, c.kept))
        << c.name;
  }
}

// A file system that refuses the writes: the old book stays and no
// temporary file is left behind.
TEST(BookProcess, FailedWriteKeepsTheOldBook) {
  BookDir dir;
  const test::EngineRun run = test::runCommand(
      "cd '" + dir.path + "' && trap '' XFSZ && ulimit -f 64 && exec '" + test::enginePath() + "' /CB game.pgn", 20000);
  EXPECT_EQ(std::tuple(run.output, run.exitCode, dir.kept()),
            std::tuple(test::banner() + "\rProcessing game: 1 ... Done!\nCreating VornBook.bin ... \n"
                                        "Cannot create book file 'VornBook.bin'\n", 1, true));
  EXPECT_EQ(test::runCommand("ls -A '" + dir.path + "'", 5000).output, "VornBook.bin\ngame.pgn\n");
}

// A link is followed: its target is replaced, keeping its mode.
TEST(BookProcess, LinkedBookIsReplacedInPlace) {
  BookDir dir;
  ASSERT_EQ(unlink(dir.book.c_str()), 0);
  const std::string target = dir.write("real.bin", "the old book");
  chmod(target.c_str(), 0640);
  ASSERT_EQ(symlink("real.bin", dir.book.c_str()), 0);
  EXPECT_EQ(dir.createBook().output, test::banner() + created);
  struct stat st;
  ASSERT_EQ(lstat(dir.book.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_NE(test::readFile(target), "the old book");
}

// Started as the README starts it, in a directory without a book of its
// own, the engine answers the first move from the default book (which
// offers both main first moves): no search.
TEST(DefaultBook, EnginePlaysABookMoveAtMoveOne) {
  test::TempDir dir;
  unsetenv("VORN_DEFAULT_BOOK");
  test::EngineProcess engine({"vorn"}, dir.path);
  setenv("VORN_DEFAULT_BOOK", "", 1);  // as for every other test: no default book
  engine.send("uci\nposition startpos\ngo depth 3\n");
  ASSERT_TRUE(engine.waitForLines("bestmove", 1));
  EXPECT_TRUE(test::linesStartingWith(engine.output(), "info").empty()) << engine.output();
  const std::string move = test::linesStartingWith(engine.output(), "bestmove")[0];
  // The moves the committed book may play at the start.
  std::set<std::string> moves;
  ASSERT_TRUE(openBookAt((std::string(VORN_SOURCE_DIR) + "/data/VornBook.bin").c_str(), false));
  test::startPosition();
  BookCandidate list[MAX_BOOK_CANDIDATES];
  for (int i = 0, n = collectBookCandidates(0, list); i < n; i++)
    if (list[i].weight > 0) moves.insert(moveToUciCoordinates(list[i].move));
  closeBook();
  EXPECT_TRUE(moves.count(move.substr(9))) << move;
  EXPECT_TRUE(moves.count("e2e4") && moves.count("d2d4"));
}

}  // namespace
