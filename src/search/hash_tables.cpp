// Allocation, sizing, clearing, probing and replacement of the hash tables.
#include "search/hash_tables.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

HashTables hashTables = {nullptr, nullptr, nullptr, DEFAULT_HASH_SHIFT, 0, false};

static TableAllocator allocateBlock = std::calloc;

void setTableAllocator(TableAllocator allocator) { allocateBlock = allocator ? allocator : std::calloc; }

bool allocateHashTables() {
  freeHashTables();
  hashTables.trans = static_cast<TTBucket *>(allocateBlock(ttBucketCount(), TT_BUCKET_BYTES));
  if (hashTables.trans) hashTables.quiesce = static_cast<QuiesceBucket *>(allocateBlock(1, QUIESCE_TABLE_BYTES));
  hashTables.pawn = static_cast<PawnHashEntry *>(allocateBlock(1, PAWN_HASH_BYTES));
  if (!hashTables.trans || !hashTables.pawn) {
    freeHashTables();
    return false;
  }
  hashTables.zeroed = true;
  return true;
}

void freeHashTables() {
  std::free(hashTables.trans);
  std::free(hashTables.quiesce);
  std::free(hashTables.pawn);
  hashTables.trans = nullptr;
  hashTables.quiesce = nullptr;
  hashTables.pawn = nullptr;
}

void clearHashTables() {
  if (hashTables.zeroed) return;
  if (hashTables.trans) std::memset(hashTables.trans, 0, ttBucketCount() * TT_BUCKET_BYTES);
  if (hashTables.quiesce) std::memset(hashTables.quiesce, 0, QUIESCE_TABLE_BYTES);
  if (hashTables.pawn) std::memset(hashTables.pawn, 0, PAWN_HASH_BYTES);
  hashTables.zeroed = true;
}

// n buckets fit; 2^(k-1) is the largest power of two not above n, and the
// table has 2^(k-1) = 2^(32 - hashShift) buckets.
int hashShiftForBytes(uint64_t bytes) {
  uint64_t n = bytes / TT_BUCKET_BYTES;
  int k = 10;
  if (n >= 1024)
    while (k < 63 && (uint64_t(1) << k) <= n) k++;
  int shift = 33 - k;
  return shift < MIN_HASH_SHIFT ? MIN_HASH_SHIFT : shift;
}

void setTransTableKilobytes(int64_t kilobytes) {
  if (kilobytes < 48) kilobytes = 3100;
  const int64_t largest = int64_t(1) << 40;  // far above the largest table; keeps the product in range
  if (kilobytes > largest) kilobytes = largest;
  hashTables.hashShift = hashShiftForBytes(uint64_t(kilobytes) * 1024);
}

int resizeTransTable(int64_t megabytes) {
  if (megabytes < 1) megabytes = 1;
  if (megabytes > 256) megabytes = 256;
  int shift = hashShiftForBytes(uint64_t(megabytes) << 20);
  // The new block is allocated before the old one is given up, so a failure
  // leaves the engine with the table it had.
  void *block = allocateBlock(size_t(1) << (32 - shift), TT_BUCKET_BYTES);
  if (!block) {
    if (hashTables.trans) std::memset(hashTables.trans, 0, ttBucketCount() * TT_BUCKET_BYTES);
    std::printf("ERROR (not enough memory): resizeTransTable\n");
    std::fflush(stdout);
    return 0;
  }
  std::free(hashTables.trans);
  hashTables.trans = static_cast<TTBucket *>(block);
  hashTables.hashShift = shift;
  return 1;
}

int entryWorth(const TTEntry &entry, int generation) {
  return entry.depth - (int(uint16_t(generation)) - int(entry.age));
}

TTEntry *probeTransTable(HashKey key) {
  TTBucket &bucket = ttBucketFor(key);
  for (TTEntry &entry : bucket.slot) {
    if (entryMatches(entry, key)) {
      entry.age = uint16_t(hashTables.searchGeneration);
      return &entry;
    }
  }
  return nullptr;
}

bool ttCutoff(const TTEntry &entry, int depth, int alpha, int beta, int *score) {
  if (entry.depth < depth) return false;
  if ((entry.flags & TT_UPPER) && entry.score <= alpha) {
    *score = entry.score;
    return true;
  }
  if ((entry.flags & TT_LOWER) && entry.score >= beta) {
    *score = entry.score;
    return true;
  }
  return false;
}

Move probeRootMove(HashKey key) {
  const TTBucket &bucket = ttBucketFor(key);
  if (entryMatches(bucket.slot[0], key)) return bucket.slot[0].move;
  const TTEntry &second = bucket.slot[1 + ((key >> 32) & 1)];
  return entryMatches(second, key) ? second.move : 0;
}

// Writes a search result into a slot.  Unless `alwaysWriteMove`, the slot's
// old move survives when the slot already held this position and the new
// result failed low: a fail-low node has no best move of its own.
static void writeEntry(TTEntry &entry, HashKey key, int depth, int score, uint8_t flags, Move move,
                       bool alwaysWriteMove) {
  markTablesWritten();
  bool samePosition = entryMatches(entry, key);
  entry.keyCheck = uint16_t(key);
  entry.keyLock = uint32_t(key >> 32);
  entry.score = int16_t(score);
  entry.depth = int8_t(depth);
  entry.age = uint16_t(hashTables.searchGeneration);
  entry.flags = flags;
  if (alwaysWriteMove || !samePosition || !(flags & TT_UPPER)) entry.move = move & MOVE_IDENTITY_MASK;
}

void storeTransTable(HashKey key, int depth, int score, int alpha, int beta, Move move, uint8_t threatFlags) {
  TTBucket &bucket = ttBucketFor(key);
  TTEntry *slot = bucket.slot;
  int generation = hashTables.searchGeneration;
  uint8_t flags = boundFlags(score, alpha, beta) | (threatFlags & (TT_MATE_THREAT | TT_THREAT));
  bool m0 = entryMatches(slot[0], key);
  bool m1 = entryMatches(slot[1], key);

  if (depth >= entryWorth(slot[0], generation)) {
    if (!m0) {
      if (!m1) slot[2] = slot[1];
      slot[1] = slot[0];
    }
    writeEntry(slot[0], key, depth, score, flags, move, false);
  } else if (m0) {
    // A deeper result for this position is already stored.
  } else if (depth >= entryWorth(slot[1], generation)) {
    if (!m1) slot[2] = slot[1];
    writeEntry(slot[1], key, depth, score, flags, move, false);
  } else if (!m1) {
    writeEntry(slot[2], key, depth, score, flags, move, false);
  }
}

void storeRootEntry(HashKey key, int depth, int score, int alpha, int beta, Move move) {
  TTBucket &bucket = ttBucketFor(key);
  TTEntry *slot = bucket.slot;
  int generation = hashTables.searchGeneration;
  uint8_t flags = boundFlags(score, alpha, beta);

  if (depth >= entryWorth(slot[0], generation)) {
    if (!entryMatches(slot[0], key)) slot[1 + (slot[0].keyLock & 1)] = slot[0];
    writeEntry(slot[0], key, depth, score, flags, move, false);
    return;
  }
  TTEntry &other = slot[1 + ((key >> 32) & 1)];
  if (depth >= entryWorth(other, generation)) writeEntry(other, key, depth, score, flags, move, true);
}

const QuiesceEntry *probeQuiesceTable(HashKey key) {
  if (!hashTables.quiesce) return nullptr;
  const QuiesceBucket &bucket = quiesceBucketFor(key);
  for (const QuiesceEntry &entry : bucket.slot)
    if (entryMatches(entry, key)) return &entry;
  return nullptr;
}

bool quiesceCutoff(const QuiesceEntry &entry, int alpha, int beta, int *score) {
  bool answers = (entry.flags & TT_EXACT) || ((entry.flags & TT_UPPER) && entry.score <= alpha) ||
                 ((entry.flags & TT_LOWER) && entry.score >= beta);
  if (answers) *score = entry.score;
  return answers;
}

void storeQuiesceTable(HashKey key, int score, int alpha, int beta, Move move) {
  if (!hashTables.quiesce) return;
  markTablesWritten();
  QuiesceBucket &bucket = quiesceBucketFor(key);
  if (!entryMatches(bucket.slot[0], key)) bucket.slot[1] = bucket.slot[0];
  QuiesceEntry &entry = bucket.slot[0];
  entry.keyCheck = uint16_t(key);
  entry.keyLock = uint32_t(key >> 32);
  entry.score = int16_t(score);
  entry.move = move & MOVE_IDENTITY_MASK;
  entry.flags = boundFlags(score, alpha, beta);
}
