// Opening, checking and reading the book file.  Every offset read from the
// file is checked against the file before it is used, so a damaged or
// hostile file means no book (or no second book), never a read outside it.
#include "book/book_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "book/book.h"
#include "position/position.h"
#include "shell/input.h"

BookFile book = {-1, false, {false, false}, 0, {0, 0}, {}, {}, nullptr};

namespace {

int standardRandom() { return std::rand() & 0x7FFF; }

int readFully(void *buffer, uint64_t count, uint64_t offset) {
  uint8_t *p = static_cast<uint8_t *>(buffer);
  while (count > 0) {
    ssize_t n = pread(book.fd, p, size_t(count), off_t(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    p += n;
    count -= uint64_t(n);
    offset += uint64_t(n);
  }
  return 1;
}

// Reads one index of 32,768 entries at `at`; 0 when it cannot be read.
int readIndex(uint64_t at, uint64_t *entries) {
  static uint8_t bytes[BOOK_INDEX_BYTES];
  if (!readFully(bytes, BOOK_INDEX_BYTES, at)) return 0;
  for (int k = 0; k < BOOK_INDEX_ENTRIES; k++) {
    const uint32_t entry = readU32(bytes + 4 * k);
    entries[k] = entry == BOOK_NO_BUCKET ? BOOK_NO_OFFSET : entry;
  }
  return 1;
}

// Book 0 is usable when every bucket lies between its index and E, and E
// (the end of its last bucket) lies inside the file.
int checkMainBook() {
  uint64_t *index = book.index[0];
  if (book.fileSize < BOOK_INDEX_BYTES || !readIndex(0, index)) return 0;
  uint64_t last = 0;
  bool any = false;
  for (int k = 0; k < BOOK_INDEX_ENTRIES; k++) {
    if (index[k] == BOOK_NO_OFFSET) continue;
    if (index[k] < BOOK_INDEX_BYTES || index[k] + 4 > book.fileSize) return 0;
    if (!any || index[k] > last) last = index[k];
    any = true;
  }
  uint64_t end = BOOK_INDEX_BYTES;
  if (any) {
    uint8_t count[4];
    if (!readFully(count, 4, last)) return 0;
    end = last + 4 + uint64_t(BOOK_RECORD_BYTES) * readU32(count);
    if (end > book.fileSize) return 0;
  }
  for (int k = 0; k < BOOK_INDEX_ENTRIES; k++)
    if (index[k] != BOOK_NO_OFFSET && index[k] + 4 > end) return 0;
  book.end[0] = end;
  return 1;
}

// Book 1 follows book 0 when the file goes on past another index; its
// offsets count from E and must point past that index and inside the file.
int checkSecondBook() {
  const uint64_t base = book.end[0];
  if (book.fileSize <= base + BOOK_INDEX_BYTES) return 0;
  uint64_t *index = book.index[1];
  if (!readIndex(base, index)) return 0;
  for (int k = 0; k < BOOK_INDEX_ENTRIES; k++) {
    if (index[k] == BOOK_NO_OFFSET) continue;
    if (index[k] < BOOK_INDEX_BYTES || base + index[k] + 4 > book.fileSize) return 0;
    index[k] += base;
  }
  book.end[1] = book.fileSize;
  return 1;
}

bool isDirectoryOf(const char *path, char *dir, size_t size) {
  const char *slash = std::strrchr(path, '/');
  if (!slash || size_t(slash - path) >= size) return false;
  std::memcpy(dir, path, size_t(slash - path));
  dir[slash - path] = '\0';
  return true;
}

}  // namespace

void resetBookFile() {
  if (book.fd >= 0) close(book.fd);
  book.fd = -1;
  book.writable = false;
  book.loaded[0] = book.loaded[1] = false;
  book.fileSize = 0;
  book.end[0] = book.end[1] = 0;
  book.random = standardRandom;
}

void decodeRecord(const uint8_t *b, BookRecord &r) {
  r.key = readU32(b);
  r.frequency = readU16(b + 4);
  r.learnFreq = readU16(b + 6);
  r.winLoss = int16_t(readU16(b + 8));
  r.priority = int16_t(readU16(b + 10));
  r.learned = int16_t(readU16(b + 12));
  r.skipCount = b[14];
  r.flags = b[15];
}

void encodeRecord(const BookRecord &r, uint8_t *b) {
  writeU32(b, r.key);
  writeU16(b + 4, r.frequency);
  writeU16(b + 6, r.learnFreq);
  writeU16(b + 8, uint16_t(r.winLoss));
  writeU16(b + 10, uint16_t(r.priority));
  writeU16(b + 12, uint16_t(r.learned));
  b[14] = r.skipCount;
  b[15] = r.flags;
}

int openBookAt(const char *path, bool writable) {
  resetBookFile();
  // Non-blocking, so that a FIFO in the book's place cannot stall the open.
  const int mode = O_NONBLOCK | O_CLOEXEC;
  int fd = writable ? open(path, O_RDWR | mode) : -1;
  if (fd < 0 && (!writable || errno == EACCES || errno == EROFS || errno == EPERM)) {
    fd = open(path, O_RDONLY | mode);
    writable = false;
  }
  if (fd < 0) return 0;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || uint64_t(st.st_size) > BOOK_MAX_FILE_SIZE) {
    close(fd);
    trace("Book file %s is not a usable file\n", path);
    return 0;
  }
  book.fd = fd;
  book.writable = writable;
  book.fileSize = uint64_t(st.st_size);
  if (!checkMainBook()) {
    trace("Book file %s is damaged: no book\n", path);
    resetBookFile();
    return 0;
  }
  book.loaded[0] = true;
  book.loaded[1] = checkSecondBook() != 0;
  return 1;
}

void defaultBookPath(char *out, int size) {
  out[0] = '\0';
  if (const char *named = std::getenv("VORN_DEFAULT_BOOK")) {
    std::snprintf(out, size_t(size), "%s", named);
    return;
  }
  char program[4096], dir[4096];
  const ssize_t n = readlink("/proc/self/exe", program, sizeof program - 1);
  if (n <= 0) return;
  program[n] = '\0';
  if (!isDirectoryOf(program, dir, sizeof dir)) return;
  // Installed as <prefix>/bin/vorn, the book is <prefix>/share/vorn/; in the
  // build tree it is share/vorn/ beside the program.  (Only a program in a
  // "bin" directory looks in ../share, so the test programs, one directory
  // down in the build tree, never find the build's copy.)
  const char *base = std::strrchr(dir, '/');
  const bool installed = base && !std::strcmp(base, "/bin");
  char path[4200];
  std::snprintf(path, sizeof path, "%s%s%s", dir, installed ? "/../share/vorn/" : "/share/vorn/", BOOK_FILE_NAME);
  struct stat st;
  if (stat(path, &st) == 0 && int(std::strlen(path)) < size) std::snprintf(out, size_t(size), "%s", path);
}

void openBook() {
  if (book.fd >= 0) return;
  if (!book.random) book.random = standardRandom;
  struct stat st;
  if (stat(BOOK_FILE_NAME, &st) == 0 || errno != ENOENT) {
    openBookAt(BOOK_FILE_NAME, true);
    return;
  }
  char path[4096];
  defaultBookPath(path, sizeof path);
  if (path[0]) openBookAt(path, false);
}

void closeBook() { resetBookFile(); }

bool bookIsOpen() { return book.fd >= 0 && book.loaded[0]; }

int bookLookup(int bookNo, BookRecord &record, uint64_t &offset) {
  if (book.fd < 0 || !book.loaded[bookNo]) return 0;
  const uint64_t at = book.index[bookNo][bookKeyIndex(pos.hashKey)];
  if (at == BOOK_NO_OFFSET) return 0;
  uint8_t countBytes[4];
  if (!readFully(countBytes, 4, at)) return 0;
  uint64_t count = readU32(countBytes);
  const uint64_t room = (book.end[bookNo] - at - 4) / BOOK_RECORD_BYTES;
  if (count > BOOK_BUCKET_RECORDS) count = BOOK_BUCKET_RECORDS;
  if (count > room) count = room;
  if (count == 0 || !readFully(book.bucket, count * BOOK_RECORD_BYTES, at + 4)) return 0;
  const uint32_t key = bookRecordKey(pos.hashKey);
  for (uint64_t i = 0; i < count; i++) {
    const uint8_t *bytes = book.bucket + i * BOOK_RECORD_BYTES;
    if (readU32(bytes) != key) continue;
    decodeRecord(bytes, record);
    offset = at + 4 + i * BOOK_RECORD_BYTES;
    return 1;
  }
  return 0;
}

int writeBookBytes(const void *bytes, int count, uint64_t offset) {
  if (book.fd < 0 || !book.writable) return 0;
  const uint8_t *p = static_cast<const uint8_t *>(bytes);
  while (count > 0) {
    ssize_t n = pwrite(book.fd, p, size_t(count), off_t(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return 0;
    p += n;
    count -= int(n);
    offset += uint64_t(n);
  }
  return 1;
}
