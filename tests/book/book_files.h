// Building book files for the tests: records placed under the positions
// that move lists lead to, written byte by byte in the book's layout.
#pragma once

#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>

#include "book/book.h"
#include "book/book_creation.h"
#include "book/book_choice.h"
#include "book/book_file.h"
#include "shell/engine_state.h"
#include "test_support.h"

namespace test {

// Plays a move given in coordinates ("e2e4", "e7e8q"); false when illegal.
inline bool play(const std::string &text) {
  pos.searchPly = 0;
  const Move move = findMove(text);
  return move && makeMove(move);
}

// The legal move that algebraic text names, or 0.
inline Move sanMove(const char *san) {
  Move parsed = 0;
  if (!parseSan(san, &parsed)) return 0;
  for (Move m : legalMoves())
    if ((m & MOVE_IDENTITY_MASK) == (parsed & MOVE_IDENTITY_MASK)) return m;
  return 0;
}

// Plays coordinate moves ("e2e4 c7c5") from the start position.
inline void playFromStart(const std::string &moves) {
  setUp();
  std::istringstream in(moves);
  for (std::string m; in >> m;) EXPECT_TRUE(play(m)) << m;
  pos.searchPly = 0;
}

inline HashKey keyAfter(const std::string &moves) {
  playFromStart(moves);
  return pos.hashKey;
}

// A record for the position after `moves`.
struct Placed {
  std::string moves;
  BookRecord r;
};
inline Placed place(const std::string &moves, int frequency, int winLoss = 0, int learned = 0, int learnFreq = 0,
                    int skip = 0, int flags = 0, int priority = 0) {
  BookRecord r{bookRecordKey(keyAfter(moves)), uint16_t(frequency), uint16_t(learnFreq), int16_t(winLoss),
               int16_t(priority), int16_t(learned), uint8_t(skip), uint8_t(flags)};
  return {moves, r};
}

// One book (index plus buckets) of records filed under their positions'
// keys, with offsets counted from the book's start.
inline std::string bookBytes(const std::vector<std::pair<HashKey, BookRecord>> &records) {
  std::map<uint32_t, std::vector<BookRecord>> buckets;
  for (const auto &[key, r] : records) buckets[bookKeyIndex(key)].push_back(r);
  std::string index(BOOK_INDEX_BYTES, '\xff'), body;
  for (const auto &[k, list] : buckets) {
    writeU32(reinterpret_cast<uint8_t *>(&index[4 * k]), uint32_t(BOOK_INDEX_BYTES + body.size()));
    uint8_t bytes[BOOK_RECORD_BYTES];
    writeU32(bytes, uint32_t(list.size()));
    body.append(reinterpret_cast<char *>(bytes), 4);
    for (const BookRecord &r : list) {
      encodeRecord(r, bytes);
      body.append(reinterpret_cast<char *>(bytes), BOOK_RECORD_BYTES);
    }
  }
  return index + body;
}
inline std::string bookBytes(const std::vector<Placed> &records) {
  std::vector<std::pair<HashKey, BookRecord>> keyed;
  for (const Placed &p : records) keyed.push_back({keyAfter(p.moves), p.r});
  return bookBytes(keyed);
}

// Where the record of the position with `key` lies in book bytes (0: none).
inline size_t recordOffset(const std::string &bytes, HashKey key) {
  const uint8_t *b = reinterpret_cast<const uint8_t *>(bytes.data());
  const uint32_t at = readU32(b + 4 * bookKeyIndex(key));
  if (at == BOOK_NO_BUCKET) return 0;
  for (uint32_t i = 0; i < readU32(b + at); i++)
    if (readU32(b + at + 4 + 16 * i) == bookRecordKey(key)) return at + 4 + 16 * i;
  return 0;
}

// A temporary book file, removed afterwards.
struct BookOnDisk {
  std::string path;
  explicit BookOnDisk(const std::string &bytes) {
    char name[] = "/tmp/vorn-book-XXXXXX";
    const int fd = mkstemp(name);
    close(fd);
    path = name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  }
  ~BookOnDisk() {
    closeBook();
    unlink(path.c_str());
  }
  int open(bool writable = true) const { return openBookAt(path.c_str(), writable); }
};

// The engine at the start position, xboard mode with thinking output, no FEN.
inline void startPosition() {
  setUp();
  gameRecord.startFen[0] = '\0';
  shell.engineFlags = FLAG_XBOARD | FLAG_POST;
}

}  // namespace test
