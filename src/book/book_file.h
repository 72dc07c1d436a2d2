// The book file "VornBook.bin" inside the book subsystem: where it is found,
// its byte layout, the checks a file must pass before it is used, and the
// lookup of one position.  The rest of the engine includes book/book.h.
//
// Layout: an index of 32,768 little-endian u32 bucket offsets (0xFFFFFFFF =
// no bucket) at offset 0, the buckets of the main book (book 0), and
// optionally a second book (book 1) of the same shape from offset E on, its
// index holding offsets relative to E.  A bucket is a u32 count followed by
// that many 16-byte records.  Positions are keyed by the engine's own hash
// keys: the low 15 bits of the key's low word pick the bucket, the key's
// high word is stored in the record.
#pragma once

#include <cstdint>

#include "position/types.h"

constexpr int BOOK_INDEX_ENTRIES = 32768;
constexpr uint32_t BOOK_INDEX_BYTES = BOOK_INDEX_ENTRIES * 4;
constexpr uint32_t BOOK_NO_BUCKET = 0xFFFFFFFFu;    // in the file
constexpr uint64_t BOOK_NO_OFFSET = ~uint64_t(0);  // in memory
constexpr int BOOK_RECORD_BYTES = 16;
constexpr int BOOK_BUCKET_RECORDS = 4096;  // records read from one bucket at most
constexpr uint64_t BOOK_MAX_FILE_SIZE = uint64_t(1) << 32;
constexpr const char *BOOK_FILE_NAME = "VornBook.bin";

// Record flags.
constexpr uint8_t BOOK_PREFERRED = 1;  // usable with a low frequency; its priority counts
constexpr uint8_t BOOK_DISABLED = 2;   // never chosen

// One position of the book, decoded.
struct BookRecord {
  uint32_t key;         // high word of the position's hash key
  uint16_t frequency;   // games in which the position arose
  uint16_t learnFreq;   // scale of `learned`, 0 = none
  int16_t winLoss;      // results for the side that moved into the position
  int16_t priority;     // counts only for preferred records
  int16_t learned;      // what the games played from the book taught
  uint8_t skipCount;    // probes in which the position is still passed over
  uint8_t flags;
};

// The open book.  Index entries are absolute file offsets (book 1's are
// rebased on loading), kept in 64 bits since E + offset can pass 4 GiB.
struct BookFile {
  int fd;  // -1 when no book is open
  bool writable;
  bool loaded[2];
  uint64_t fileSize;
  uint64_t end[2];  // where each book's buckets end: E for book 0, the file size for book 1
  uint64_t index[2][BOOK_INDEX_ENTRIES];
  uint8_t bucket[BOOK_BUCKET_RECORDS * BOOK_RECORD_BYTES];
  // The pseudo-random integer 0..32,767 of the weighted choice (tests fix it).
  int (*random)();
};
extern BookFile book;

// Closes any open book and puts the state back to "no book", with the
// standard random source.
void resetBookFile();

// Little-endian codec, one byte at a time.
inline uint32_t readU32(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
inline uint16_t readU16(const uint8_t *p) { return uint16_t(p[0] | p[1] << 8); }
inline void writeU32(uint8_t *p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}
inline void writeU16(uint8_t *p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void decodeRecord(const uint8_t *bytes, BookRecord &record);
void encodeRecord(const BookRecord &record, uint8_t *bytes);

// Opens a book file at `path` (read-write when allowed and `writable` is
// asked for, else read-only) and checks it.  Returns 1 when book 0 is usable.
int openBookAt(const char *path, bool writable);
// The default book that ships with the engine: the path named by the
// environment variable VORN_DEFAULT_BOOK when it is set (empty: none), else
// <prefix>/share/vorn/VornBook.bin for a program installed in <prefix>/bin,
// else the copy the build leaves in <dir of the program>/share/vorn/.
// Writes "" when there is none.
void defaultBookPath(char *out, int size);

// The record of the current position in book `bookNo`; 1 and the record and
// its absolute file offset when found, else 0.
int bookLookup(int bookNo, BookRecord &record, uint64_t &offset);
// Writes `count` bytes at `offset` of the open book; 1 on success.
int writeBookBytes(const void *bytes, int count, uint64_t offset);

inline uint32_t bookKeyIndex(HashKey key) { return uint32_t(key) & 0x7FFF; }
inline uint32_t bookRecordKey(HashKey key) { return uint32_t(key >> 32); }
