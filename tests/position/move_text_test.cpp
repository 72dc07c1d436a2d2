// Move text: coordinate text, algebraic text with its disambiguation, the
// coordinate and castling parser with its bad inputs, and round trips over
// the legal moves of many positions.
#include <cstring>
#include <memory>
#include <set>

#include "random_positions.h"

namespace {

using test::square;

// Parses a copy of the text in a heap block of exactly its size, so that the
// sanitizer build catches any read past the terminator.
int parseExact(const std::string &text, Move &move) {
  std::unique_ptr<char[]> copy(new char[text.size() + 1]);
  std::memcpy(copy.get(), text.c_str(), text.size() + 1);
  return parseCoordinateMove(move, copy.get());
}

// Castling in all its spellings, a black capture-promotion and en passant:
// the parsed word must be the generated move written in coordinates.  (Every
// other kind of move is in the round trip below.)
TEST(MoveText, ParsedTextsAreTheGeneratedMoves) {
  const std::tuple<const char *, const char *, const char *> cases[] = {
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "O-O", "e1g1"}, {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "o-o", "e1g1"},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "0-0", "e1g1"}, {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "O-O-O", "e1c1"},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "0-0-0", "e1c1"}, {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq -", "0-0-0", "e8c8"},
      {"7k/8/8/8/8/8/8/K3R3 w - -", "e1g1", "e1g1"},  // a rook on e1: a plain rook move
      {"K6k/8/8/8/8/8/3p4/2N5 b - -", "d2c1r", "d2c1r"}, {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", "e5d6", "e5d6"},
  };
  for (const auto &[fen, text, move] : cases) {
    test::setUp(fen);
    Move parsed = 0;
    EXPECT_EQ(parseExact(text, parsed), 1) << text;
    EXPECT_EQ(parsed, test::findMove(move)) << fen << " " << text;
    EXPECT_NE(parsed, 0u) << text;
  }
  test::setUp("7n/6P1/8/8/8/8/8/K6k w - -");
  EXPECT_STREQ(moveToCoordinates(test::findMove("g7h8q")), "g7h8Q");
}

TEST(MoveText, BadTextIsRejected) {
  test::setUp("8/4P3/8/8/8/8/4P3/K6k w - -");
  for (const char *text : {"",     "e",    "e2",   "e2e",   "i2e4",  "e9e4",  "e2e9",  "e0e4",  "e2e0", "E2E4",
                           "e2E4", "`2e4", "e3e4", "e7e8",  "e7e8x", "e7e8K", "e7e8p", "e7e8 ", "0000", "O",
                           "O-",   "O-X",  "O-O-", "O-O-X", "0-",    "o-o-",  "Oo-o",  "-O-O",  "a1",   " e2e4"}) {
    Move move = 0x12345;
    EXPECT_EQ(parseExact(text, move), 0) << '"' << text << '"';
    EXPECT_EQ(move, 0x12345u) << "move changed for \"" << text << '"';
  }
  Move unchanged = 0;
  EXPECT_EQ(parseCoordinateMove(unchanged, nullptr), 0);
  // Texts that are moves; a fifth character after a move that is no
  // promotion is ignored.
  for (const char *text : {"e2e4", "e2e3", "e7e8q", "e7e8R", "O-O", "0-0-0", "a1b1", "e2e4q"}) {
    Move move = 0;
    EXPECT_EQ(parseExact(text, move), 1) << text;
  }
}

// Disambiguation by file if it tells the movers apart, else by rank, else
// both (also with three pieces reaching the square); a pinned piece still
// counts, a blocked one does not.
TEST(MoveText, AlgebraicText) {
  const std::tuple<const char *, const char *, const char *> cases[] = {
      {"4k3/8/8/8/8/5N2/8/1N2K3 w - -", "b1d2", "Nbd2"}, {"4k3/8/8/8/8/1N6/8/1N2K3 w - -", "b1d2", "N1d2"},
      {"4k3/8/8/8/8/8/8/R3K2R w - -", "a1d1", "Rd1"},  // the king stands between the rooks
      {"4k3/8/8/8/8/8/4K3/R6R w - -", "a1d1", "Rad1"},
      {"4k3/8/8/8/8/8/8/R4NKR w - -", "a1d1", "Rd1"},  // the other rook is blocked
      {"4k3/8/8/8/8/8/4K3/R2n3R w - -", "a1d1", "Raxd1"}, {"4k3/8/1B6/8/8/8/5B2/4K3 w - -", "b6c5", "Bbc5"},
      {"4k3/4r3/8/1N6/8/8/4N3/4K3 w - -", "b5d4", "Nbd4"},  // pins are not considered
      {"4k3/8/8/6N1/8/2N3N1/8/4K3 w - -", "g3e4", "Ng3e4"}, {"8/7k/8/8/Q7/8/8/Q2Q2K1 w - -", "a1d4", "Qa1d4"},
      {"8/7k/8/8/Q7/8/8/Q2Q2K1 w - -", "a4d4", "Q4d4"}, {"8/7k/8/8/Q7/8/8/Q2Q2K1 w - -", "d1d4", "Qdd4"},
      {"r3k3/1P6/8/8/3p4/4P3/8/4K3 w - -", "e3d4", "exd4"}, {"r3k3/1P6/8/8/3p4/4P3/8/4K3 w - -", "b7b8q", "b8=Q"},
      {"r3k3/1P6/8/8/3p4/4P3/8/4K3 w - -", "b7a8n", "bxa8=N"}, {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "e1g1", "O-O"},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq -", "e1c1", "O-O-O"}, {"4k3/8/8/3pP3/8/8/8/4K3 w - d6", "e5d6", "exd6"},
  };
  for (const auto &[fen, move, san] : cases) {
    test::setUp(fen);
    const Move m = test::findMove(move);
    ASSERT_NE(m, 0u) << fen << " " << move;
    EXPECT_EQ(std::string(moveToSan(m)), san) << fen;
  }
}

// Property: over the perft positions and random playouts from them, every
// legal move survives the coordinate round trip in both letter forms,
// completeMove rebuilds its flags from the identity bits, and its algebraic
// text is unique among the position's legal moves.
TEST(MoveText, RoundTripsAndUniqueSanOverManyPositions) {
  test::Rng rng(1515);
  int moves = 0;
  for (int game = 0; game < 600; game++) {
    test::randomPlayout(rng, rng.below(80));
    std::set<std::string> sans;
    for (Move m : test::legalMoves()) {
      moves++;
      for (const std::string &text : {std::string(moveToCoordinates(m)), std::string(moveToUciCoordinates(m))}) {
        Move parsed = 0;
        ASSERT_EQ(parseCoordinateMove(parsed, text.c_str()), 1) << text;
        EXPECT_EQ(parsed, m) << text << " in " << test::positionFen();
      }
      EXPECT_EQ(completeMove(m & MOVE_IDENTITY_MASK), m) << moveToCoordinates(m);
      const std::string text = moveToSan(m);
      EXPECT_TRUE(sans.insert(text).second) << "SAN " << text << " twice in " << test::positionFen();
    }
  }
  EXPECT_GT(moves, 10000);
}

}  // namespace
