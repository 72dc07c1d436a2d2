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
  uint32_t key;            // pawnKey XOR the parameter set's salt; 0xFFFFFFFF after a clear
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
};
extern HashTables hashTables;

inline uint64_t ttBucketCount() { return uint64_t(1) << (32 - hashTables.hashShift); }
inline TTBucket &ttBucketFor(HashKey key) { return hashTables.trans[uint32_t(key) >> hashTables.hashShift]; }
inline QuiesceBucket &quiesceBucketFor(HashKey key) { return hashTables.quiesce[(uint32_t(key) >> 16) & 0x7FF]; }

// Allocates the tables (not cleared).  Returns false when the transposition
// or pawn table could not be allocated; whatever was allocated is then freed.
bool allocateHashTables();
void freeHashTables();
// Transposition and quiescence tables to zero, pawn table to 0xFF.
void clearHashTables();
