// The three hash tables: the transposition table of the alpha-beta search,
// the small quiescence table and the pawn-structure cache of the evaluation.
// All are plain heap blocks allocated once at start-up and never during a
// search; the transposition table alone can be resized between searches.
#pragma once

#include <cstddef>
#include <cstdint>

#include "position/types.h"

// Transposition table entry (16 bytes); three make a 48-byte bucket.
struct TTEntry {
  uint32_t keyLock;   // high 32 bits of the key
  uint16_t keyCheck;  // low 16 bits of the key
  int16_t score;
  uint32_t move;  // 24-bit move form, 0 = none
  uint16_t age;   // searchGeneration when last written or found
  int8_t depth;
  uint8_t flags;  // TT_EXACT / TT_LOWER / TT_UPPER, TT_MATE_THREAT, TT_THREAT
};
struct TTBucket {
  TTEntry slot[3];
};

// Quiescence table entry: the TTEntry layout without depth and age.
struct QuiesceEntry {
  uint32_t keyLock;
  uint16_t keyCheck;
  int16_t score;
  uint32_t move;
  uint8_t unused[3];
  uint8_t flags;
};
struct QuiesceBucket {
  QuiesceEntry slot[2];
};

// Pawn-structure cache entry; the evaluation defines its meaning.
struct PawnHashEntry {
  uint32_t key;            // pawnKey XOR the parameter set's salt; 0 after a clear
  uint8_t shelter[2][64];  // king-shelter penalty per king square, 255 = not yet computed
  uint8_t weakFiles[2];    // files whose pawns drew the backward penalty
  uint8_t passedFiles[2];  // files whose frontmost pawn is passed
  int16_t pawnScore;       // White minus Black
};

static_assert(sizeof(TTEntry) == 16 && sizeof(TTBucket) == 48, "transposition bucket layout");
static_assert(sizeof(QuiesceEntry) == 16 && sizeof(QuiesceBucket) == 32, "quiescence bucket layout");
static_assert(sizeof(PawnHashEntry) == 140, "pawn hash entry layout");

enum : uint8_t { TT_EXACT = 1, TT_LOWER = 2, TT_UPPER = 4, TT_MATE_THREAT = 8, TT_THREAT = 16 };

constexpr int QUIESCE_BUCKETS = 2048;
constexpr int PAWN_HASH_ENTRIES = 8192;
constexpr int DEFAULT_HASH_SHIFT = 16;

struct HashTables {
  TTBucket *trans;         // 2^(32 - hashShift) buckets
  QuiesceBucket *quiesce;  // may be null: the quiescence search then runs without it
  PawnHashEntry *pawn;
  int hashShift;
  int searchGeneration;  // game ply of the current search; only the low 16 bits are stored
  // Every table is still all zero bytes (fresh from calloc or just cleared):
  // clearing it again would only touch every page for nothing.
  bool zeroed;
};
extern HashTables hashTables;

inline uint64_t ttBucketCount() { return uint64_t(1) << (32 - hashTables.hashShift); }
inline TTBucket &ttBucketFor(HashKey key) { return hashTables.trans[uint32_t(key) >> hashTables.hashShift]; }
// Asks the processor to start loading the bucket of `key` (48 bytes, which
// may straddle two cache lines) while the node does its other work first.
inline void prefetchTransTable(HashKey key) {
  const char *bucket = reinterpret_cast<const char *>(&ttBucketFor(key));
  __builtin_prefetch(bucket);
  __builtin_prefetch(bucket + sizeof(TTBucket) - 1);
}
inline QuiesceBucket &quiesceBucketFor(HashKey key) { return hashTables.quiesce[(uint32_t(key) >> 16) & 0x7FF]; }

constexpr int MIN_HASH_SHIFT = 8;  // at most 2^24 buckets (768 MB)
constexpr uint64_t TT_BUCKET_BYTES = sizeof(TTBucket);
constexpr uint64_t QUIESCE_TABLE_BYTES = QUIESCE_BUCKETS * sizeof(QuiesceBucket);
constexpr uint64_t PAWN_HASH_BYTES = PAWN_HASH_ENTRIES * sizeof(PawnHashEntry);

// Where the table blocks come from: a calloc-like function (std::calloc
// unless a test installs one that fails; nullptr restores std::calloc).
using TableAllocator = void *(*)(size_t count, size_t size);
void setTableAllocator(TableAllocator allocator);

// Allocates the tables, zero-filled (an empty table is all zero bytes).  Returns false when the transposition
// or pawn table could not be allocated; whatever was allocated is then freed.
bool allocateHashTables();
void freeHashTables();
// All tables to zero bytes, unless nothing was stored since they last were.
void clearHashTables();
inline void markTablesWritten() { hashTables.zeroed = false; }

// Sizing the transposition table.  The table holds the largest power of two
// of 48-byte buckets that fits in the requested size, never fewer than 512
// and never more than 2^24 buckets.
int hashShiftForBytes(uint64_t bytes);
// "TT_SIZE" of the configuration file, in kilobytes; below 48 (negative
// included) it means 3,100.  Only sets hashShift: initApp allocates.
void setTransTableKilobytes(int64_t kilobytes);
// The "Hash" option, in megabytes (clamped to 1..256): a new zero-filled
// table at once.  Must not run during a search.  When the new block cannot
// be allocated the old table stays (cleared), an error line is printed and
// 0 is returned.
int resizeTransTable(int64_t megabytes);

// The age-adjusted worth of a slot: its depth, less one for every game ply
// since it was last written or found.
int entryWorth(const TTEntry &entry, int generation);
inline bool entryMatches(const TTEntry &entry, HashKey key) {
  return entry.keyCheck == uint16_t(key) && entry.keyLock == uint32_t(key >> 32);
}
inline bool entryMatches(const QuiesceEntry &entry, HashKey key) {
  return entry.keyCheck == uint16_t(key) && entry.keyLock == uint32_t(key >> 32);
}

// The bound a search result is: TT_UPPER when it did not rise above the
// alpha the node started with, TT_LOWER at or above beta, else TT_EXACT.
inline uint8_t boundFlags(int score, int alpha, int beta) {
  return score <= alpha ? TT_UPPER : score >= beta ? TT_LOWER : TT_EXACT;
}

// The alpha-beta search's probe: the first matching slot of the bucket, or
// nullptr.  A hit is refreshed to the current searchGeneration.
TTEntry *probeTransTable(HashKey key);
// Whether a hit of at least `depth` answers the node: an upper bound at or
// below alpha or a lower bound at or above beta; *score is then its score.
// Exact entries never cut off (the search wants their line).
bool ttCutoff(const TTEntry &entry, int depth, int alpha, int beta, int *score);
// The hash move of the root: slot 0, else the slot that the key's parity
// selects; 0 when neither holds the position.  Ages are not refreshed.
Move probeRootMove(HashKey key);

// Stores the result of an alpha-beta node of `depth`, replacing the slot
// worth least.  `alpha` is the alpha the node started with; `threatFlags`
// holds TT_MATE_THREAT and TT_THREAT.
void storeTransTable(HashKey key, int depth, int score, int alpha, int beta, Move move, uint8_t threatFlags);
// Stores the root's result of iteration `depth`.  The caller stores nothing
// when the root had no legal move or the fifty-move count has reached 100.
void storeRootEntry(HashKey key, int depth, int score, int alpha, int beta, Move move);

// The quiescence table: the first matching slot, or nullptr (also when the
// table is missing).
const QuiesceEntry *probeQuiesceTable(HashKey key);
// Whether the entry answers a quiescence node: an upper bound at or below
// alpha, a lower bound at or above beta, or an exact score.
bool quiesceCutoff(const QuiesceEntry &entry, int alpha, int beta, int *score);
// Stores the best move of a quiescence node; slot 0 is the newest entry.
void storeQuiesceTable(HashKey key, int score, int alpha, int beta, Move move);
