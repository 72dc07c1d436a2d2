// The registry: the fixed table of the 110 tablebases, the search of the
// tablebase directories for their files, the checks on each file found,
// and the material lookup that maps piece counts to a table.
//
// No file or memory problem ends the engine: the file is reported and left
// out, and the engine goes on with the tables it has.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shell/engine_state.h"
#include "tablebase/placement.h"
#include "tablebase/registry.h"
#include "tablebase/tablebase.h"

TbRegistry tbRegistry;

void TbMessage(const char *format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  std::printf("%s%s", shell.engineFlags & FLAG_UCI ? "info string " : "", text);
  std::fflush(stdout);
}

namespace {

// The material trie: a node is its limit followed by limit + 1 children;
// the budget of three men is shared by the ten counts.
int trieUsed;

int buildTrie(int level, int budget) {
  int node = trieUsed;
  if (level == 10) {
    tbRegistry.trie[trieUsed++] = 0;
    return node;
  }
  tbRegistry.trie[trieUsed] = int16_t(budget);
  trieUsed += budget + 2;
  for (int c = 0; c <= budget; c++) tbRegistry.trie[node + 1 + c] = int16_t(buildTrie(level + 1, budget - c));
  return node;
}

int16_t *trieLeaf(const uint32_t counts[10]) {
  int node = 0;
  for (int level = 0; level < 10; level++) {
    if (counts[level] > uint32_t(tbRegistry.trie[node])) return nullptr;
    node = tbRegistry.trie[node + 1 + counts[level]];
  }
  return &tbRegistry.trie[node];
}

void countsOfName(const char *name, bool exchanged, uint32_t counts[10]) {
  std::memset(counts, 0, 10 * sizeof counts[0]);
  int colour = -1;
  for (const char *c = name; *c; c++) {
    if (*c == 'k') {
      colour++;
      continue;
    }
    const char *letters = "pnbrq";
    int type = int(std::strchr(letters, *c) - letters);
    counts[(exchanged ? 1 - colour : colour) * 5 + type]++;
  }
}

void buildOnce() {
  TbRegistry &g = tbRegistry;
  if (g.built) return;
  TbBuildIndexTables();
  trieUsed = 0;
  buildTrie(0, 3);
  // Every table in the material lookup, in both colourings; whether its
  // files are there is asked afterwards.
  uint32_t counts[10];
  for (int id = 1; id < TB_TABLE_COUNT; id++)
    for (int exchanged = 0; exchanged < (tbIsSymmetric(id) ? 1 : 2); exchanged++) {
      countsOfName(tbTableNames[id], exchanged, counts);
      int16_t *leaf = trieLeaf(counts);
      if (!leaf) std::abort();  // every fixed name fits the budget of three men
      *leaf = int16_t(exchanged ? -id : id);
    }
  for (int id = 0; id < TB_TABLE_COUNT; id++) {
    TbDescriptor &d = g.tables[id];
    d.id = id;
    d.name = tbTableNames[id];
    d.symmetric = id == 0 || tbIsSymmetric(id);
    if (id > 0) TbShapeFromName(d.name, &d.shape);
    for (int side = 0; side < 2; side++) {
      d.expectedSize[side] = tbExpectedSizes[id][side];
      d.file[side] = TbFile{nullptr, -1, nullptr, nullptr, 0};
    }
  }
  g.built = true;
}

// Opens a regular file for reading; -1 when it is absent or not a regular
// file (a FIFO of that name would otherwise block the engine).
int openRegular(const char *name, uint64_t *length) {
  int fd = open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return -1;
  }
  *length = uint64_t(st.st_size);
  return fd;
}

char *joinName(const char *directory, size_t directoryLength, const char *name, const char *suffix) {
  size_t length = directoryLength + 1 + std::strlen(name) + std::strlen(suffix) + 1;
  char *full = static_cast<char *>(std::malloc(length));
  if (!full) return nullptr;
  std::snprintf(full, length, "%.*s%s%s%s", int(directoryLength), directory, directoryLength ? "/" : "", name,
                suffix);
  return full;
}

// The names in one tablebase directory, read once, so that registration
// opens only the files that are there instead of trying every name of
// every table (some 900 opens per directory, slow on a network drive).
struct DirectoryListing {
  enum Kind { UNREADABLE, MISSING, LISTED } kind = UNREADABLE;
  std::vector<std::string> names;  // sorted
  bool mayHold(const char *name) const {
    if (kind == UNREADABLE) return true;  // cannot tell: try to open it
    auto at = std::lower_bound(names.begin(), names.end(), name,
                               [](const std::string &a, const char *b) { return std::strcmp(a.c_str(), b) < 0; });
    return at != names.end() && *at == name;
  }
};

// An absent path or one that is not a directory holds no table; one that
// may be searched but not listed is tried name by name as before.
DirectoryListing listDirectory(const char *directory, size_t directoryLength) {
  DirectoryListing listing;
  const std::string path = directoryLength ? std::string(directory, directoryLength) : std::string(".");
  DIR *dir = opendir(path.c_str());
  if (!dir) {
    if (errno == ENOENT || errno == ENOTDIR) listing.kind = DirectoryListing::MISSING;
    return listing;
  }
  // Only names that can be a table file: short, with the "nb" of ".nbw"/".nbb".
  while (const dirent *entry = readdir(dir))
    if (std::strlen(entry->d_name) <= 20 && std::strstr(entry->d_name, "nb")) listing.names.emplace_back(entry->d_name);
  closedir(dir);
  std::sort(listing.names.begin(), listing.names.end());
  listing.kind = DirectoryListing::LISTED;
  return listing;
}

// Registers one side of one table from one directory: true when a usable
// file was found.
bool registerFile(int id, int side, const char *directory, size_t directoryLength, const DirectoryListing &listing) {
  TbRegistry &g = tbRegistry;
  TbDescriptor &d = g.tables[id];
  TbFile &f = d.file[side];
  if (f.fileName) return false;

  static const char *const suffixes[2][4] = {{".nbw", ".nbw.emd", "_nbw.emd", "nbw.emd"},
                                             {".nbb", ".nbb.emd", "_nbb.emd", "nbb.emd"}};
  char *fileName = nullptr;
  int fd = -1;
  uint64_t length = 0;
  int variant = 0;
  for (; variant < 4 && fd < 0; variant++) {
    char baseName[32];
    std::snprintf(baseName, sizeof baseName, "%s%s", d.name, suffixes[side][variant]);
    if (!listing.mayHold(baseName)) continue;
    std::free(fileName);
    fileName = joinName(directory, directoryLength, d.name, suffixes[side][variant]);
    if (!fileName) {
      TbMessage("*** Cannot allocate %d bytes of memory\n", int(directoryLength + 20));
      return false;
    }
    fd = openRegular(fileName, &length);
  }
  if (fd < 0) {
    std::free(fileName);
    return false;
  }
  const bool compressed = variant > 1;

  uint64_t positions = length;
  DecodeInfo *decode = nullptr;
  bool ok = true;
  if (compressed) {
    g.compressedFiles++;
    int result = ReadDecodeInfo(fd, length, &decode);
    if (result != DECODE_OK) {
      const char *why = result == DECODE_READ_ERROR     ? "read error\n"
                        : result == DECODE_OUT_OF_MEMORY ? "out of memory\n"
                        : result == DECODE_FILE_BROKEN   ? "file broken\n"
                                                         : nullptr;
      if (why)
        TbMessage("*** Unable to read %s - %s", fileName, why);
      else
        TbMessage("*** Unable to read %s - error %d\n", fileName, result);
      decode = nullptr;
      ok = false;
    } else if (DecodeBlockExponent(decode) != 13) {
      TbMessage("*** %s: Unsupported block size %d\n", fileName, 1 << DecodeBlockExponent(decode));
      ok = false;
    } else {
      positions = DecodeUncompressedLength(decode);
    }
  }
  if (ok && d.expectedSize[side] != 0 && positions != d.expectedSize[side]) {
    TbMessage("*** %s corrupted\n", fileName);
    ok = false;
  }
  TbCacheEntry **chains = nullptr;
  if (ok) {
    chains = static_cast<TbCacheEntry **>(std::calloc(TB_CHAINS, sizeof *chains));
    if (!chains) {
      TbMessage("*** Cannot allocate %d bytes of memory\n", int(TB_CHAINS * sizeof *chains));
      ok = false;
    }
  }
  close(fd);
  if (!ok) {
    if (compressed) g.compressedFiles--;
    FreeDecodeInfo(decode);
    std::free(fileName);
    return false;
  }

  f.fileName = fileName;
  f.fd = -1;
  f.decode = decode;
  f.chains = chains;
  f.positions = positions;
  return true;
}

int resultOf(int highestId) { return highestId >= 36 ? 5 : highestId >= 6 ? 4 : highestId >= 1 ? 3 : 0; }

}  // namespace

void TbBuildTables() { buildOnce(); }

void TbUnregisterAll() {
  TbRegistry &g = tbRegistry;
  if (!g.built) return;
  TbCloseAllFiles();
  for (TbDescriptor &d : g.tables)
    for (TbFile &f : d.file) {
      std::free(f.fileName);
      FreeDecodeInfo(f.decode);
      std::free(f.chains);
      f = TbFile{nullptr, -1, nullptr, nullptr, 0};
    }
  FreeBlockDecoder(g.decoder);
  g.decoder = nullptr;
  g.compressedFiles = 0;
  g.highestId = 0;
}

int TbRegisterAll(const char *path) {
  TbUnregisterAll();
  buildOnce();
  TbRegistry &g = tbRegistry;
  // Directories are separated by "," or ";"; an empty part is the current directory.
  const char *part = path;
  for (;;) {
    size_t length = std::strcspn(part, ",;");
    const DirectoryListing listing = listDirectory(part, length);
    if (listing.kind != DirectoryListing::MISSING)
      for (int id = 1; id < TB_TABLE_COUNT; id++)
        for (int side = 0; side < (g.tables[id].symmetric ? 1 : 2); side++)
          if (registerFile(id, side, part, length, listing) && id > g.highestId) g.highestId = id;
    if (!part[length]) break;
    part += length + 1;
  }
  if (g.compressedFiles > 0) {
    g.decoder = CreateBlockDecoder();
    if (!g.decoder) {
      TbMessage("*** Cannot allocate decode block: error code %d\n", DECODE_OUT_OF_MEMORY);
      // Keep the plain files.
      int highest = 0;
      for (TbDescriptor &d : g.tables)
        for (TbFile &f : d.file) {
          if (f.decode) {
            std::free(f.fileName);
            FreeDecodeInfo(f.decode);
            std::free(f.chains);
            f = TbFile{nullptr, -1, nullptr, nullptr, 0};
          } else if (f.fileName && d.id > highest) {
            highest = d.id;
          }
        }
      g.compressedFiles = 0;
      g.highestId = highest;
    }
  }
  return resultOf(g.highestId);
}

bool TbIsRegistered(int id, int side) {
  if (id < 1 || id >= TB_TABLE_COUNT || side < 0 || side > 1) return false;
  const TbDescriptor &d = tbRegistry.tables[id];
  return d.file[d.symmetric ? 0 : side].fileName != nullptr;
}

int TbLookupMaterial(const uint32_t counts[10]) {
  if (!tbRegistry.built) return 0;
  const int16_t *leaf = trieLeaf(counts);
  return leaf ? *leaf : 0;
}

void TbInitialise() {
  TablebaseSettings &s = tablebaseSettings;
  if (s.tbMaxPieces >= 0 || !s.tbPath[0]) return;
  TbRelease();
  s.tbMaxPieces = TbRegisterAll(s.tbPath);
  if (s.tbMaxPieces <= 0) return;
  size_t bytes = size_t(s.tbCacheMB) << 20;
  uint8_t *memory = static_cast<uint8_t *>(std::malloc(bytes));
  if (!memory || !TbSetCache(memory, bytes)) {
    std::free(memory);
    s.tbMaxPieces = 0;
  }
}

void TbRelease() {
  TbUnregisterAll();
  uint8_t *memory = tbRegistry.memory;
  TbSetCache(nullptr, 0);
  std::free(memory);
  tablebaseSettings.tbMaxPieces = -1;
}
