// The book file: files that are damaged, hostile or not files at all, and
// the second book behind the first.
#include <sys/stat.h>

#include "book_files.h"

namespace {

using test::BookOnDisk;
using test::place;

uint32_t u32At(const std::string &bytes, size_t at) { return readU32(reinterpret_cast<const uint8_t *>(&bytes[at])); }
void setU32(std::string &bytes, size_t at, uint32_t v) { writeU32(reinterpret_cast<uint8_t *>(&bytes[at]), v); }

// The index entry of the bucket that holds the position after 1.e4.
size_t e4Entry() { return 4 * bookKeyIndex(test::keyAfter("e2e4")); }

// Candidates at the start position in book 0 and in book 1, -1 for a book
// that was not loaded.
std::pair<int, int> startCandidates(const std::string &bytes) {
  BookOnDisk file(bytes);
  if (!file.open()) return {-1, -1};
  test::startPosition();
  BookCandidate list[MAX_BOOK_CANDIDATES];
  const int second = book.loaded[1] ? collectBookCandidates(1, list) : -1;
  return {collectBookCandidates(0, list), second};
}

TEST(BookFile, CraftedFiles) {
  const std::string good = test::bookBytes({place("e2e4", 10), place("d2d4", 8)});
  const std::string empty(BOOK_INDEX_BYTES, '\xff');
  std::string intoIndex = good, pastEnd = good, overflow = good, oversized = good;
  setU32(intoIndex, e4Entry(), 100);
  setU32(pastEnd, e4Entry(), uint32_t(good.size()));
  // The last bucket's count decides where book 0 ends.
  uint32_t lastBucket = 0;
  for (size_t k = 0; k < BOOK_INDEX_BYTES; k += 4)
    if (u32At(good, k) != BOOK_NO_BUCKET) lastBucket = std::max(lastBucket, u32At(good, k));
  setU32(overflow, lastBucket, 0xFFFFFFFFu);
  // A bucket (the first) that claims more records than lie before E is read
  // up to E.
  setU32(oversized, BOOK_INDEX_BYTES, 5000);
  // Book 1 is probed on its own: its two moves, not book 0's.
  const std::string secondBook = test::bookBytes({place("c2c4", 6), place("g1f3", 7)});
  std::string secondIntoIndex = secondBook;
  setU32(secondIntoIndex, 4 * bookKeyIndex(test::keyAfter("c2c4")), 8);
  const struct {
    const char *name;
    std::string bytes;
    std::pair<int, int> candidates;  // in books 0 and 1, -1: no book
  } cases[] = {
      {"valid", good, {2, -1}}, {"empty index: an empty book", empty, {0, -1}}, {"0 bytes", "", {-1, -1}},
      {"shorter than the index", empty.substr(0, 1000), {-1, -1}}, {"offset into the index", intoIndex, {-1, -1}},
      {"offset past the end", pastEnd, {-1, -1}}, {"a count that would overflow", overflow, {-1, -1}},
      {"truncated bucket", good.substr(0, good.size() - 3), {-1, -1}},
      {"count beyond the book's end", oversized, {2, -1}},
      {"E + 131,072 bytes: no second book", good + empty, {2, -1}},
      {"E + 131,072 + 20 bytes: a second book", good + empty + std::string(20, '\0'), {2, 0}},
      {"a second book", good + secondBook, {2, 2}},
      {"a second book pointing into its index", good + secondIntoIndex, {2, -1}},
      {"a second book without room for its last record", good + secondBook.substr(0, secondBook.size() - 1), {2, 1}},
      {"a second book cut inside a count", good + secondBook.substr(0, secondBook.size() - 17), {2, -1}},
  };
  for (const auto &c : cases) EXPECT_EQ(startCandidates(c.bytes), c.candidates) << c.name;
}

// A directory or a FIFO in the book's place is no book; the engine must not
// hang or crash on it.
TEST(BookFile, NotARegularFile) {
  char name[] = "/tmp/vorn-book-dir-XXXXXX";
  ASSERT_TRUE(mkdtemp(name));
  EXPECT_FALSE(openBookAt(name, true));
  EXPECT_FALSE(bookIsOpen());
  const std::string fifo = std::string(name) + "/VornBook.bin";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_FALSE(openBookAt(fifo.c_str(), true));
  unlink(fifo.c_str());
  rmdir(name);
}

}  // namespace
