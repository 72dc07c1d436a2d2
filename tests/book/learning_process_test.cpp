// Learning in a real xboard game: the engine plays its book line, searches
// on, loses, and "result" rewrites the records of its book moves and no
// other byte of the book, also when it arrives during a ponder search.
#include <cstring>

#include "book_files.h"
#include "shell/engine_process.h"

namespace {

using test::place;

TEST(LearningProcess, ResultRewritesExactlyTheBookLine) {
  const std::vector<test::Placed> line = {place("e2e4", 10), place("e2e4 e7e5", 10), place("e2e4 e7e5 g1f3", 10),
                                          place("e2e4 e7e5 g1f3 b8c6", 10), place("e2e4 e7e5 g1f3 b8c6 f1b5", 10),
                                          place("d2d4 d7d5", 10)};
  const std::string before = test::bookBytes(line);
  for (bool ponder : {false, true}) {
    test::TempDir dir;
    const std::string book = dir.write("VornBook.bin", before);
    dir.write("vorn.cfg", std::string("LEARN 1\n") + (ponder ? "PONDER 1\n" : ""));
    test::EngineProcess engine({"vorn"}, dir.path);
    // Pondering needs a line of three moves, and a search that does not end
    // by itself.
    engine.send(ponder ? "xboard\nnew\nst 1\ngo\n" : "xboard\nnew\nsd 2\ngo\n");
    test::setUp();
    const char *replies[] = {"e7e5", "b8c6"};
    for (size_t moves = 1; moves <= 6; moves++) {
      ASSERT_TRUE(engine.waitForLines("move ", moves)) << engine.output();
      const std::string move = test::linesStartingWith(engine.output(), "move ")[moves - 1].substr(5);
      const Move played = test::sanMove(move.substr(0, move.find_first_of("+#")).c_str());
      ASSERT_TRUE(played && makeMove(played)) << move;
      if (moves == 6) break;
      // Out of the book line: any legal reply.
      const std::string reply = moves <= 2 ? replies[moves - 1] : moveToUciCoordinates(test::legalMoves()[0]);
      ASSERT_TRUE(test::play(reply)) << reply;
      engine.send(reply + "\n");
    }
    if (ponder) {
      // The engine (white) is thinking on its opponent's time when the game ends.
      const size_t shown = engine.output().size();
      for (int wait = 0; wait < 50 && engine.output().size() == shown; wait++) engine.waitForLines("move ", 7, 100);
      ASSERT_GT(engine.output().size(), shown) << "no ponder search";
    }
    engine.send("result 0-1 {White resigns}\nquit\n");
    EXPECT_EQ(engine.finish().exitCode, 0);

    const std::string after = test::readFile(book);
    ASSERT_EQ(after.size(), before.size());
    // Only the bytes of the records after the engine's book moves changed,
    // each learning that the line lost.
    std::string expected = after;
    for (size_t i = 0; i < line.size(); i++) {
      const std::string &moves = line[i].moves;
      const bool engineMove = moves.size() % 10 == 4;  // the positions after 1.e4, 2.Nf3, 3.Bb5
      const size_t at = test::recordOffset(after, test::keyAfter(moves));
      BookRecord r;
      decodeRecord(reinterpret_cast<const uint8_t *>(&after[at]), r);
      EXPECT_EQ(r.learned < 0, engineMove) << moves << (ponder ? " pondering" : "");
      if (engineMove) std::memcpy(&expected[at], &before[at], BOOK_RECORD_BYTES);
    }
    EXPECT_TRUE(expected == before) << (ponder ? "pondering" : "");
  }
}

}  // namespace
