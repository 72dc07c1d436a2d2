// Deep perft counts (slow label): the published numbers at full depth.
#include "position/perft.h"
#include "test_support.h"

namespace {

TEST(PerftDeep, PublishedCountsAtDepth) {
  struct Case {
    const char *fen;
    int depth;
    uint64_t nodes;
  } cases[] = {
      {test::startFen, 6, 119060324},
      {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", 5, 193690690},
      {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", 7, 178633661},
      {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -", 5, 15833292},
      {"r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ -", 5, 15833292},
      {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -", 5, 89941194},
      {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -", 5, 164075551},
  };
  for (const Case &c : cases) {
    test::setUp(c.fen);
    EXPECT_EQ(perft(c.depth), c.nodes) << c.fen;
  }
}

}  // namespace
