// Creating a book from PGN: which games and moves are read, what each
// position records, and the algebraic move reader.
#include "book_files.h"

namespace {

// Reads every game of `pgn` into a fresh pool of `poolBytes`; returns what
// was printed.
std::string readGames(const std::string &pgn, uint64_t poolBytes = 1 << 20) {
  test::setUp();
  EXPECT_TRUE(allocateBookPool(poolBytes));
  FILE *file = fmemopen(const_cast<char *>(pgn.data()), pgn.size(), "r");
  PgnReader reader{file, {}, false, 0};
  static char text[GAME_TEXT_SIZE];
  int result = 0;
  testing::internal::CaptureStdout();
  while (readPgnGame(reader, text, result) && processGame(text, result)) {
  }
  std::fclose(file);
  return testing::internal::GetCapturedStdout();
}

using Seen = std::tuple<const char *, int, int>;  // moves, frequency (0: not recorded), win/loss

TEST(BookCreation, PgnSnippets) {
  const std::string won = "[Event \"a\"]\n[Result \"1-0\"]\n\n";
  const std::string glued = "1. e4 e5 2. Nf3 {good} Nc6 1-0\n";
  const struct {
    const char *name;
    std::string pgn;
    std::vector<Seen> seen;
    std::string printed;
  } cases[] = {
      {"results for the side that moved", won + "1. e4 e5 2. Nf3 1-0\n",
       {{"e2e4", 1, 1}, {"e2e4 e7e5", 1, -1}, {"e2e4 e7e5 g1f3", 1, 1}}, ""},
      {"black won", "[Result \"0-1\"]\n1. e4 e5 0-1\n", {{"e2e4", 1, -1}, {"e2e4 e7e5", 1, 1}}, ""},
      {"\"*\" is a draw", "[Result \"*\"]\n1. e4 *\n", {{"e2e4", 1, 0}}, ""},
      {"no Result tag: ignored", "[Event \"a\"]\n\n1. e4 e5\n", {{"e2e4", 0, 0}}, ""},
      {"two games", won + "1. e4 e5\n\n" + won + "1. e4 c5\n", {{"e2e4", 2, 2}, {"e2e4 c7c5", 1, -1}}, ""},
      {"a repetition ends the game", won + "1. Nf3 Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. e4\n",
       {{"g1f3", 1, 1}, {"g1f3 g8f6", 1, -1}}, ""},
      {"a comment is an error; the moves before it stay", won + glued,
       {{"e2e4 e7e5 g1f3", 1, 1}, {"e2e4 e7e5 g1f3 b8c6", 0, 0}}, "Error processing game:\n" + glued + "\n"},
      {"a token of 9 characters", won + "1. e4 Nf3xxxxxx\n", {{"e2e4", 1, 1}},
       "Error processing game:\n1. e4 Nf3xxxxxx\n\n"},
      {"move 26 is never read", won + "1. e4 e5 26. Nf3\n", {{"e2e4 e7e5", 1, -1}, {"e2e4 e7e5 g1f3", 0, 0}}, ""},
      {"castling after a move number", won + "1. e4 e5 2. Nf3 Nf6 3. Bc4 Bc5 4. 0-0 o-o\n",
       {{"e2e4 e7e5 g1f3 g8f6 f1c4 f8c5 e1g1 e8g8", 1, -1}}, ""},
      {"castling first in a line", won + "1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5 4.\nO-O\n",
       {{"e2e4 e7e5 g1f3 b8c6 f1c4 f8c5 e1g1", 1, 1}}, ""},
      {"a game from a FEN is dropped", "[Result \"1-0\"]\n[FEN \"8/8/8/8/8/8/8/K6k w - -\"]\n1. e4\n", {{"e2e4", 0, 0}},
       ""},
      {"a second Result tag starts another game", "[Result \"1-0\"]\n[Result \"0-1\"]\n\n1. e4\n", {{"e2e4", 1, -1}},
       ""},
      {"a tag line ends the moves and starts the next game", "[Result \"1-0\"]\n1. e4\n[Result \"0-1\"]\n1. e4\n",
       {{"e2e4", 2, 0}}, ""},
      {"a non-ASCII move", won + "1. e4 \xc3\xa9" "5\n", {{"e2e4", 1, 1}}, "Error processing game:\n1. e4 \xc3\xa9" "5\n\n"},
  };
  for (const auto &c : cases) {
    EXPECT_EQ(readGames(c.pgn), c.printed) << c.name;
    for (const auto &[moves, frequency, winLoss] : c.seen) {
      test::playFromStart(moves);
      const BookRecord *r = poolRecord();
      EXPECT_EQ(std::pair(r ? int(r->frequency) : 0, r ? int(r->winLoss) : winLoss), std::pair(frequency, winLoss))
          << c.name << ": " << moves;
    }
    freeBookPool();
  }
}

TEST(BookCreation, FullPoolAndSaturation) {
  EXPECT_EQ(readGames("[Result \"1-0\"]\n1. e4 e5 d4\n", sizeof(PoolBlock)), "Game file is too big to process\n");
  freeBookPool();
  ASSERT_TRUE(allocateBookPool(1 << 16));
  test::playFromStart("e2e4");
  for (int i = 0; i < 70000; i++) addPosition(1);
  EXPECT_EQ(std::pair(int(poolRecord()->frequency), int(poolRecord()->winLoss)), std::pair(65535, 32767));
  freeBookPool();
}

// The algebraic reader against the legal moves: the move it names, or ""
// when it names none.
TEST(BookCreation, AlgebraicMoves) {
  const char *start = test::startFen;
  const char *castles = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -";
  const std::tuple<const char *, const char *, const char *, const char *> cases[] = {  // FEN, moves, SAN, move
      {start, "", "e4", "e2e4"}, {start, "", "e4!", "e2e4"}, {start, "", "Nf3+", "g1f3"}, {start, "", "Ng1f3", "g1f3"},
      {start, "e2e4 e7e5", "Bb5", "f1b5"}, {start, "e2e4 d7d5", "exd5", "e4d5"},
      {start, "e2e4 a7a6 e4e5 d7d5", "exd6", "e5d6"}, {"4k3/8/8/8/8/5N2/8/1N2K3 w - -", "", "Nbd2", "b1d2"},
      {"4k3/8/8/8/8/1N6/8/1N2K3 w - -", "", "N1d2", "b1d2"},
      {"4k3/8/8/8/1b6/8/3N4/4K1N1 w - -", "", "Nf3", "g1f3"},  // the d2 knight is pinned
      {"3rk3/4P3/8/8/8/8/8/4K3 w - -", "", "exd8=Q#", "e7d8q"}, {"1r5k/4P3/8/8/8/8/8/4K3 w - -", "", "e8=Q", "e7e8q"},
      {"1r5k/4P3/8/8/8/8/8/4K3 w - -", "", "e8q", ""},  // a lower-case promotion letter is dropped
      {castles, "", "O-O", "e1g1"}, {castles, "", "O-O-O", "e1c1"}, {castles, "", "o-o-o", "e1c1"},
      {castles, "a1b1", "O-O-O", "e8c8"}, {start, "", "E4", ""}, {start, "", "xe4", ""}, {start, "", "e9", ""},
      {start, "", "N3", ""}, {start, "", "Qe4", ""}, {start, "", "\xc3\xa9" "4", ""},
  };
  for (const auto &[fen, before, san, expected] : cases) {
    test::setUp(fen);
    std::istringstream in(before);
    for (std::string m; in >> m;) ASSERT_TRUE(test::play(m)) << before;
    const Move move = test::sanMove(san);
    EXPECT_EQ(move ? moveToUciCoordinates(move) : "", std::string(expected)) << fen << " " << before << " " << san;
  }
}

}  // namespace
