// Sizing, allocation, clearing and the replacement schemes of the hash tables.
#include "search/hash_tables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

// A key whose bucket, low 16 bits and high word are chosen: keys with the
// same `bucket` share a transposition bucket.
HashKey keyOf(uint32_t bucket, uint16_t check, uint32_t lock) {
  uint32_t lo = (bucket << DEFAULT_HASH_SHIFT) | check;
  return (HashKey(lock) << 32) | lo;
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
  TTEntry *bucket(HashKey key) { return ttBucketFor(key).slot; }
};

TEST(HashSizing, LargestPowerOfTwoOfBucketsThatFits) {
  EXPECT_EQ(hashShiftForBytes(4ull << 20), 16);    // "Hash" 4: 87,381 fit, 65,536 buckets
  EXPECT_EQ(hashShiftForBytes(1ull << 20), 18);    // "Hash" 1: 16,384 buckets
  EXPECT_EQ(hashShiftForBytes(16ull << 20), 14);   // 349,525 fit: 2^18 buckets
  EXPECT_EQ(hashShiftForBytes(256ull << 20), 10);  // 4,194,304 buckets, 192 MB
  EXPECT_EQ(hashShiftForBytes(1024 * 48), 22);     // exactly 1,024 buckets
  EXPECT_EQ(hashShiftForBytes(1023 * 48), 23);     // fewer than 1,024: 512 buckets
  EXPECT_EQ(hashShiftForBytes(0), 23);
  EXPECT_EQ(hashShiftForBytes(~0ull), MIN_HASH_SHIFT);  // capped at 2^24 buckets
}

TEST(HashSizing, ConfigurationKilobytes) {
  const struct {
    int64_t kilobytes;
    int shift;
  } cases[] = {
      {3100, 16},  {10, 16}, {47, 16},
      {0, 16},     {-5, 16}, {INT64_MIN, 16},
      {24576, 13}, {48, 22}, {INT64_MAX, MIN_HASH_SHIFT},
  };
  for (const auto &c : cases) {
    hashTables.hashShift = 0;
    setTransTableKilobytes(c.kilobytes);
    EXPECT_EQ(hashTables.hashShift, c.shift) << c.kilobytes;
  }
  hashTables.hashShift = DEFAULT_HASH_SHIFT;
}

TEST_F(HashTablesTest, ClearFillsZeroAndPawnTableWithOnes) {
  std::memset(hashTables.trans, 0x5A, ttBucketCount() * TT_BUCKET_BYTES);
  std::memset(hashTables.quiesce, 0x5A, QUIESCE_TABLE_BYTES);
  std::memset(hashTables.pawn, 0x00, PAWN_HASH_BYTES);
  clearHashTables();
  const auto *trans = reinterpret_cast<const uint8_t *>(hashTables.trans);
  const auto *quiesce = reinterpret_cast<const uint8_t *>(hashTables.quiesce);
  const auto *pawn = reinterpret_cast<const uint8_t *>(hashTables.pawn);
  for (uint64_t i = 0; i < ttBucketCount() * TT_BUCKET_BYTES; i++) ASSERT_EQ(trans[i], 0) << i;
  for (uint64_t i = 0; i < QUIESCE_TABLE_BYTES; i++) ASSERT_EQ(quiesce[i], 0) << i;
  for (uint64_t i = 0; i < PAWN_HASH_BYTES; i++) ASSERT_EQ(pawn[i], 0xFF) << i;
}

TEST_F(HashTablesTest, ResizeGivesAZeroedTableOfTheNewSize) {
  std::memset(hashTables.trans, 0x5A, ttBucketCount() * TT_BUCKET_BYTES);
  EXPECT_EQ(resizeTransTable(1), 1);
  EXPECT_EQ(ttBucketCount(), 16384u);
  EXPECT_EQ(resizeTransTable(0), 1);  // below the option's minimum: 1 MB
  EXPECT_EQ(ttBucketCount(), 16384u);
  EXPECT_EQ(resizeTransTable(-7), 1);
  EXPECT_EQ(ttBucketCount(), 16384u);
  EXPECT_EQ(resizeTransTable(16), 1);
  EXPECT_EQ(ttBucketCount(), 1u << 18);
  const auto *bytes = reinterpret_cast<const uint8_t *>(hashTables.trans);
  for (uint64_t i = 0; i < ttBucketCount() * TT_BUCKET_BYTES; i++) ASSERT_EQ(bytes[i], 0) << i;
}

void *failLargeBlocks(size_t count, size_t size) {
  return count * size > (1u << 20) ? nullptr : std::calloc(count, size);
}
void *failQuiesceBlock(size_t count, size_t size) {
  return count * size == QUIESCE_TABLE_BYTES ? nullptr : std::calloc(count, size);
}

TEST_F(HashTablesTest, FailedResizeKeepsAWorkingTable) {
  ASSERT_EQ(resizeTransTable(1), 1);
  TTBucket *old = hashTables.trans;
  HashKey key = keyOf(3, 7, 9);
  storeTransTable(key, 4, 10, 0, 100, 0x123, 0);
  setTableAllocator(failLargeBlocks);
  testing::internal::CaptureStdout();
  EXPECT_EQ(resizeTransTable(64), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "ERROR (not enough memory): resizeTransTable\n");
  EXPECT_EQ(hashTables.trans, old);
  EXPECT_EQ(ttBucketCount(), 16384u);
  // The old table is cleared, as a new one would have been, and still works.
  EXPECT_EQ(probeTransTable(key), nullptr);
  storeTransTable(key, 4, 10, 0, 100, 0x123, 0);
  EXPECT_NE(probeTransTable(key), nullptr);
}

TEST_F(HashTablesTest, FailedAllocationLeavesNothingAllocated) {
  setTableAllocator(failLargeBlocks);
  EXPECT_FALSE(allocateHashTables());  // the 3 MB transposition table fails
  EXPECT_EQ(hashTables.trans, nullptr);
  EXPECT_EQ(hashTables.quiesce, nullptr);
  EXPECT_EQ(hashTables.pawn, nullptr);
}

TEST_F(HashTablesTest, MissingQuiescenceTableIsTolerated) {
  setTableAllocator(failQuiesceBlock);
  ASSERT_TRUE(allocateHashTables());
  EXPECT_NE(hashTables.trans, nullptr);
  EXPECT_NE(hashTables.pawn, nullptr);
  EXPECT_EQ(hashTables.quiesce, nullptr);
  clearHashTables();
  HashKey key = keyOf(1, 2, 3);
  storeQuiesceTable(key, 5, 0, 100, 0x40);
  EXPECT_EQ(probeQuiesceTable(key), nullptr);
}

TEST_F(HashTablesTest, StoreWritesEveryField) {
  HashKey key = keyOf(5, 0xBEEF, 0xCAFEF00D);
  storeTransTable(key, 7, -123, -50, 50, 0xFF00ABCD, TT_THREAT);
  const TTEntry &e = bucket(key)[0];
  EXPECT_EQ(e.keyCheck, 0xBEEF);
  EXPECT_EQ(e.keyLock, 0xCAFEF00Du);
  EXPECT_EQ(e.score, -123);
  EXPECT_EQ(e.depth, 7);
  EXPECT_EQ(e.age, 10);
  EXPECT_EQ(e.move, 0x00ABCDu);  // the 24-bit form
  EXPECT_EQ(e.flags, TT_UPPER | TT_THREAT);

  storeTransTable(key, 8, 50, -50, 50, 0x1, TT_MATE_THREAT);
  EXPECT_EQ(bucket(key)[0].flags, TT_LOWER | TT_MATE_THREAT);
  storeTransTable(key, 9, 0, -50, 50, 0x1, 0);
  EXPECT_EQ(bucket(key)[0].flags, TT_EXACT);
}

TEST_F(HashTablesTest, ReplacementOrder) {
  HashKey a = keyOf(2, 1, 100), b = keyOf(2, 2, 200), c = keyOf(2, 3, 300), d = keyOf(2, 4, 400);
  storeTransTable(a, 5, 0, -10, 10, 0xA, 0);
  storeTransTable(b, 6, 0, -10, 10, 0xB, 0);  // deeper: b in slot 0, a pushed to slot 1
  TTEntry *slot = bucket(a);
  EXPECT_TRUE(entryMatches(slot[0], b));
  EXPECT_TRUE(entryMatches(slot[1], a));
  storeTransTable(c, 3, 0, -10, 10, 0xC, 0);  // worth less than both: slot 2
  EXPECT_TRUE(entryMatches(slot[2], c));
  storeTransTable(d, 1, 0, -10, 10, 0xD, 0);  // slot 2 is always replaced
  EXPECT_TRUE(entryMatches(slot[0], b));
  EXPECT_TRUE(entryMatches(slot[1], a));
  EXPECT_TRUE(entryMatches(slot[2], d));
  storeTransTable(c, 5, 0, -10, 10, 0xC, 0);  // as deep as slot 1: slot 1, a pushed to slot 2
  EXPECT_TRUE(entryMatches(slot[0], b));
  EXPECT_TRUE(entryMatches(slot[1], c));
  EXPECT_TRUE(entryMatches(slot[2], a));
}

TEST_F(HashTablesTest, ShallowerResultForTheStoredPositionChangesNothing) {
  HashKey a = keyOf(4, 1, 1);
  storeTransTable(a, 8, 33, -10, 10, 0xA, 0);
  TTEntry before = bucket(a)[0];
  hashTables.searchGeneration = 12;  // worth 8 - 2 = 6
  storeTransTable(a, 5, -77, -10, 10, 0xB, 0);
  EXPECT_EQ(std::memcmp(&bucket(a)[0], &before, sizeof before), 0);  // not even the age
  EXPECT_FALSE(entryMatches(bucket(a)[1], a));
}

TEST_F(HashTablesTest, OldEntriesLoseWorthWithEveryGamePly) {
  HashKey old = keyOf(6, 1, 1), fresh = keyOf(6, 2, 2), shallow = keyOf(6, 3, 3);
  storeTransTable(old, 8, 0, -10, 10, 0x1, 0);
  hashTables.searchGeneration = 16;  // six plies later: worth 2
  EXPECT_EQ(entryWorth(bucket(old)[0], 16), 2);
  storeTransTable(shallow, 1, 0, -10, 10, 0x3, 0);  // below 2: an empty slot 1 (worth -16) takes it
  EXPECT_TRUE(entryMatches(bucket(old)[0], old));
  EXPECT_TRUE(entryMatches(bucket(old)[1], shallow));
  storeTransTable(fresh, 2, 0, -10, 10, 0x2, 0);
  EXPECT_TRUE(entryMatches(bucket(old)[0], fresh));
  EXPECT_TRUE(entryMatches(bucket(old)[1], old));
  EXPECT_TRUE(entryMatches(bucket(old)[2], shallow));
}

TEST_F(HashTablesTest, FailLowKeepsTheStoredMove) {
  HashKey a = keyOf(7, 1, 1);
  storeTransTable(a, 4, 20, -10, 10, 0x111, 0);
  storeTransTable(a, 5, -30, -10, 10, 0x222, 0);  // failed low: its move is no best move
  EXPECT_EQ(bucket(a)[0].move, 0x111u);
  EXPECT_EQ(bucket(a)[0].depth, 5);
  EXPECT_EQ(bucket(a)[0].flags, TT_UPPER);
  storeTransTable(a, 6, 40, -10, 10, 0x333, 0);  // failed high: the new move counts
  EXPECT_EQ(bucket(a)[0].move, 0x333u);
  HashKey b = keyOf(7, 2, 2);
  storeTransTable(b, 9, -30, -10, 10, 0x444, 0);  // a new position takes its move even failing low
  EXPECT_EQ(bucket(b)[0].move, 0x444u);
}

TEST_F(HashTablesTest, SlotOneHoldingThePositionIsNotDuplicated) {
  HashKey a = keyOf(8, 1, 1), b = keyOf(8, 2, 2), c = keyOf(8, 3, 3);
  storeTransTable(a, 2, 0, -10, 10, 0x1, 0);
  storeTransTable(b, 3, 0, -10, 10, 0x2, 0);  // b, a
  storeTransTable(c, 1, 0, -10, 10, 0x3, 0);  // b, a, c
  storeTransTable(a, 4, 0, -10, 10, 0x4, 0);  // deeper a: slot 1 is not pushed, slot 0 moves onto it
  TTEntry *slot = bucket(a);
  EXPECT_TRUE(entryMatches(slot[0], a));
  EXPECT_EQ(slot[0].move, 0x4u);
  EXPECT_TRUE(entryMatches(slot[1], b));
  EXPECT_TRUE(entryMatches(slot[2], c));
  // A shallow a that matches slot 1 but worth more there stores nothing.
  storeTransTable(b, 7, 0, -10, 10, 0x5, 0);  // b, a, c
  storeTransTable(a, 1, 9, -10, 10, 0x6, 0);  // below slot 0 (7), below slot 1 (4), slot 1 matches
  EXPECT_EQ(slot[1].move, 0x4u);
  EXPECT_TRUE(entryMatches(slot[2], c));
}

TEST_F(HashTablesTest, ProbeFindsAnySlotAndRefreshesTheAge) {
  HashKey a = keyOf(9, 1, 1), b = keyOf(9, 2, 2), c = keyOf(9, 3, 3);
  storeTransTable(a, 5, 0, -10, 10, 0x1, 0);
  storeTransTable(b, 6, 0, -10, 10, 0x2, 0);
  storeTransTable(c, 1, 0, -10, 10, 0x3, 0);  // b, a, c
  hashTables.searchGeneration = 14;
  TTEntry *hit = probeTransTable(c);
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(hit, &bucket(c)[2]);
  EXPECT_EQ(hit->age, 14);
  EXPECT_EQ(bucket(a)[1].age, 10);
  // Same low word, different high word: no hit.
  EXPECT_EQ(probeTransTable(keyOf(9, 1, 77)), nullptr);
}

TEST_F(HashTablesTest, OnlyBoundsDeepEnoughCutOff) {
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
  EXPECT_FALSE(ttCutoff(e, 1, 100, 200, &score));
  EXPECT_FALSE(ttCutoff(e, 1, -200, -100, &score));
}

TEST_F(HashTablesTest, RootStoreAndProbe) {
  HashKey evenRoot = keyOf(11, 1, 0x10), oddRoot = keyOf(11, 2, 0x21), other = keyOf(11, 3, 0x33);
  storeTransTable(other, 9, 0, -10, 10, 0x9, 0);  // slot 0, keyLock odd
  storeRootEntry(evenRoot, 4, 5, -10, 10, 0x1);   // below worth 9: slot 1 (even high word)
  TTEntry *slot = bucket(other);
  EXPECT_TRUE(entryMatches(slot[1], evenRoot));
  EXPECT_EQ(slot[1].flags, TT_EXACT);
  storeRootEntry(oddRoot, 2, 50, -10, 10, 0x2);  // slot 2 (odd high word), fail high
  EXPECT_TRUE(entryMatches(slot[2], oddRoot));
  EXPECT_EQ(slot[2].flags, TT_LOWER);
  EXPECT_EQ(probeRootMove(evenRoot), 0x1u);
  EXPECT_EQ(probeRootMove(oddRoot), 0x2u);
  EXPECT_EQ(probeRootMove(other), 0x9u);

  // A root result at least as deep as slot 0 takes it; slot 0's old entry
  // goes to the slot its own key's parity selects (odd: slot 2).
  hashTables.searchGeneration = 20;
  storeRootEntry(evenRoot, 3, -20, -10, 10, 0x7);
  EXPECT_TRUE(entryMatches(slot[0], evenRoot));
  EXPECT_EQ(slot[0].flags, TT_UPPER);
  EXPECT_EQ(slot[0].move, 0x7u);  // slot 0 did not hold the root: the move is written
  EXPECT_TRUE(entryMatches(slot[2], other));
  EXPECT_EQ(probeRootMove(oddRoot), 0u);  // lost; its parity slot now holds another position
  // The root probe does not refresh ages.
  uint16_t age = slot[0].age;
  hashTables.searchGeneration = 25;
  EXPECT_EQ(probeRootMove(evenRoot), 0x7u);
  EXPECT_EQ(slot[0].age, age);
  // Failing low on slot 0's own position keeps the move there.
  storeRootEntry(evenRoot, 6, -20, -10, 10, 0x8);
  EXPECT_EQ(slot[0].move, 0x7u);
  EXPECT_EQ(slot[0].depth, 6);
}

TEST_F(HashTablesTest, RootProbeLooksOnlyAtSlotZeroAndTheParitySlot) {
  HashKey root = keyOf(12, 1, 0x2);  // even: slot 1
  TTEntry *slot = bucket(root);
  slot[2].keyCheck = 1;
  slot[2].keyLock = 0x2;
  slot[2].move = 0x55;
  EXPECT_EQ(probeRootMove(root), 0u);
  EXPECT_NE(probeTransTable(root), nullptr);  // the search's probe finds it
}

TEST_F(HashTablesTest, QuiescenceStoreKeepsTheNewestTwo) {
  auto qKey = [](uint16_t check, uint32_t lock) { return (HashKey(lock) << 32) | (0x3u << 16) | check; };
  HashKey a = qKey(1, 1), b = qKey(2, 2), c = qKey(3, 3);
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
  EXPECT_TRUE(entryMatches(slot[0], c));
  EXPECT_TRUE(entryMatches(slot[1], b));
  EXPECT_EQ(probeQuiesceTable(a), nullptr);
  EXPECT_EQ(probeQuiesceTable(b), &slot[1]);
  EXPECT_EQ(probeQuiesceTable(c), &slot[0]);
}

TEST_F(HashTablesTest, QuiescenceEntriesAnswerBoundsAndExactScores) {
  QuiesceEntry e{};
  int score = 0;
  e.score = 25;
  e.flags = TT_EXACT;
  EXPECT_TRUE(quiesceCutoff(e, -100, 100, &score));  // exact: at once
  EXPECT_EQ(score, 25);
  e.flags = TT_UPPER;
  EXPECT_TRUE(quiesceCutoff(e, 25, 100, &score));
  EXPECT_FALSE(quiesceCutoff(e, 24, 100, &score));
  e.flags = TT_LOWER;
  EXPECT_TRUE(quiesceCutoff(e, -100, 25, &score));
  EXPECT_FALSE(quiesceCutoff(e, -100, 26, &score));
}

}  // namespace
