// The block cache: blocks of 8192 positions read (and, for compressed
// files, decoded) once and kept while they are in use.  Each file has 32
// chains of resident blocks by block number; one recency list over all
// entries picks the block to evict.  A probe allocates nothing.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>

#include "tablebase/registry.h"

void TbCloseAllFiles() {
  // Before the first registration the descriptors are not set up yet (and
  // 0 is standard input).
  if (!tbRegistry.built) return;
  for (TbDescriptor &d : tbRegistry.tables)
    for (TbFile &f : d.file)
      if (f.fd >= 0) {
        close(f.fd);
        f.fd = -1;
      }
}

void TbCacheReset() {
  TbRegistry &g = tbRegistry;
  TbCloseAllFiles();
  TbCacheEntry *headers = reinterpret_cast<TbCacheEntry *>(g.memory);
  uint8_t *data = g.memory + g.entryCount * sizeof(TbCacheEntry);
  for (size_t i = 0; i < g.entryCount; i++) {
    TbCacheEntry &e = headers[i];
    e = TbCacheEntry{-1, -1, -1, i + 1 < g.entryCount ? &headers[i + 1] : nullptr, nullptr, nullptr, nullptr,
                     data + i * TB_DATA_AREA};
  }
  for (TbDescriptor &d : g.tables)
    for (TbFile &f : d.file)
      if (f.chains)
        for (int c = 0; c < TB_CHAINS; c++) f.chains[c] = nullptr;
  g.newest = g.oldest = nullptr;
  g.freeList = g.entryCount ? headers : nullptr;
}

bool TbSetCache(uint8_t *memory, size_t bytes) {
  TbRegistry &g = tbRegistry;
  TbCloseAllFiles();
  g.memory = nullptr;
  g.entryCount = 0;
  if (memory && bytes / TB_ENTRY_BYTES >= 1) {
    g.memory = memory;
    g.entryCount = bytes / TB_ENTRY_BYTES;
  }
  TbCacheReset();
  return g.entryCount > 0;
}

namespace {

void unlinkRecency(TbCacheEntry *e) {
  TbRegistry &g = tbRegistry;
  if (e->newer) e->newer->older = e->older;
  else g.newest = e->older;
  if (e->older) e->older->newer = e->newer;
  else g.oldest = e->newer;
  e->older = e->newer = nullptr;
}

void makeNewest(TbCacheEntry *e) {
  TbRegistry &g = tbRegistry;
  e->older = g.newest;
  e->newer = nullptr;
  if (g.newest) g.newest->newer = e;
  g.newest = e;
  if (!g.oldest) g.oldest = e;
}

void unlinkChain(TbCacheEntry *e, TbCacheEntry **head) {
  if (e->previous) e->previous->next = e->next;
  else *head = e->next;
  if (e->next) e->next->previous = e->previous;
  e->next = e->previous = nullptr;
}

void pushChain(TbCacheEntry *e, TbCacheEntry **head) {
  e->previous = nullptr;
  e->next = *head;
  if (*head) (*head)->previous = e;
  *head = e;
}

// The file is no longer usable: forget it for this registration.
void dropFile(TbFile &f) {
  if (f.fd >= 0) close(f.fd);
  f.fd = -1;
  // The name goes; the decode information and chains stay until the
  // registration is released (resident blocks of the file may still be
  // in their chains and are simply never asked for again).
  std::free(f.fileName);
  f.fileName = nullptr;
}

bool readPlain(int fd, uint8_t *data, uint64_t positions, uint32_t block) {
  uint64_t start = uint64_t(block) * TB_BLOCK_SIZE;
  if (start >= positions) return false;
  uint64_t wanted = positions - start < TB_BLOCK_SIZE ? positions - start : TB_BLOCK_SIZE;
  uint64_t got = 0;
  while (got < wanted) {
    ssize_t n = pread(fd, data + got, TB_BLOCK_SIZE - got, off_t(start + got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    got += uint64_t(n);
  }
  return true;
}

}  // namespace

int32_t TbCacheProbe(int id, int side, uint32_t block, uint32_t offset) {
  TbRegistry &g = tbRegistry;
  TbFile &f = g.tables[id].file[side];
  if (!f.chains || offset >= TB_BLOCK_SIZE) return TB_NO_VALUE;
  TbCacheEntry **head = &f.chains[block % TB_CHAINS];
  for (TbCacheEntry *e = *head; e; e = e->next) {
    if (uint32_t(e->block) != block) continue;
    if (g.newest != e) {
      unlinkRecency(e);
      makeNewest(e);
    }
    if (*head != e) {
      unlinkChain(e, head);
      pushChain(e, head);
    }
    return int8_t(e->data[offset]);
  }

  if (!f.fileName) return TB_NO_VALUE;
  TbCacheEntry *e = g.freeList;
  if (e) {
    g.freeList = e->older;
    e->older = nullptr;
  } else {
    e = g.oldest;
    if (!e) return TB_NO_VALUE;
    unlinkRecency(e);
    unlinkChain(e, &g.tables[e->id].file[e->side].chains[uint32_t(e->block) % TB_CHAINS]);
  }
  e->id = id;
  e->side = side;
  e->block = int32_t(block);

  bool ok = true;
  if (f.fd < 0) {
    f.fd = open(f.fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (f.fd < 0) {
      TbCloseAllFiles();
      f.fd = open(f.fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    ok = f.fd >= 0;
  }
  if (ok && f.decode) {
    ok = block < DecodeBlockCount(f.decode) && BlockDecoderReset(g.decoder, e->data, TB_DATA_AREA) == DECODE_OK &&
         ReadBlock(g.decoder, f.decode, f.fd, block) == DECODE_OK &&
         DecodeBlock(g.decoder, f.decode, DecodeBlockLength(f.decode, block)) == DECODE_OK;
  } else if (ok) {
    ok = readPlain(f.fd, e->data, f.positions, block);
  }
  if (!ok) {
    dropFile(f);
    e->id = e->side = e->block = -1;
    e->older = g.freeList;
    g.freeList = e;
    return TB_NO_VALUE;
  }
  makeNewest(e);
  pushChain(e, head);
  return int8_t(e->data[offset]);
}
