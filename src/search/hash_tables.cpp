// Allocation and clearing of the hash tables.
#include "search/hash_tables.h"

#include <cstdlib>
#include <cstring>

HashTables hashTables = {nullptr, nullptr, nullptr, DEFAULT_HASH_SHIFT, 0};

bool allocateHashTables() {
  freeHashTables();
  hashTables.trans = static_cast<TTBucket *>(std::malloc(ttBucketCount() * sizeof(TTBucket)));
  if (hashTables.trans)
    hashTables.quiesce = static_cast<QuiesceBucket *>(std::malloc(QUIESCE_BUCKETS * sizeof(QuiesceBucket)));
  hashTables.pawn = static_cast<PawnHashEntry *>(std::malloc(PAWN_HASH_ENTRIES * sizeof(PawnHashEntry)));
  if (!hashTables.trans || !hashTables.pawn) {
    freeHashTables();
    return false;
  }
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
  if (hashTables.trans) std::memset(hashTables.trans, 0, ttBucketCount() * sizeof(TTBucket));
  if (hashTables.quiesce) std::memset(hashTables.quiesce, 0, QUIESCE_BUCKETS * sizeof(QuiesceBucket));
  if (hashTables.pawn) std::memset(hashTables.pawn, 0xFF, PAWN_HASH_ENTRIES * sizeof(PawnHashEntry));
}
