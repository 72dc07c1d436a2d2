// The real engine with generated tables: "egtb" under xboard (directory
// from the configuration file), and a UCI search that plays the table's
// mate after "NalimovPath".

#include "tablebase_fixture.h"

namespace {

TEST(EngineTablebases, EgtbPrintsTheProbedScore) {
  const std::string &tables = tbtest::generatedTables({"kqk", "krk"});
  test::TempDir work;
  work.write("vorn.cfg", "EGTB_PATH " + tables + "\n");
  test::EngineProcess engine({"vorn"}, work.path);
  // Before a protocol: the configuration file's directory, the start position.
  engine.send("egtb\n");
  ASSERT_TRUE(engine.waitForLines("Position not in EGTB", 1, 20000)) << engine.output();
  // Input that arrives later is still read (registration must leave
  // standard input alone).
  engine.send("uci\nisready\n");
  ASSERT_TRUE(engine.waitForLines("readyok", 1, 20000)) << engine.output();
  engine.send("setoption name NalimovPath value " + tables + "\n");
  for (const char *fen : {"k7/8/1K6/8/8/8/8/Q7 b", "8/8/8/8/8/1k6/8/K1q5 w", "k7/8/1K6/8/8/8/8/QQ6 b"})
    engine.send("position fen " + std::string(fen) + " - - 0 1\negtb\n");
  engine.send("quit\n");
  test::EngineRun run = engine.finish();
  EXPECT_EQ(test::linesStartingWith(run.output, "Max 3 , Score"),
            (std::vector<std::string>{"Max 3 , Score -9998", "Max 3 , Score -10000"}))
      << run.output;
  EXPECT_EQ(test::linesStartingWith(run.output, "Position not in EGTB").size(), 2u) << run.output;
}

TEST(EngineTablebases, UciSearchPlaysTheTableMate) {
  const std::string &tables = tbtest::generatedTables({"kqk", "krk"});
  const char *fen = "8/8/8/4k3/8/8/8/R3K3 w - - 0 1";
  test::setUp(fen);
  ASSERT_EQ(tbtest::registerTables(tables), 3);
  const int score = tbtest::probe(fen);
  ASSERT_GT(score, 9000);
  const int mateIn = (10001 - score) / 2;

  test::EngineProcess engine({"vorn"});
  engine.send("uci\nsetoption name NalimovPath value " + tables + "\nposition fen " + fen + "\ngo depth 5\n");
  ASSERT_TRUE(engine.waitForLines("bestmove", 1, 30000)) << engine.output();
  engine.send("quit\n");
  test::EngineRun run = engine.finish();
  std::vector<std::string> infos = test::linesStartingWith(run.output, "info score");
  ASSERT_FALSE(infos.empty()) << run.output;
  EXPECT_NE(infos.back().find("score mate " + std::to_string(mateIn) + " "), std::string::npos) << infos.back();

  // The move keeps the distance: the opponent is then mated in one move less.
  const std::string best = test::linesStartingWith(run.output, "bestmove")[0].substr(9, 4);
  ASSERT_EQ(makeMove(test::findMove(best)), 1) << best;
  pos.searchPly = 0;
  int after;
  ASSERT_TRUE(TbProbe(&after));
  EXPECT_EQ(after, 2 * (mateIn - 1) - 10000) << best;
  TbRelease();
}

}  // namespace
