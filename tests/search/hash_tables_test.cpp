// Sizing, allocation failures, clearing and the replacement schemes of the
// hash tables.
#include "search/hash_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "test_support.h"

namespace {

// A key whose bucket, low 16 bits and high word are chosen: keys with the
// same `bucket` share a transposition bucket.
HashKey keyOf(uint32_t bucket, uint16_t check, uint32_t lock) {
  return (HashKey(lock) << 32) | (bucket << DEFAULT_HASH_SHIFT) | check;
}

bool filledWith(const void *block, uint64_t size, uint8_t value) {
  const auto *bytes = static_cast<const uint8_t *>(block);
  return std::all_of(bytes, bytes + size, [value](uint8_t b) { return b == value; });
}

class HashTablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setTableAllocator(nullptr);
    hashTables.hashShift = DEFAULT_HASH_SHIFT;
    ASSERT_TRUE(allocateHashTables());
    clearHashTables();
    hashTables.searchGeneration = 10;
  }
  void TearDown() override {
    freeHashTables();
    setTableAllocator(nullptr);
    hashTables.hashShift = DEFAULT_HASH_SHIFT;
  }
  static TTEntry *bucket(HashKey key) { return ttBucketFor(key).slot; }
  // Stores a result of the window -10..10: score 0 is exact.
  static void store(HashKey key, int depth, Move move, int score = 0) {
    storeTransTable(key, depth, score, -10, 10, move, 0);
  }
};

// The sizes the options and the configuration file ask for are checked
// with them; here the edges of the conversion.
TEST(HashSizing, BucketsFromBytesAndKilobytes) {
  const std::pair<uint64_t, int> bytes[] = {
      {1024 * 48, 22},
      {1023 * 48, 23},
      {0, 23},                  // at least 512 buckets
      {~0ull, MIN_HASH_SHIFT},  // capped at 2^24 buckets
  };
  for (auto [size, shift] : bytes) EXPECT_EQ(hashShiftForBytes(size), shift) << size;
  // "TT_SIZE" below 48 kilobytes, negative included, means 3,100.
  for (auto [size, shift] : {std::pair<int64_t, int>{INT64_MIN, 16}, {INT64_MAX, MIN_HASH_SHIFT}}) {
    setTransTableKilobytes(size);
    EXPECT_EQ(hashTables.hashShift, shift) << size;
  }
  hashTables.hashShift = DEFAULT_HASH_SHIFT;
}

TEST_F(HashTablesTest, ClearAndResize) {
  std::memset(hashTables.trans, 0x5A, ttBucketCount() * TT_BUCKET_BYTES);
  std::memset(hashTables.quiesce, 0x5A, QUIESCE_TABLE_BYTES);
  std::memset(hashTables.pawn, 0x5A, PAWN_HASH_BYTES);
  markTablesWritten();
  clearHashTables();
  EXPECT_TRUE(filledWith(hashTables.trans, ttBucketCount() * TT_BUCKET_BYTES, 0));
  EXPECT_TRUE(filledWith(hashTables.quiesce, QUIESCE_TABLE_BYTES, 0));
  EXPECT_TRUE(filledWith(hashTables.pawn, PAWN_HASH_BYTES, 0));
  // A resize gives a zeroed table of the new size; below the option's
  // minimum means 1 MB.
  std::memset(hashTables.trans, 0x5A, ttBucketCount() * TT_BUCKET_BYTES);
  EXPECT_EQ(resizeTransTable(0), 1);
  EXPECT_EQ(ttBucketCount(), 16384u);
  EXPECT_TRUE(filledWith(hashTables.trans, ttBucketCount() * TT_BUCKET_BYTES, 0));
}

void *failLargeBlocks(size_t count, size_t size) {
  return count * size > (1u << 20) ? nullptr : std::calloc(count, size);
}
void *failQuiesceBlock(size_t count, size_t size) {
  return count * size == QUIESCE_TABLE_BYTES ? nullptr : std::calloc(count, size);
}

TEST_F(HashTablesTest, AllocationFailures) {
  // A failed resize keeps the old table, cleared as a new one would be, and working.
  ASSERT_EQ(resizeTransTable(1), 1);
  TTBucket *old = hashTables.trans;
  const HashKey key = keyOf(3, 7, 9);
  store(key, 4, 0x123);
  setTableAllocator(failLargeBlocks);
  EXPECT_EQ(test::printedBy([] { EXPECT_EQ(resizeTransTable(64), 0); }),
            "ERROR (not enough memory): resizeTransTable\n");
  EXPECT_EQ(hashTables.trans, old);
  EXPECT_EQ(ttBucketCount(), 16384u);
  EXPECT_EQ(probeTransTable(key), nullptr);
  store(key, 4, 0x123);
  EXPECT_NE(probeTransTable(key), nullptr);

  // The 3 MB transposition table fails: nothing stays allocated.
  hashTables.hashShift = DEFAULT_HASH_SHIFT;
  EXPECT_FALSE(allocateHashTables());
  EXPECT_TRUE(!hashTables.trans && !hashTables.quiesce && !hashTables.pawn);

  // A missing quiescence table is tolerated: its store and probe do nothing.
  setTableAllocator(failQuiesceBlock);
  ASSERT_TRUE(allocateHashTables());
  EXPECT_TRUE(hashTables.trans && hashTables.pawn && !hashTables.quiesce);
  clearHashTables();
  storeQuiesceTable(key, 5, 0, 100, 0x40);
  EXPECT_EQ(probeQuiesceTable(key), nullptr);
}

TEST_F(HashTablesTest, StoreWritesTheBoundAndKeepsTheMoveOfAFailLow) {
  const HashKey a = keyOf(7, 1, 1), b = keyOf(7, 2, 2);
  const TTEntry &e = bucket(a)[0];
  storeTransTable(a, 4, 5, -10, 10, 0xFF000111, TT_MATE_THREAT);
  EXPECT_TRUE(entryMatches(e, a));
  // The move in its 24-bit form.
  EXPECT_EQ(test::numbers(e.move, e.flags, e.age), test::numbers(0x111, TT_EXACT | TT_MATE_THREAT, 10));
  storeTransTable(a, 5, -30, -10, 10, 0x222, TT_THREAT);  // failed low: its move is no best move
  EXPECT_EQ(test::numbers(e.move, e.depth, e.score, e.flags), test::numbers(0x111, 5, -30, TT_UPPER | TT_THREAT));
  store(a, 6, 0x333, 40);  // failed high: the new move counts
  EXPECT_EQ(test::numbers(e.move, e.flags), test::numbers(0x333, TT_LOWER));
  store(b, 9, 0x444, -30);  // a new position takes its move even failing low
  EXPECT_EQ(e.move, 0x444u);
}

// Which slot a result goes to and which entry it pushes out, and which bound
// answers a node, show in the node counts of the search tests; here, which
// keys find a stored entry.
TEST_F(HashTablesTest, Probes) {
  const HashKey a = keyOf(9, 1, 1), b = keyOf(9, 2, 2), c = keyOf(9, 3, 3);
  store(a, 5, 0x1);
  store(b, 6, 0x2);
  store(c, 1, 0x3);
  for (HashKey key : {a, b, c}) EXPECT_TRUE(probeTransTable(key) && entryMatches(*probeTransTable(key), key));
  EXPECT_EQ(probeTransTable(keyOf(9, 1, 77)), nullptr);  // same low word, other high word
  storeRootEntry(keyOf(11, 1, 0x10), 4, 5, -10, 10, 0x7);
  EXPECT_EQ(probeRootMove(keyOf(11, 1, 0x10)), 0x7u);
  EXPECT_EQ(probeRootMove(keyOf(11, 2, 0x10)), 0u);
}

}  // namespace
