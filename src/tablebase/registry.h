// The tablebase registry, probe and block cache as the tablebase code and
// its tests and tools see them (the rest of the engine uses tablebase.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "tablebase/compressed_file.h"
#include "tablebase/index.h"
#include "tablebase/table_names.h"

constexpr int TB_CHAINS = 32;
constexpr uint32_t TB_BLOCK_SIZE = 8192;
constexpr uint32_t TB_DATA_AREA = 8228;  // a block and slack for the decoder
constexpr int32_t TB_NO_VALUE = 32767;

struct TbCacheEntry {
  int32_t id, side, block;
  TbCacheEntry *older, *newer;     // recency list
  TbCacheEntry *next, *previous;   // block chain
  uint8_t *data;
};
constexpr size_t TB_ENTRY_BYTES = sizeof(TbCacheEntry) + TB_DATA_AREA;

// One side to move of one table.
struct TbFile {
  char *fileName;  // owned; nullptr = not registered
  int fd;          // -1 = not open
  DecodeInfo *decode;  // compressed files only
  TbCacheEntry **chains;  // TB_CHAINS heads, owned
  uint64_t positions;     // the size found at registration
};

struct TbDescriptor {
  int id;
  bool symmetric;
  TbShape shape;
  const char *name;
  uint32_t expectedSize[2];
  TbFile file[2];
};

struct TbRegistry {
  bool built;  // descriptors, index tables and material lookup
  TbDescriptor tables[TB_TABLE_COUNT];
  int16_t trie[4096];
  int highestId;
  int compressedFiles;
  BlockDecoder *decoder;
  // The block cache.
  uint8_t *memory;
  size_t entryCount;
  TbCacheEntry *freeList, *newest, *oldest;
};
extern TbRegistry tbRegistry;

// Builds the descriptors, the index tables and the material lookup (once).
void TbBuildTables();
// Registers the files of the directory list; 0, 3, 4 or 5.
int TbRegisterAll(const char *path);
// Lays the cache out in `memory` (owned by the caller until TbRelease);
// false when it holds less than one entry.
bool TbSetCache(uint8_t *memory, size_t bytes);
bool TbIsRegistered(int id, int side);
// Signed table id for the piece counts (white P N B R Q, black P N B R Q);
// negative when the colours must be exchanged; 0 when there is none.
int TbLookupMaterial(const uint32_t counts[10]);
int32_t TbProbeTable(int id, int side, uint32_t index);
int32_t TbCacheProbe(int id, int side, uint32_t block, uint32_t offset);
void TbCloseAllFiles();
void TbCacheReset();
// Forgets every registration and frees what it owned (not the cache memory).
void TbUnregisterAll();

// Where the current position lives: table id, the file's side to move and
// the index.  False when no table covers it (registered or not).
struct TbLocation {
  int id, side;
  uint32_t index;
};
bool TbLocate(TbLocation *where);
// Prints a registry message; under UCI as an "info string" line.
void TbMessage(const char *format, ...) __attribute__((format(printf, 1, 2)));
