// Creating the book ("/CB <file>"): the first 25 moves of every game of a
// PGN file are replayed, every position reached is counted with the results
// for the side that moved into it, and the positions seen often enough, or
// early enough, are written as the main book.  The old book is replaced only
// when the new one has been written completely.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "book/book.h"
#include "book/book_creation.h"
#include "position/make_move.h"
#include "position/move_generation.h"
#include "position/position.h"
#include "shell/game_end.h"

BookPool bookPool;

namespace {

constexpr int MAX_GAME_PLY = 50;
constexpr int MAX_TOKEN = 8;

// A position that arose only once, and only after move 20, is a game's own
// path rather than opening theory.
bool worthKeeping(const BookRecord &r) { return !(r.frequency <= 1 && r.priority >= 20); }

bool isBlank(char c) { return c >= 1 && c <= 32; }

// ---------------------------------------------------------------------------
// Writing the book through a buffer; every failure is remembered.

struct BookWriter {
  int fd;
  bool failed;
  int used;
  uint8_t buffer[1 << 16];
};

void flushWriter(BookWriter &w) {
  int done = 0;
  while (done < w.used && !w.failed) {
    ssize_t n = write(w.fd, w.buffer + done, size_t(w.used - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) w.failed = true;
    else done += int(n);
  }
  w.used = 0;
}

void put(BookWriter &w, const uint8_t *bytes, int count) {
  if (w.used + count > int(sizeof w.buffer)) flushWriter(w);
  std::memcpy(w.buffer + w.used, bytes, size_t(count));
  w.used += count;
}

// The index, then the buckets in key-index order, so that the last bucket
// ends the main book.
void writeBook(BookWriter &w) {
  static uint32_t counts[BOOK_INDEX_ENTRIES];
  uint64_t at = BOOK_INDEX_BYTES;
  for (int k = 0; k < BOOK_INDEX_ENTRIES; k++) {
    counts[k] = 0;
    for (uint32_t b = bookPool.first[k]; b; b = bookPool.blocks[b - 1].next)
      for (const BookRecord &r : bookPool.blocks[b - 1].slots)
        if (r.frequency && worthKeeping(r)) counts[k]++;
    uint8_t entry[4];
    writeU32(entry, counts[k] ? uint32_t(at) : BOOK_NO_BUCKET);
    put(w, entry, 4);
    if (counts[k]) at += 4 + uint64_t(BOOK_RECORD_BYTES) * counts[k];
  }
  for (int k = 0; k < BOOK_INDEX_ENTRIES; k++) {
    if (!counts[k]) continue;
    uint8_t bytes[BOOK_RECORD_BYTES];
    writeU32(bytes, counts[k]);
    put(w, bytes, 4);
    for (uint32_t b = bookPool.first[k]; b; b = bookPool.blocks[b - 1].next)
      for (const BookRecord &r : bookPool.blocks[b - 1].slots) {
        if (!r.frequency || !worthKeeping(r)) continue;
        BookRecord out = r;
        out.priority = 0;
        encodeRecord(out, bytes);
        put(w, bytes, BOOK_RECORD_BYTES);
      }
  }
  flushWriter(w);
}

uint64_t recordsToWrite() {
  uint64_t n = 0;
  for (uint32_t b = 0; b < bookPool.used; b++)
    for (const BookRecord &r : bookPool.blocks[b].slots)
      if (r.frequency && worthKeeping(r)) n++;
  return n;
}

// A stopped run removes its unfinished file; the old book is untouched.
char temporaryPath[4200];
void removeTemporaryAndExit(int) {
  if (temporaryPath[0]) unlink(temporaryPath);
  _exit(1);
}

// Where the new book goes: the target of a symbolic link, else the path.
void resolveTarget(const char *bookPath, char *target, size_t size) {
  char resolved[PATH_MAX];
  struct stat st;
  if (lstat(bookPath, &st) == 0 && S_ISLNK(st.st_mode) && realpath(bookPath, resolved))
    std::snprintf(target, size, "%s", resolved);
  else
    std::snprintf(target, size, "%s", bookPath);
}

// Opens a new temporary file beside `target`; -1 when that fails.
int openTemporary(const char *target) {
  const char *slash = std::strrchr(target, '/');
  const int dirLength = slash ? int(slash - target) + 1 : 0;
  std::snprintf(temporaryPath, sizeof temporaryPath, "%.*s.VornBook.tmp.%d", dirLength, target, int(getpid()));
  unlink(temporaryPath);  // left behind by a run that was killed
  const int fd = open(temporaryPath, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) temporaryPath[0] = '\0';
  return fd;
}

// Writes the pool to the temporary file and renames it into place, keeping
// the old file's mode.  1 on success; on failure the temporary file goes.
int replaceBook(int fd, const char *target) {
  struct stat old;
  const bool replacing = stat(target, &old) == 0;
  static BookWriter writer;
  writer.fd = fd;
  writer.failed = false;
  writer.used = 0;
  writeBook(writer);
  bool ok = !writer.failed;
  if (ok && replacing) ok = fchmod(fd, old.st_mode & 07777) == 0;
  if (ok) ok = fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (ok) ok = rename(temporaryPath, target) == 0;
  if (!ok) unlink(temporaryPath);
  temporaryPath[0] = '\0';
  return ok;
}

int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Progress on the error output, once a second, for runs that take a while.
void showProgress(const PgnReader &reader, uint64_t total, int64_t start, int64_t &lastShown, bool final) {
  const int64_t now = nowMs();
  if (!final && now - lastShown < 1000) return;
  if (final && lastShown == start) return;  // a quick run shows nothing
  lastShown = now;
  const double seconds = std::max(1, int(now - start)) / 1000.0;
  const double fraction = total ? double(reader.bytesRead) / double(total) : 0.0;
  const double left = fraction > 0 ? seconds * (1 - fraction) / fraction : 0.0;
  std::fprintf(stderr, "\r%llu games, %.1f%% of the file, %.0f games/s, %.0f s left   %s",
               static_cast<unsigned long long>(bookPool.games), 100 * fraction, double(bookPool.games) / seconds,
               left, final ? "\n" : "");
}

}  // namespace

int allocateBookPool(uint64_t bytes) {
  freeBookPool();
  bookPool.capacity = uint32_t(bytes / sizeof(PoolBlock));
  bookPool.blocks = static_cast<PoolBlock *>(std::calloc(bookPool.capacity, sizeof(PoolBlock)));
  if (!bookPool.blocks) bookPool.capacity = 0;
  return bookPool.blocks != nullptr;
}

void freeBookPool() {
  std::free(bookPool.blocks);
  bookPool.blocks = nullptr;
  std::memset(bookPool.first, 0, sizeof bookPool.first);
  bookPool.capacity = bookPool.used = 0;
  bookPool.games = 0;
}

namespace {

// A fresh block linked from `link`; 0 when the pool is full.
int newBlock(uint32_t &link) {
  if (bookPool.used >= bookPool.capacity) {
    std::printf("Game file is too big to process\n");
    return 0;
  }
  link = ++bookPool.used;
  return 1;
}

// The slot of the current position: its record or the first empty slot of
// its chain (a new block when the chain is full); null when the pool is full.
BookRecord *findSlot() {
  uint32_t *link = &bookPool.first[bookKeyIndex(pos.hashKey)];
  const uint32_t key = bookRecordKey(pos.hashKey);
  for (;;) {
    if (!*link && !newBlock(*link)) return nullptr;
    PoolBlock &block = bookPool.blocks[*link - 1];
    for (BookRecord &r : block.slots)
      if (!r.frequency || r.key == key) return &r;
    link = &block.next;
  }
}

}  // namespace

const BookRecord *poolRecord() {
  const uint32_t key = bookRecordKey(pos.hashKey);
  for (uint32_t b = bookPool.first[bookKeyIndex(pos.hashKey)]; b; b = bookPool.blocks[b - 1].next)
    for (const BookRecord &r : bookPool.blocks[b - 1].slots) {
      if (!r.frequency) return nullptr;
      if (r.key == key) return &r;
    }
  return nullptr;
}

int addPosition(int result) {
  BookRecord *r = findSlot();
  if (!r) return 0;
  // The result counts for the side that moved into the position.
  const int forMover = pos.sideToMove == BLACK ? result : -result;
  if (!r->frequency) {
    *r = BookRecord{};
    r->key = bookRecordKey(pos.hashKey);
    r->frequency = 1;
    r->winLoss = int16_t(forMover);
    r->priority = int16_t(pos.gamePly / 2);
  } else if (r->frequency < 65535) {
    r->frequency++;
    r->winLoss = int16_t(std::clamp(r->winLoss + forMover, -32767, 32767));
  }
  return 1;
}

int processGame(const char *text, int result) {
  resetPosition();
  const unsigned char *at = reinterpret_cast<const unsigned char *>(text);
  for (;;) {
    while (*at >= 1 && *at <= 32) at++;
    const bool castling = !std::strncmp(reinterpret_cast<const char *>(at), "O-O", 3) ||
                          !std::strncmp(reinterpret_cast<const char *>(at), "0-0", 3) ||
                          !std::strncmp(reinterpret_cast<const char *>(at), "o-o", 3);
    if (!castling) {
      // The end of the moves: a result, "*", a mate mark.
      if (!*at || *at == '*' || *at == '#' || (at[0] == '+' && at[1] == '+') || at[1] == '-' || at[1] == '/')
        return 1;
      if (*at >= '0' && *at <= '9') {
        while (*at >= '0' && *at <= '9') at++;
        while (*at == '.') at++;
        while (*at >= 1 && *at <= 32) at++;
        continue;  // the move, or whatever ends the text, follows
      }
    }
    if (pos.gamePly >= MAX_GAME_PLY) return 1;
    char token[MAX_TOKEN + 1];
    int length = 0;
    while (at[length] && !isBlank(char(at[length])) && length <= MAX_TOKEN) length++;
    Move parsed = 0, found = 0;
    if (length <= MAX_TOKEN) {
      std::memcpy(token, at, size_t(length));
      token[length] = '\0';
      at += length;
      if (parseSan(token, &parsed)) {
        pos.searchPly = 0;
        generateMoves();
        for (int i = moveListStart[0]; i < moveListStart[1]; i++)
          if ((moveStack[i].move & MOVE_IDENTITY_MASK) == (parsed & MOVE_IDENTITY_MASK)) found = moveStack[i].move;
      }
    }
    if (!found || !makeMove(found)) {
      std::printf("Error processing game:\n%s\n", text);
      return 1;
    }
    pos.searchPly = 0;
    if (repetitionCount()) return 1;
    if (!addPosition(result)) return 0;
  }
}

int createBookFile(const char *pgnPath, const char *bookPath) {
  struct stat st;
  FILE *pgn = nullptr;
  if (stat(pgnPath, &st) == 0 && (S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode))) pgn = std::fopen(pgnPath, "rb");
  const uint64_t total = pgn && S_ISREG(st.st_mode) ? uint64_t(st.st_size) : 0;
  if (!pgn) {
    std::printf("Cannot open PGN file '%s'\n", pgnPath);
    std::fflush(stdout);
    return 1;
  }
  char target[4096];
  resolveTarget(bookPath, target, sizeof target);
  // A book that may not be changed is not replaced either.
  if (lstat(target, &st) == 0 && (!S_ISREG(st.st_mode) || access(target, W_OK) != 0)) {
    std::printf("Cannot create book file '%s'\n", bookPath);
    std::fclose(pgn);
    std::fflush(stdout);
    return 1;
  }
  if (!allocateBookPool(BOOK_POOL_BYTES)) {
    std::printf("Not enough memory to create a book\n");
    std::fclose(pgn);
    std::fflush(stdout);
    return 1;
  }
  PgnReader reader{pgn, {}, false, 0};
  static char text[GAME_TEXT_SIZE];
  int result = 0;
  const int64_t start = nowMs();
  int64_t lastShown = start;
  while (readPgnGame(reader, text, result)) {
    bookPool.games++;
    std::printf("\rProcessing game: %llu ... ", static_cast<unsigned long long>(bookPool.games));
    showProgress(reader, total, start, lastShown, false);
    if (!processGame(text, result)) break;
  }
  showProgress(reader, total, start, lastShown, true);
  std::printf("Done!\n");
  std::fclose(pgn);
  if (recordsToWrite() == 0) {
    std::printf("No book positions found in '%s'\n", pgnPath);
    freeBookPool();
    std::fflush(stdout);
    return 1;
  }
  signal(SIGINT, removeTemporaryAndExit);
  signal(SIGTERM, removeTemporaryAndExit);
  const int fd = openTemporary(target);
  if (fd >= 0) {
    std::printf("Creating %s ... ", bookPath);
    std::fflush(stdout);
  }
  const int written = fd >= 0 && replaceBook(fd, target);
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  freeBookPool();
  if (!written) {
    std::printf("%sCannot create book file '%s'\n", fd >= 0 ? "\n" : "", bookPath);
    std::fflush(stdout);
    return 1;
  }
  std::printf("Done!\n");
  std::fflush(stdout);
  return 0;
}

int createBook(const char *pgnPath) {
  // The book being replaced may be open: it is read again afterwards.
  closeBook();
  return createBookFile(pgnPath, BOOK_FILE_NAME);
}
