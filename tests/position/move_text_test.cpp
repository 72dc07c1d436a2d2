// Move text: coordinate text, algebraic text with its
// disambiguation, the coordinate and castling parser with its bad inputs,
// and round trips over the legal moves of many positions.
#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "random_positions.h"
#include "test_support.h"

namespace {

using test::square;

Move parse(const char *text) {
  Move move = 0;
  return parseCoordinateMove(move, text) ? move : 0;
}

// Parses a copy of the text in a heap block of exactly its size, so that the
// sanitizer build catches any read past the terminator.
int parseExact(const std::string &text, Move &move) {
  std::unique_ptr<char[]> copy(new char[text.size() + 1]);
  std::memcpy(copy.get(), text.c_str(), text.size() + 1);
  return parseCoordinateMove(move, copy.get());
}

std::string san(const char *coordinates) {
  const Move m = test::findMove(coordinates);
  EXPECT_NE(m, 0u) << coordinates;
  return m ? moveToSan(m) : "";
}

TEST(MoveText, CoordinatesWithBothPromotionLetterForms) {
  test::setUp("7n/6P1/8/8/8/8/8/K6k w - -");
  const Move m = test::findMove("g7h8q");
  ASSERT_NE(m, 0u);
  EXPECT_STREQ(moveToCoordinates(m), "g7h8Q");
  EXPECT_STREQ(moveToUciCoordinates(m), "g7h8q");
  EXPECT_EQ(moveToSan(m), std::string("gxh8=Q"));
  EXPECT_STREQ(moveToCoordinates(makeMoveWord(square("e1"), square("g1"), MOVE_KING_CASTLE)), "e1g1");
  EXPECT_STREQ(moveToCoordinates(makeMoveWord(square("e8"), square("c8"), MOVE_QUEEN_CASTLE)), "e8c8");
  EXPECT_STREQ(moveToCoordinates(makeMoveWord(square("a2"), square("a1"), 0x12000000 | KNIGHT << 16)), "a2a1N");
}

TEST(MoveText, PromotionLetterInEitherCase) {
  test::setUp("8/4P3/8/8/8/8/8/K6k w - -");
  const Move queen = makeMoveWord(square("e7"), square("e8"), MOVE_PAWN | MOVE_PROMOTION | QUEEN << 16);
  EXPECT_EQ(parse("e7e8q"), queen);
  EXPECT_EQ(parse("e7e8Q"), queen);
  EXPECT_EQ(parse("e7e8n"), makeMoveWord(square("e7"), square("e8"), MOVE_PAWN | MOVE_PROMOTION | KNIGHT << 16));
  EXPECT_EQ(parse("e7e8"), 0u);
  EXPECT_EQ(parse("e7e8k"), 0u);
  EXPECT_EQ(parse("e7e8p"), 0u);
  EXPECT_EQ(parse("e7e8 "), 0u);
  // A rook on e7 needs no letter.
  test::setUp("8/4R3/8/8/8/8/8/K6k w - -");
  EXPECT_EQ(parse("e7e8"), makeMoveWord(square("e7"), square("e8")));
  // Black promotes on the first rank.
  test::setUp("K6k/8/8/8/8/8/3p4/2N5 b - -");
  EXPECT_EQ(parse("d2c1r"), makeMoveWord(square("d2"), square("c1"), 0x13000000 | ROOK << 16));
  EXPECT_EQ(parse("d2d1"), 0u);
}

TEST(MoveText, CastlingTexts) {
  const char *fen = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq -";
  test::setUp(fen);
  EXPECT_EQ(parse("O-O"), makeMoveWord(square("e1"), square("g1"), MOVE_KING_CASTLE));
  EXPECT_EQ(parse("o-o"), makeMoveWord(square("e1"), square("g1"), MOVE_KING_CASTLE));
  EXPECT_EQ(parse("0-0"), makeMoveWord(square("e1"), square("g1"), MOVE_KING_CASTLE));
  EXPECT_EQ(parse("O-O-O"), makeMoveWord(square("e1"), square("c1"), MOVE_QUEEN_CASTLE));
  EXPECT_EQ(parse("0-0-0"), makeMoveWord(square("e1"), square("c1"), MOVE_QUEEN_CASTLE));
  // The king's move written in coordinates is castling too, and equals the generated move.
  EXPECT_EQ(parse("e1g1"), test::findMove("e1g1"));
  EXPECT_EQ(parse("e1c1"), test::findMove("e1c1"));
  EXPECT_EQ(parse("e1g1") & MOVE_CASTLE, MOVE_KING_CASTLE);
  EXPECT_EQ(parse("e1c1") & MOVE_CASTLE, MOVE_QUEEN_CASTLE);
  EXPECT_EQ(moveToSan(parse("e1g1")), std::string("O-O"));
  EXPECT_EQ(moveToSan(parse("e1c1")), std::string("O-O-O"));
  test::setUp("r3k2r/8/8/8/8/8/8/R3K2R b KQkq -");
  EXPECT_EQ(parse("O-O"), makeMoveWord(square("e8"), square("g8"), MOVE_KING_CASTLE));
  EXPECT_EQ(parse("0-0-0"), makeMoveWord(square("e8"), square("c8"), MOVE_QUEEN_CASTLE));
  EXPECT_EQ(parse("e8c8"), test::findMove("e8c8"));
  EXPECT_EQ(moveToSan(parse("e8g8")), std::string("O-O"));
  // A rook on e1 going to g1 is a plain rook move.
  test::setUp("7k/8/8/8/8/8/8/K3R3 w - -");
  EXPECT_EQ(parse("e1g1"), makeMoveWord(square("e1"), square("g1")));
}

TEST(MoveText, EnPassantCompletesToExactFlags) {
  test::setUp("4k3/8/8/3pP3/8/8/8/4K3 w - d6");
  const Move m = parse("e5d6");
  EXPECT_EQ(m, makeMoveWord(square("e5"), square("d6"), 0x15000000));
  EXPECT_EQ(m, test::findMove("e5d6"));
  EXPECT_EQ(moveToSan(m), std::string("exd6"));
  // A double push completes to 0x18000000, a single push to 0x10000000.
  test::setUp();
  EXPECT_EQ(parse("e2e4"), makeMoveWord(square("e2"), square("e4"), 0x18000000));
  EXPECT_EQ(parse("e2e3"), makeMoveWord(square("e2"), square("e3"), 0x10000000));
  EXPECT_EQ(parse("g1f3"), makeMoveWord(square("g1"), square("f3")));
}

TEST(MoveText, KnightDisambiguation) {
  test::setUp("4k3/8/8/8/8/5N2/8/1N2K3 w - -");
  EXPECT_EQ(san("b1d2"), "Nbd2");
  EXPECT_EQ(san("f3d2"), "Nfd2");
  EXPECT_EQ(san("b1c3"), "Nc3");
  test::setUp("4k3/8/8/8/8/1N6/8/1N2K3 w - -");
  EXPECT_EQ(san("b1d2"), "N1d2");
  EXPECT_EQ(san("b3d2"), "N3d2");
}

TEST(MoveText, SliderDisambiguation) {
  test::setUp("4k3/8/8/8/8/8/8/R3K2R w - -");
  // The king on e1 stands between the rooks: each reaches d1/f1 alone.
  EXPECT_EQ(san("a1d1"), "Rd1");
  test::setUp("4k3/8/8/8/8/8/4K3/R6R w - -");
  EXPECT_EQ(san("a1d1"), "Rad1");
  EXPECT_EQ(san("h1h5"), "Rh5");
  test::setUp("4k3/8/8/R7/8/8/8/R3K3 w - -");
  EXPECT_EQ(san("a1a3"), "R1a3");
  EXPECT_EQ(san("a5a3"), "R5a3");
  // A blocked rook does not count.
  test::setUp("4k3/8/8/8/8/8/8/R4NKR w - -");
  EXPECT_EQ(san("a1d1"), "Rd1");
  // Captures: the letter comes before the "x".
  test::setUp("4k3/8/8/8/8/8/4K3/R2n3R w - -");
  EXPECT_EQ(san("a1d1"), "Raxd1");
  // Queens on two lines; bishops.
  test::setUp("4k3/8/8/Q7/8/8/8/Q3K3 w - -");
  EXPECT_EQ(san("a1c3"), "Q1c3");
  EXPECT_EQ(san("a5c3"), "Q5c3");
  EXPECT_EQ(san("a5c5"), "Qc5");
  test::setUp("4k3/8/8/8/8/8/8/2B1KB2 w - -");
  EXPECT_EQ(san("c1e3"), "Be3");
  test::setUp("7k/8/8/8/B7/8/8/4KB2 w - -");
  EXPECT_EQ(san("a4d7"), "Bd7");
  EXPECT_EQ(san("f1c4"), "Bc4");
  test::setUp("4k3/8/1B6/8/8/8/5B2/4K3 w - -");
  EXPECT_EQ(san("b6c5"), "Bbc5");
  EXPECT_EQ(san("f2c5"), "Bfc5");
  // Pins are not considered: the pinned knight still asks for a letter.
  test::setUp("4k3/4r3/8/1N6/8/8/4N3/4K3 w - -");
  EXPECT_EQ(san("b5d4"), "Nbd4");
}

// The case the Part leaves to the implementer: several other pieces reach
// the square.  Standard algebraic notation is followed: file if it tells the
// movers apart, else rank, else both.
TEST(MoveText, ThreeKnightsFollowStandardNotation) {
  test::setUp("4k3/8/8/6N1/8/2N3N1/8/4K3 w - -");
  EXPECT_EQ(san("c3e4"), "Nce4");
  EXPECT_EQ(san("g5e4"), "N5e4");
  EXPECT_EQ(san("g3e4"), "Ng3e4");
  // Three queens reaching d4 from a1, a4 and d1 (a4 and a1 share the file,
  // a1 and d1 the rank).
  test::setUp("8/7k/8/8/Q7/8/8/Q2Q2K1 w - -");
  EXPECT_EQ(san("a1d4"), "Qa1d4");
  EXPECT_EQ(san("a4d4"), "Q4d4");
  EXPECT_EQ(san("d1d4"), "Qdd4");
}

TEST(MoveText, PawnAndKingText) {
  test::setUp("r3k3/1P6/8/8/3p4/4P3/8/4K3 w - -");
  EXPECT_EQ(san("e3e4"), "e4");
  EXPECT_EQ(san("e3d4"), "exd4");
  EXPECT_EQ(san("b7b8q"), "b8=Q");
  EXPECT_EQ(san("b7a8n"), "bxa8=N");
  EXPECT_EQ(san("e1d2"), "Kd2");
}

TEST(MoveText, BadTextIsRejected) {
  test::setUp("8/4P3/8/8/8/8/4P3/K6k w - -");
  const char *bad[] = {
      "",     "e",     "e2",    "e2e",  "i2e4", "e9e4", "e2e9", "e0e4", "e2e0",  "E2E4", "e2E4", "`2e4",
      "e3e4",  // empty from-square
      "e7e8", "e7e8x", "e7e8K", "0000", "O",    "O-",   "O-X",  "O-O-", "O-O-X", "0-",   "o-o-", "Oo-o",
      "-O-O", "a1",    " e2e4",
  };
  for (const char *text : bad) {
    Move move = 0x12345;
    EXPECT_EQ(parseExact(text, move), 0) << '"' << text << '"';
    EXPECT_EQ(move, 0x12345u) << "move changed for \"" << text << '"';
  }
  Move unchanged = 0;
  EXPECT_EQ(parseCoordinateMove(unchanged, nullptr), 0);
  // Texts that are moves, read from blocks of exactly their size; a fifth
  // character after a move that is no promotion is ignored.
  const char *good[] = {"e2e4", "e2e3", "e7e8q", "e7e8R", "O-O", "0-0-0", "a1b1", "e2e4q"};
  for (const char *text : good) {
    Move move = 0;
    EXPECT_EQ(parseExact(text, move), 1) << text;
  }
}

// Property: over the perft positions and random playouts from them, every
// legal move survives the coordinate round trip in both letter forms,
// completeMove rebuilds its flags from the identity bits, and its algebraic
// text is unique among the position's legal moves.
TEST(MoveText, RoundTripsAndUniqueSanOverManyPositions) {
  test::Rng rng(1515);
  int positions = 0, moves = 0;
  for (int game = 0; game < 600; game++) {
    test::randomPlayout(rng, rng.below(80));
    positions++;
    std::set<std::string> sans;
    const std::vector<Move> legal = test::legalMoves();
    for (Move m : legal) {
      moves++;
      Move parsed = 0;
      ASSERT_EQ(parseCoordinateMove(parsed, moveToCoordinates(m)), 1) << moveToCoordinates(m);
      EXPECT_EQ(parsed, m) << moveToCoordinates(m) << " in " << test::positionFen();
      parsed = 0;
      ASSERT_EQ(parseCoordinateMove(parsed, moveToUciCoordinates(m)), 1);
      EXPECT_EQ(parsed, m) << moveToUciCoordinates(m);
      EXPECT_EQ(completeMove(m & MOVE_IDENTITY_MASK), m) << moveToCoordinates(m);
      const std::string text = moveToSan(m);
      EXPECT_TRUE(sans.insert(text).second) << "SAN " << text << " twice in " << test::positionFen();
    }
  }
  EXPECT_GT(moves, 10000);
  std::printf("move text round trips: %d positions, %d legal moves\n", positions, moves);
}

}  // namespace
