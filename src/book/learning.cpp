// Book learning: after a game, the records of the book line the engine
// played are rewritten so that lines that lost are played less often (and
// for a while not at all) and lines that went well are preferred.  How much
// a game teaches depends on its result, its length after the book and the
// engine's own scores just after leaving the book.
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>

#include "book/book.h"
#include "book/book_file.h"
#include "position/make_move.h"
#include "position/position.h"
#include "shell/engine_state.h"
#include "shell/input.h"

namespace {

// The lesson of the game for the engine's side: negative for a line to
// avoid, positive for one to prefer.  `r` is the result for the engine.
int lesson(int r, int n, int engineIsBlack, const int32_t *scores) {
  int t = r == 0 ? 30 : -10;
  if (engineIsBlack) t -= 50;
  const int s = scores[std::min((n - 3) / 2, 4)];
  const int s0 = scores[0];
  int d = n <= 40 ? 2 * r : r;
  if (r < 0 && s < t) {
    if (s0 < t) d--;
    if (s < s0 - 50) d--;
  } else if (r >= 0 && s > t + 50) {
    if (s0 > t + 50) d++;
    if (s > s0 + 50) d++;
  }
  return d;
}

// Replays the book line from the start and adjusts each of the engine's
// book positions; moves nearer the exit take more of the blame or credit.
void replay(int exitPly, int r, int d, const Move *moves) {
  const int p = exitPly % 2;
  const int skipLimit = exitPly < 16 ? 1000 : exitPly - 4;
  resetPosition();
  pos.searchPly = 0;
  if (p == 1 && !makeMove(moves[0])) return;
  for (int i = p; i <= exitPly; i += 2) {
    pos.searchPly = 0;
    if (!makeMove(moves[i])) return;
    BookRecord record;
    uint64_t offset;
    if (!bookLookup(0, record, offset)) return;
    if (record.learned < 0 && r == 0) record.learned++;
    const int m = (exitPly - i) / 2;
    int step = 0;
    if (d < 0) {
      if (i + 1 > skipLimit) record.skipCount = uint8_t(std::min(record.skipCount + 1, 255));
      step = std::min(m + d, -1);
    } else if (d > 0) {
      step = std::max(d - m, 1);
    }
    int learned = record.learned + step;
    learned = step > 0 ? std::min(learned, 32767) : std::max(learned, -32768);
    if (learned == 0) learned = step > 0 ? 1 : -1;
    record.learned = int16_t(learned);
    uint8_t bytes[BOOK_RECORD_BYTES];
    encodeRecord(record, bytes);
    writeBookBytes(bytes, BOOK_RECORD_BYTES, offset);
    pos.searchPly = 0;
    if (!makeMove(moves[i + 1])) return;
  }
}

}  // namespace

void learnFromGame(int exitPly, const int32_t *scores, int result) {
  const int n = pos.gamePly - exitPly;
  const int engineIsBlack = exitPly % 2;
  const int r = engineIsBlack ? -result : result;
  if (!bookIsOpen() || !book.writable || exitPly < 4 || n <= 4 || exitPly >= pos.gamePly) return;
  if (gameRecord.startFen[0] != '\0') return;
  if (r > 0 && !(shell.engineFlags & FLAG_OPPONENT_COMPUTER)) return;
  // Another engine on the same book may be learning right now: then this
  // game is not learned rather than mixed into its writes.
  if (flock(book.fd, LOCK_EX | LOCK_NB) != 0) {
    trace("Book busy: game not learned\n");
    return;
  }
  const int d = lesson(r, n, engineIsBlack, scores);
  Move moves[MAX_GAME_PLIES];
  const int played = pos.gamePly;
  for (int i = 0; i < played; i++) moves[i] = pos.plyRecords[i].move;
  replay(exitPly, r, d, moves);
  fsync(book.fd);
  flock(book.fd, LOCK_UN);
}
