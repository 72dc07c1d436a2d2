// Choosing among the book moves: weights, thinning, skip counters, the odds
// of the draw and the listings shown to xboard.
#include <algorithm>
#include <cstring>
#include <tuple>

#include "book_files.h"

namespace {

using test::BookOnDisk;
using test::place;

using Weights = std::vector<std::pair<std::string, int>>;

// Weights of the moves at the start position (after 1.e4 where the case
// starts with "e2e4 "), highest first.  place() takes frequency, win/loss,
// learned, learned frequency, skip count, flags and priority.
TEST(BookChoice, WeightsAndThinning) {
  const auto disabled = BOOK_DISABLED, preferred = BOOK_PREFERRED;
  const struct {
    std::vector<test::Placed> records;
    Weights weights;
    bool fromFen = false;
  } cases[] = {
      {{place("e2e4", 100), place("d2d4", 50)}, {{"e2e4", 360}, {"d2d4", 180}}},
      {{place("e2e4", 200), place("g1f3", 20)}, {{"e2e4", 360}, {"g1f3", 4}}},          // a rare move is thinned
      {{place("e2e4", 200), place("g1f3", 20)}, {{"e2e4", 360}, {"g1f3", 36}}, true},   // not after a FEN
      {{place("e2e4", 200), place("g1f3", 20, 5, 1)}, {{"e2e4", 360}, {"g1f3", 156}}},  // unless it won
      {{place("e2e4", 10, -5), place("d2d4", 10, 5)}, {{"d2d4", 420}, {"e2e4", 360}}},  // results scaled below 20
      // Black to move: a rare move is kept when frequent enough, thinned when
      // it loses.
      {{place("e2e4 c7c5", 200), place("e2e4 e7e5", 20)}, {{"c7c5", 360}, {"e7e5", 36}}},
      {{place("e2e4 c7c5", 200), place("e2e4 e7e6", 20, -2)}, {{"c7c5", 480}, {"e7e6", 4}}},
      // Learned values without and with a scale.
      {{place("e2e4", 100, 0, -600), place("d2d4", 100)}, {{"d2d4", 360}, {"e2e4", 180}}},
      {{place("e2e4", 100, 0, 10, 20), place("d2d4", 100, 0, -20, 20)}, {{"e2e4", 760}, {"d2d4", 0}}},
      {{place("e2e4", 100), place("a2a3", 1, 0, 0, 0, 0, preferred, 10)}, {{"e2e4", 360}, {"a2a3", 15}}},
      // Disabled, too rare to count, and a preferred position never seen.
      {{place("e2e4", 100, 0, 0, 0, 0, disabled), place("d2d4", 4), place("c2c4", 50)}, {{"c2c4", 180}, {"e2e4", 0}}},
      {{place("e2e4", 0, 0, 0, 0, 0, preferred)}, {{"e2e4", 120}}},
  };
  for (const auto &c : cases) {
    const std::string line = c.records[0].moves.substr(0, c.records[0].moves.rfind(' ') + 1);
    SCOPED_TRACE(c.records[0].moves + " / " + c.records.back().moves);
    BookOnDisk file(test::bookBytes(c.records));
    ASSERT_TRUE(file.open());
    test::startPosition();
    test::playFromStart(line);
    if (c.fromFen) std::strcpy(gameRecord.startFen, "a FEN");
    BookCandidate list[MAX_BOOK_CANDIDATES];
    Weights weights;
    for (int i = 0, n = collectBookCandidates(0, list); i < n; i++)
      weights.push_back({moveToUciCoordinates(list[i].move), list[i].weight});
    EXPECT_EQ(weights, c.weights);
  }
}

// A position to be skipped three times is passed over in three probes,
// each counting its counter down in the file, and chosen in the fourth.
// A read-only book plays it at once and never writes the counter.
TEST(BookChoice, SkipCount) {
  const std::string bytes = test::bookBytes({place("e2e4", 100, 0, 0, 0, 3)});
  const size_t skipByte = test::recordOffset(bytes, test::keyAfter("e2e4")) + 14;
  for (bool writable : {true, false}) {
    BookOnDisk file(bytes);
    ASSERT_TRUE(file.open(writable));
    test::startPosition();
    shell.engineFlags = FLAG_UCI;
    for (int probe = 1; probe <= 4; probe++) {
      Move move = 0;
      bookChoose(0, &move, 0);
      EXPECT_EQ(std::pair(move != 0, int(uint8_t(test::readFile(file.path)[skipByte]))),
                std::pair(!writable || probe == 4, writable ? std::max(3 - probe, 0) : 3))
          << writable << probe;
    }
  }
}

int fixedRandom;
int nextRandom() { return fixedRandom; }

// Two equal moves: each for half of the random numbers, none for the
// largest.
TEST(BookChoice, EvenOdds) {
  BookOnDisk file(test::bookBytes({place("e2e4", 50, 3), place("d2d4", 50, 3)}));
  ASSERT_TRUE(file.open());
  test::startPosition();
  shell.engineFlags = FLAG_UCI;
  book.random = nextRandom;
  int chosen[3] = {};
  for (fixedRandom = 0; fixedRandom <= 32767; fixedRandom++) {
    Move move = 0;
    bookChoose(0, &move, 0);
    chosen[move == 0 ? 2 : !std::strcmp(moveToUciCoordinates(move), "e2e4") ? 0 : 1]++;
  }
  EXPECT_EQ(std::tuple(std::max(chosen[0], chosen[1]), std::min(chosen[0], chosen[1]), chosen[2]),
            std::tuple(16384, 16383, 1));
}

std::string listing(int flags, int printMode) {
  shell.engineFlags = flags;
  Move move = 0;
  return test::printedBy([&] { bookChoose(0, &move, printMode); });
}

TEST(BookChoice, Listings) {
  BookOnDisk file(test::bookBytes({place("e2e4", 100, 10), place("d2d4", 50, -5, -2, 7)}));
  ASSERT_TRUE(file.open());
  test::startPosition();
  EXPECT_EQ(listing(FLAG_XBOARD, 1),
            " Move\t[Weight, Frequency, Win/Loss, Learned/LearnFreq]\n"
            " e4\t[480, 100, 10, 0/0]\n"
            " d4\t[135, 50, -5, -2/7]\n"
            " \n\n");
  EXPECT_EQ(listing(FLAG_XBOARD | FLAG_POST, 0), "0 0 0 0 ( e4 d4 )\n");
  EXPECT_EQ(listing(FLAG_XBOARD, 0), "");  // thinking output off
  EXPECT_EQ(listing(FLAG_UCI | FLAG_POST, 1), "");
}

}  // namespace
