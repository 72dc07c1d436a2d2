// The book file: the hash keys it is keyed by, and files that are damaged,
// hostile or not files at all.
#include <sys/stat.h>

#include "book_files.h"

namespace {

using test::BookOnDisk;
using test::place;

// The keys are part of the book format: a change to any of them makes
// every book, the default one included, useless.
TEST(BookFile, HashKeysAreFrozen) {
  const struct {
    const char *moves;
    HashKey key;
  } cases[] = {
      {"", 0xAB3F0D2A47A833C5ULL}, {"e2e4", 0xD33400198F205DFEULL}, {"e2e4 c7c5", 0x294EFC5BDAA9E492ULL},
      {"e2e4 c7c5 g1f3", 0xF88443BF460C1A93ULL},
  };
  for (const auto &c : cases) EXPECT_EQ(test::keyAfter(c.moves), c.key) << c.moves;
}

uint32_t u32At(const std::string &bytes, size_t at) { return readU32(reinterpret_cast<const uint8_t *>(&bytes[at])); }
void setU32(std::string &bytes, size_t at, uint32_t v) { writeU32(reinterpret_cast<uint8_t *>(&bytes[at]), v); }

// The index entry of the bucket that holds the position after 1.e4.
size_t e4Entry() { return 4 * bookKeyIndex(test::keyAfter("e2e4")); }

// Candidates at the start position, or -1 when there is no book.
int startCandidates(const std::string &bytes, bool writable = true, bool *second = nullptr) {
  BookOnDisk file(bytes);
  if (!file.open(writable)) return -1;
  if (second) *second = book.loaded[1];
  test::startPosition();
  BookCandidate list[MAX_BOOK_CANDIDATES];
  return collectBookCandidates(0, list);
}

TEST(BookFile, CraftedFiles) {
  const std::string good = test::bookBytes({place("e2e4", 10), place("d2d4", 8)});
  const std::string empty(BOOK_INDEX_BYTES, '\xff');
  const std::string secondBook = test::bookBytes({place("c2c4", 6)});
  std::string intoIndex = good, pastEnd = good, overflow = good, oversized = good;
  setU32(intoIndex, e4Entry(), 100);
  setU32(pastEnd, e4Entry(), uint32_t(good.size()));
  // The last bucket's count decides where book 0 ends.
  uint32_t lastBucket = 0;
  for (size_t k = 0; k < BOOK_INDEX_BYTES; k += 4)
    if (u32At(good, k) != BOOK_NO_BUCKET) lastBucket = std::max(lastBucket, u32At(good, k));
  setU32(overflow, lastBucket, 0xFFFFFFFFu);
  // A bucket that claims more records than lie before E is read up to E.
  const uint32_t firstBucket = BOOK_INDEX_BYTES;
  setU32(oversized, firstBucket, 5000);
  std::string secondIntoIndex = secondBook;
  setU32(secondIntoIndex, 4 * bookKeyIndex(test::keyAfter("c2c4")), 8);
  const struct {
    const char *name;
    std::string bytes;
    int candidates;  // -1: no book
    bool second;
  } cases[] = {
      {"valid", good, 2, false}, {"empty index: an empty book", empty, 0, false}, {"0 bytes", "", -1, false},
      {"shorter than the index", empty.substr(0, 1000), -1, false}, {"offset into the index", intoIndex, -1, false},
      {"offset past the end", pastEnd, -1, false}, {"a count that would overflow", overflow, -1, false},
      {"truncated bucket", good.substr(0, good.size() - 3), -1, false},
      {"count beyond the book's end", oversized, 2, false},
      {"E + 131,072 bytes: no second book", good + empty, 2, false},
      {"E + 131,072 + 20 bytes: a second book", good + empty + std::string(20, '\0'), 2, true},
      {"a second book", good + secondBook, 2, true},
      {"a second book pointing into its index", good + secondIntoIndex, 2, false},
      {"a second book without room for its record", good + secondBook.substr(0, secondBook.size() - 1), 2, true},
      {"a second book cut inside a count", good + secondBook.substr(0, secondBook.size() - 17), 2, false},
  };
  for (const auto &c : cases) {
    bool second = false;
    EXPECT_EQ(startCandidates(c.bytes, true, &second), c.candidates) << c.name;
    EXPECT_EQ(second, c.second) << c.name;
  }
}

TEST(BookFile, SecondBookIsProbedOnItsOwn) {
  BookOnDisk file(test::bookBytes({place("e2e4", 10)}) + test::bookBytes({place("c2c4", 6), place("g1f3", 7)}));
  ASSERT_TRUE(file.open());
  test::startPosition();
  BookCandidate list[MAX_BOOK_CANDIDATES];
  ASSERT_EQ(collectBookCandidates(1, list), 2);
  EXPECT_STREQ(moveToUciCoordinates(list[0].move), "g1f3");
  EXPECT_EQ(collectBookCandidates(0, list), 1);
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
