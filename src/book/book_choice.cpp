// Choosing a book move: every legal move whose resulting position the book
// knows often enough is a candidate, weighted by how often the position
// arose, how the side that reached it fared, its preference and what
// learning taught about it; one candidate is drawn at random in proportion
// to the weights.  The same candidates make the "bk" listing.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "book/book_choice.h"
#include "book/book_file.h"
#include "position/make_move.h"
#include "position/move_generation.h"
#include "position/move_text.h"
#include "position/position.h"
#include "shell/engine_state.h"

namespace {

// Positions seen fewer times than this are not played unless preferred.
constexpr int MIN_FREQUENCY = 5;

struct Ranges {
  int maxFrequency = 0;
  int minResult = 1000, maxResult = -1000;
  int minLearn = 1000, maxLearn = -1000;
  int maxPriority = -53;
};

// The moves of the current position that lead to book positions, with the
// ranges their statistics span.
int collect(int bookNo, BookCandidate *list, Ranges &ranges) {
  const int savedPly = pos.searchPly;
  pos.searchPly = 0;
  generateMoves();
  int n = 0;
  for (int i = moveListStart[0]; i < moveListStart[1] && n < MAX_BOOK_CANDIDATES; i++) {
    const Move move = moveStack[i].move;
    if (!makeMove(move)) continue;
    BookCandidate c{};
    const bool found = bookLookup(bookNo, c.record, c.offset);
    unmakeMove();
    if (!found || (c.record.frequency < MIN_FREQUENCY && !(c.record.flags & BOOK_PREFERRED))) continue;
    const BookRecord &r = c.record;
    c.move = move;
    // A position that never arose has no result to speak of.
    c.resultScore = r.frequency ? r.winLoss * 1000 / r.frequency : 0;
    ranges.maxFrequency = std::max(ranges.maxFrequency, int(r.frequency));
    ranges.minResult = std::min(ranges.minResult, c.resultScore);
    ranges.maxResult = std::max(ranges.maxResult, c.resultScore);
    c.learnScore = r.learned;
    if (r.learnFreq > 0) {
      const int learned = std::clamp(int(r.learned), -int(r.learnFreq), int(r.learnFreq));
      c.learnScore = learned * 1000 / r.learnFreq;
      ranges.minLearn = std::min(ranges.minLearn, c.learnScore);
      ranges.maxLearn = std::max(ranges.maxLearn, c.learnScore);
    }
    if (r.flags & BOOK_PREFERRED)
      ranges.maxPriority = std::max(ranges.maxPriority, int(r.priority));
    else
      c.record.priority = -128;
    list[n++] = c;
  }
  pos.searchPly = savedPly;
  return n;
}

// The weight of one candidate; a position still to be skipped has its
// counter counted down in the file (on a read-only book it is not skipped).
int weigh(BookCandidate &c, const Ranges &ranges) {
  BookRecord &r = c.record;
  if (r.skipCount > 0 && book.writable) {
    r.skipCount--;
    writeBookBytes(&r.skipCount, 1, c.offset + 14);  // a failed write only means one more skip later
    return 0;
  }
  if (r.flags & BOOK_DISABLED) return 0;
  const int f = r.frequency;
  const double freqPart = ranges.maxFrequency ? f * 360.0 / ranges.maxFrequency : 0.0;
  const int d = std::min(ranges.maxPriority - r.priority, 75);
  const double priorityPart = (75 - d) * 120.0 * (1.0 / 75);
  int resultPart =
      int((c.resultScore - ranges.minResult) * 120.0 / std::max(ranges.maxResult - ranges.minResult, 1));
  if (f < 20) resultPart = f * resultPart / 20;
  int learnPart = 0;
  if (r.learnFreq > 0) {
    learnPart = int((c.learnScore - ranges.minLearn) * 400.0 / std::max(ranges.maxLearn - ranges.minLearn, 1));
    if (r.learnFreq < 20) learnPart = r.learnFreq * learnPart / 20;
  }
  int weight = int(freqPart + priorityPart + resultPart + learnPart);
  if (c.learnScore < 0) weight += weight * c.learnScore / (1200 - std::min(10 * int(r.learnFreq), 200));
  return std::max(weight, 0);
}

}  // namespace

int collectBookCandidates(int bookNo, BookCandidate *list) {
  if (bookNo < 0 || bookNo > 1 || book.fd < 0 || !book.loaded[bookNo]) return 0;
  Ranges ranges;
  const int n = collect(bookNo, list, ranges);
  for (int i = 0; i < n; i++) list[i].weight = weigh(list[i], ranges);
  for (int i = 0; i + 1 < n; i++)
    for (int j = i + 1; j < n; j++)
      if (list[i].weight < list[j].weight) std::swap(list[i], list[j]);
  // Thinning: from the standard start, a move much rarer than the main move
  // counts for an eighth, unless it scored well and learning did not
  // speak against it.
  if (gameRecord.startFen[0] == '\0' && n >= 2) {
    const int top = list[0].record.frequency;
    for (int i = 1; i < n; i++) {
      const BookRecord &r = list[i].record;
      const int v = pos.sideToMove == WHITE ? r.winLoss : r.frequency * 5 / 100 + r.winLoss;
      const int limit = v > 0 ? top / 16 : top / 8;
      if (r.frequency < limit && (v <= 0 || r.frequency < 20 || r.learned <= 0)) list[i].weight >>= 3;
    }
  }
  return n;
}

// The listing for xboard: "bk" (mode 1) shows each move's weight and record
// fields, the short form (mode 0) is a thinking line naming the moves.
static void printListing(const BookCandidate *list, int n, int printMode) {
  if (!(shell.engineFlags & FLAG_XBOARD)) return;
  if (printMode == 0 && !(shell.engineFlags & FLAG_POST)) return;
  char text[2048];
  int length = 0;
  for (int i = 0; i < std::min(n, 10); i++) {
    const BookRecord &r = list[i].record;
    const char *san = moveToSan(list[i].move);
    if (printMode == 1)
      length += std::snprintf(text + length, sizeof text - size_t(length), "%s\t[%d, %d, %d, %d/%d]\n ", san,
                              list[i].weight, r.frequency, r.winLoss, r.learned, r.learnFreq);
    else
      length += std::snprintf(text + length, sizeof text - size_t(length), "%s ", san);
  }
  if (printMode == 1)
    std::printf(" Move\t[Weight, Frequency, Win/Loss, Learned/LearnFreq]\n %s\n\n", text);
  else
    std::printf("0 0 0 0 ( %s)\n", text);
  std::fflush(stdout);
}

void bookChoose(int bookNo, Move *outMove, int printMode) {
  BookCandidate list[MAX_BOOK_CANDIDATES];
  const int n = collectBookCandidates(bookNo, list);
  if (n == 0) return;
  printListing(list, n, printMode);
  if (list[0].weight <= 0) return;
  int sum = 0;
  for (int i = 0; i < n; i++) sum += list[i].weight;
  int x = book.random() * sum / 32767;
  for (int i = 0; i < n; i++) {
    if (list[i].weight <= 0) continue;
    x -= list[i].weight;
    if (x < 0) {
      *outMove = list[i].move;
      return;
    }
  }
}
