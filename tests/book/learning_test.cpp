// Learning after a game: which games teach, how much each book position of
// the engine's line learns, and that nothing else in the file changes (nor
// anything in a busy or read-only book).
#include <fcntl.h>
#include <sys/file.h>

#include "book_files.h"

namespace {

// A game of `plies` legal moves; keys[j] is the key after j plies.
std::vector<HashKey> playGame(int plies) {
  test::setUp();
  std::vector<HashKey> keys = {pos.hashKey};
  for (int ply = 0; ply < plies; ply++) {
    const std::vector<Move> moves = test::legalMoves();
    makeMove(moves[ply * 7 % moves.size()]);
    pos.searchPly = 0;
    keys.push_back(pos.hashKey);
  }
  return keys;
}

// A book holding every position of the game's first plies, all with the
// same record fields.
std::string bookOfGame(const std::vector<HashKey> &keys, int upTo, int learned) {
  std::vector<std::pair<HashKey, BookRecord>> records;
  for (int j = 1; j <= upTo; j++)
    records.push_back({keys[j], BookRecord{bookRecordKey(keys[j]), 10, 0, 0, 0, int16_t(learned), 0, 0}});
  return test::bookBytes(records);
}

struct Lesson {
  const char *name;
  int exitPly, plies, result;
  bool computer;
  std::vector<int32_t> scores;
  int learnedBefore;
  std::vector<int> learned;  // after the engine's book moves, first move first; empty: nothing learned
  std::vector<int> skips;    // empty: none raised
  enum { WRITABLE, BUSY, READ_ONLY } book = WRITABLE;
};

TEST(Learning, WorkedExamples) {
  const std::vector<int32_t> quiet = {0, 0, 0, 0, 0};
  const Lesson cases[] = {
      {"a loss as white, against a human", 10, 30, -1, false, quiet, 0, {-1, -1, -1, -1, -1, -2}, {}},
      {"a loss deep in the book raises skips", 20, 30, -1, false, quiet, 0,
       {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -2}, {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1}},
      {"a loss as black", 11, 30, 1, false, quiet, 0, {-1, -1, -1, -1, -1, -2}, {}},
      {"a loss with bad and worsening scores", 10, 30, -1, false, {-50, -60, -70, -80, -200}, 0,
       {-1, -1, -1, -2, -3, -4}, {}},
      {"a draw with good scores", 10, 30, 0, false, {100, 100, 100, 100, 200}, 0, {1, 1, 1, 1, 1, 2}, {}},
      {"a draw heals", 10, 30, 0, false, quiet, -3, {-2, -2, -2, -2, -2, -2}, {}},
      {"a win stays saturated", 10, 30, 1, true, quiet, 32767, {32767, 32767, 32767, 32767, 32767, 32767}, {}},
      {"a win against a human teaches nothing", 10, 30, 1, false, quiet, 0, {}, {}},
      {"left the book at ply 3", 3, 30, -1, false, quiet, 0, {}, {}},
      {"ended 4 plies after the book", 10, 14, -1, false, quiet, 0, {}, {}},
      // A second engine learning on the same book holds the lock; nothing is
      // learned into a read-only book either.
      {"a loss, the book busy", 10, 30, -1, false, quiet, 0, {}, {}, Lesson::BUSY},
      {"a loss, the book read-only", 10, 30, -1, false, quiet, 0, {}, {}, Lesson::READ_ONLY},
  };
  for (const Lesson &c : cases) {
    const std::vector<HashKey> keys = playGame(c.plies);
    const std::string before = bookOfGame(keys, c.exitPly + 1, c.learnedBefore);
    test::BookOnDisk file(before);
    ASSERT_TRUE(file.open(c.book != Lesson::READ_ONLY)) << c.name;
    const int other = open(file.path.c_str(), O_RDONLY);
    ASSERT_EQ(c.book == Lesson::BUSY ? flock(other, LOCK_EX | LOCK_NB) : 0, 0);
    playGame(c.plies);
    gameRecord.startFen[0] = '\0';
    shell.engineFlags = FLAG_XBOARD | (c.computer ? FLAG_OPPONENT_COMPUTER : 0);
    learnFromGame(c.exitPly, c.scores.data(), c.result);
    close(other);
    const std::string after = test::readFile(file.path);
    if (c.learned.empty()) {
      EXPECT_EQ(after, before) << c.name;
      continue;
    }
    // Exactly the records after the engine's book moves change.
    std::string expected = before;
    for (int i = c.exitPly % 2, n = 0; i <= c.exitPly; i += 2, n++) {
      const size_t at = test::recordOffset(before, keys[i + 1]);
      BookRecord r;
      decodeRecord(reinterpret_cast<const uint8_t *>(&before[at]), r);
      r.learned = int16_t(c.learned[n]);
      r.skipCount = uint8_t(c.skips.empty() ? 0 : c.skips[n]);
      encodeRecord(r, reinterpret_cast<uint8_t *>(&expected[at]));
    }
    EXPECT_EQ(after, expected) << c.name;
  }
}

}  // namespace
