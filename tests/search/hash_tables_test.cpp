// Sizing, allocation failures, clearing and the replacement schemes of the
// hash tables.
#include "search/hash_tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <utility>

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
  // The bucket of the first key holds these positions, slot 0 first.
  static void expectSlots(std::initializer_list<HashKey> keys) {
    const TTEntry *slot = bucket(*keys.begin());
    int i = 0;
    for (HashKey key : keys) EXPECT_TRUE(entryMatches(slot[i++], key)) << "slot " << i - 1;
  }
};

TEST(HashSizing, BucketsFromBytesAndFromTheConfigurationKilobytes) {
  const std::pair<uint64_t, int> bytes[] = {
      {4ull << 20, 16},    // "Hash" 4: 87,381 fit, 65,536 buckets
      {1ull << 20, 18},    // "Hash" 1: 16,384 buckets
      {16ull << 20, 14},   // 349,525 fit: 2^18 buckets
      {256ull << 20, 10},  // 4,194,304 buckets, 192 MB
      {1024 * 48, 22},     // exactly 1,024 buckets
      {1023 * 48, 23},     // fewer than 1,024: 512 buckets
      {0, 23},
      {~0ull, MIN_HASH_SHIFT},  // capped at 2^24 buckets
  };
  for (auto [size, shift] : bytes) EXPECT_EQ(hashShiftForBytes(size), shift) << size;
  // "TT_SIZE": below 48 kilobytes (negative included) it means 3,100.
  const std::pair<int64_t, int> kilobytes[] = {
      {3100, 16},  {10, 16}, {47, 16},
      {0, 16},     {-5, 16}, {INT64_MIN, 16},
      {24576, 13}, {48, 22}, {INT64_MAX, MIN_HASH_SHIFT},
  };
  for (auto [size, shift] : kilobytes) {
    hashTables.hashShift = 0;
    setTransTableKilobytes(size);
    EXPECT_EQ(hashTables.hashShift, shift) << size;
  }
  hashTables.hashShift = DEFAULT_HASH_SHIFT;
}

TEST_F(HashTablesTest, ClearFillsZeroAndThePawnTableWithOnes) {
  std::memset(hashTables.trans, 0x5A, ttBucketCount() * TT_BUCKET_BYTES);
  std::memset(hashTables.quiesce, 0x5A, QUIESCE_TABLE_BYTES);
  std::memset(hashTables.pawn, 0x00, PAWN_HASH_BYTES);
  clearHashTables();
  EXPECT_TRUE(filledWith(hashTables.trans, ttBucketCount() * TT_BUCKET_BYTES, 0));
  EXPECT_TRUE(filledWith(hashTables.quiesce, QUIESCE_TABLE_BYTES, 0));
  EXPECT_TRUE(filledWith(hashTables.pawn, PAWN_HASH_BYTES, 0xFF));
}

TEST_F(HashTablesTest, ResizeGivesAZeroedTableOfTheNewSize) {
  std::memset(hashTables.trans, 0x5A, ttBucketCount() * TT_BUCKET_BYTES);
  // Below the option's minimum means 1 MB.
  const std::pair<int64_t, uint64_t> sizes[] = {{1, 16384}, {0, 16384}, {-7, 16384}, {16, 1u << 18}};
  for (auto [megabytes, buckets] : sizes) {
    EXPECT_EQ(resizeTransTable(megabytes), 1);
    EXPECT_EQ(ttBucketCount(), buckets) << megabytes;
  }
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
  testing::internal::CaptureStdout();
  EXPECT_EQ(resizeTransTable(64), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR (not enough memory): resizeTransTable\n");
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

TEST_F(HashTablesTest, ReplacementOrderAndWorth) {
  const HashKey a = keyOf(2, 1, 100), b = keyOf(2, 2, 200), c = keyOf(2, 3, 300), d = keyOf(2, 4, 400);
  store(a, 5, 0xA);
  store(b, 6, 0xB);  // deeper: b in slot 0, a pushed to slot 1
  expectSlots({b, a});
  store(c, 3, 0xC);  // worth less than both: slot 2
  expectSlots({b, a, c});
  store(d, 1, 0xD);  // slot 2 is always replaced
  expectSlots({b, a, d});
  store(c, 5, 0xC);  // as deep as slot 1: slot 1, a pushed to slot 2
  expectSlots({b, c, a});

  // A shallower result for a stored position changes nothing, not even the age.
  const HashKey e = keyOf(4, 1, 1);
  store(e, 8, 0xA, 33);
  const TTEntry before = bucket(e)[0];
  hashTables.searchGeneration = 12;  // worth 8 - 2 = 6
  store(e, 5, 0xB, -77);
  EXPECT_EQ(std::memcmp(&bucket(e)[0], &before, sizeof before), 0);
  EXPECT_FALSE(entryMatches(bucket(e)[1], e));

  // Old entries lose worth with every game ply.
  hashTables.searchGeneration = 10;
  const HashKey old = keyOf(6, 1, 1), fresh = keyOf(6, 2, 2), shallow = keyOf(6, 3, 3);
  store(old, 8, 0x1);
  hashTables.searchGeneration = 16;  // six plies later: worth 2
  EXPECT_EQ(entryWorth(bucket(old)[0], 16), 2);
  store(shallow, 1, 0x3);  // below 2: an empty slot 1 (worth -16) takes it
  expectSlots({old, shallow});
  store(fresh, 2, 0x2);
  expectSlots({fresh, old, shallow});
}

TEST_F(HashTablesTest, StoreWritesTheBoundAndKeepsTheMoveOfAFailLow) {
  const HashKey a = keyOf(7, 1, 1), b = keyOf(7, 2, 2);
  const TTEntry &e = bucket(a)[0];
  storeTransTable(a, 4, 5, -10, 10, 0xFF000111, TT_MATE_THREAT);
  EXPECT_TRUE(entryMatches(e, a));
  EXPECT_EQ(e.move, 0x111u);  // the 24-bit form
  EXPECT_EQ(e.flags, TT_EXACT | TT_MATE_THREAT);
  EXPECT_EQ(e.age, 10);
  storeTransTable(a, 5, -30, -10, 10, 0x222, TT_THREAT);  // failed low: its move is no best move
  EXPECT_EQ(e.move, 0x111u);
  EXPECT_EQ(e.depth, 5);
  EXPECT_EQ(e.score, -30);
  EXPECT_EQ(e.flags, TT_UPPER | TT_THREAT);
  store(a, 6, 0x333, 40);  // failed high: the new move counts
  EXPECT_EQ(e.move, 0x333u);
  EXPECT_EQ(e.flags, TT_LOWER);
  store(b, 9, 0x444, -30);  // a new position takes its move even failing low
  EXPECT_EQ(e.move, 0x444u);
}

TEST_F(HashTablesTest, SlotOneHoldingThePositionIsNotDuplicated) {
  const HashKey a = keyOf(8, 1, 1), b = keyOf(8, 2, 2), c = keyOf(8, 3, 3);
  store(a, 2, 0x1);
  store(b, 3, 0x2);
  store(c, 1, 0x3);  // b, a, c
  store(a, 4, 0x4);  // deeper a: slot 1 is not pushed, slot 0 moves onto it
  expectSlots({a, b, c});
  TTEntry *slot = bucket(a);
  EXPECT_EQ(slot[0].move, 0x4u);
  // A shallow a that matches slot 1 but is worth more there stores nothing.
  store(b, 7, 0x5);     // b, a, c
  store(a, 1, 0x6, 9);  // below slot 0 (7), below slot 1 (4), slot 1 matches
  EXPECT_EQ(slot[1].move, 0x4u);
  EXPECT_TRUE(entryMatches(slot[2], c));
}

TEST_F(HashTablesTest, ProbeFindsAnySlotRefreshesTheAgeAndCutsOffOnBounds) {
  const HashKey a = keyOf(9, 1, 1), b = keyOf(9, 2, 2), c = keyOf(9, 3, 3);
  store(a, 5, 0x1);
  store(b, 6, 0x2);
  store(c, 1, 0x3);  // b, a, c
  hashTables.searchGeneration = 14;
  TTEntry *hit = probeTransTable(c);
  EXPECT_EQ(hit, &bucket(c)[2]);
  EXPECT_EQ(bucket(c)[2].age, 14);
  EXPECT_EQ(bucket(a)[1].age, 10);
  EXPECT_EQ(probeTransTable(keyOf(9, 1, 77)), nullptr);  // same low word, other high word

  // Only a bound at least as deep as the node answers it; exact never does.
  TTEntry e{};
  e.depth = 5;
  e.score = -40;
  e.flags = TT_UPPER;
  int score = 0;
  EXPECT_TRUE(ttCutoff(e, 5, -40, 0, &score));
  EXPECT_EQ(score, -40);
  EXPECT_FALSE(ttCutoff(e, 6, -40, 0, &score));  // too shallow
  EXPECT_FALSE(ttCutoff(e, 5, -41, 0, &score));  // above alpha
  e.flags = TT_LOWER;
  e.score = 60;
  EXPECT_TRUE(ttCutoff(e, 3, 0, 60, &score));
  EXPECT_EQ(score, 60);
  EXPECT_FALSE(ttCutoff(e, 3, 0, 61, &score));
  e.flags = TT_EXACT;
  EXPECT_FALSE(ttCutoff(e, 1, 100, 200, &score) || ttCutoff(e, 1, -200, -100, &score));
}

TEST_F(HashTablesTest, RootStoreAndProbe) {
  const HashKey evenRoot = keyOf(11, 1, 0x10), oddRoot = keyOf(11, 2, 0x21), other = keyOf(11, 3, 0x33);
  store(other, 9, 0x9);                          // slot 0, keyLock odd
  storeRootEntry(evenRoot, 4, 5, -10, 10, 0x1);  // below worth 9: slot 1 (even high word)
  storeRootEntry(oddRoot, 2, 50, -10, 10, 0x2);  // slot 2 (odd high word), fail high
  expectSlots({other, evenRoot, oddRoot});
  TTEntry *slot = bucket(other);
  EXPECT_EQ(slot[1].flags, TT_EXACT);
  EXPECT_EQ(slot[2].flags, TT_LOWER);
  EXPECT_EQ(probeRootMove(evenRoot), 0x1u);
  EXPECT_EQ(probeRootMove(oddRoot), 0x2u);
  EXPECT_EQ(probeRootMove(other), 0x9u);

  // A root result at least as deep as slot 0 takes it; slot 0's old entry
  // goes to the slot its own key's parity selects (odd: slot 2).
  hashTables.searchGeneration = 20;
  storeRootEntry(evenRoot, 3, -20, -10, 10, 0x7);
  EXPECT_TRUE(entryMatches(slot[0], evenRoot));
  EXPECT_TRUE(entryMatches(slot[2], other));
  EXPECT_EQ(slot[0].flags, TT_UPPER);
  EXPECT_EQ(slot[0].move, 0x7u);          // slot 0 did not hold the root: the move is written
  EXPECT_EQ(probeRootMove(oddRoot), 0u);  // lost; its parity slot now holds another position
  // The root probe does not refresh ages.
  const uint16_t age = slot[0].age;
  hashTables.searchGeneration = 25;
  EXPECT_EQ(probeRootMove(evenRoot), 0x7u);
  EXPECT_EQ(slot[0].age, age);
  // Failing low on slot 0's own position keeps the move there.
  storeRootEntry(evenRoot, 6, -20, -10, 10, 0x8);
  EXPECT_EQ(slot[0].move, 0x7u);
  EXPECT_EQ(slot[0].depth, 6);

  // Slot 2 is not the parity slot of an even key: the root probe misses it,
  // the search's probe finds it.
  const HashKey root = keyOf(12, 1, 0x2);
  TTEntry &wrongSlot = bucket(root)[2];
  wrongSlot.keyCheck = 1;
  wrongSlot.keyLock = 0x2;
  wrongSlot.move = 0x55;
  EXPECT_EQ(probeRootMove(root), 0u);
  EXPECT_NE(probeTransTable(root), nullptr);
}

TEST_F(HashTablesTest, QuiescenceTableKeepsTheNewestTwoAndAnswersBounds) {
  auto qKey = [](uint16_t check, uint32_t lock) { return (HashKey(lock) << 32) | (0x3u << 16) | check; };
  const HashKey a = qKey(1, 1), b = qKey(2, 2), c = qKey(3, 3);
  QuiesceEntry *slot = quiesceBucketFor(a).slot;
  storeQuiesceTable(a, 30, 0, 100, 0xFF000011);
  EXPECT_TRUE(entryMatches(slot[0], a));
  EXPECT_EQ(slot[0].move, 0x11u);
  EXPECT_EQ(slot[0].flags, TT_EXACT);
  storeQuiesceTable(b, 0, 0, 100, 0x22);
  EXPECT_TRUE(entryMatches(slot[0], b));
  EXPECT_EQ(slot[0].flags, TT_UPPER);
  EXPECT_TRUE(entryMatches(slot[1], a));
  storeQuiesceTable(b, 100, 0, 100, 0x23);  // the same position: in place
  EXPECT_EQ(slot[0].flags, TT_LOWER);
  EXPECT_EQ(slot[0].move, 0x23u);
  EXPECT_TRUE(entryMatches(slot[1], a));
  storeQuiesceTable(c, 10, 0, 100, 0x33);  // a is lost
  EXPECT_EQ(probeQuiesceTable(a), nullptr);
  EXPECT_EQ(probeQuiesceTable(b), &slot[1]);
  EXPECT_EQ(probeQuiesceTable(c), &slot[0]);

  // Exact scores answer at once, bounds only on their side of the window.
  QuiesceEntry e{};
  int score = 0;
  e.score = 25;
  e.flags = TT_EXACT;
  EXPECT_TRUE(quiesceCutoff(e, -100, 100, &score));
  EXPECT_EQ(score, 25);
  e.flags = TT_UPPER;
  EXPECT_TRUE(quiesceCutoff(e, 25, 100, &score));
  EXPECT_FALSE(quiesceCutoff(e, 24, 100, &score));
  e.flags = TT_LOWER;
  EXPECT_TRUE(quiesceCutoff(e, -100, 25, &score));
  EXPECT_FALSE(quiesceCutoff(e, -100, 26, &score));
}

}  // namespace
