// Static exchange evaluation: the attacker generators' order and x-rays and
// the exchange test's cases for both colours.  (Its verdicts on ordinary
// captures show in the node counts of the fixed searches.)
#include "search/exchange.h"

#include <string>
#include <vector>

#include "random_positions.h"
#include "test_support.h"

namespace {

using test::square;

std::vector<int> attackers(int colour, int target, int excluded, size_t calls) {
  initExchange(target, excluded);
  std::vector<int> values;
  while (values.size() < calls)
    values.push_back(colour == WHITE ? nextWhiteAttacker(excluded, target) : nextBlackAttacker(excluded, target));
  return values;
}

// White attacks d5 with everything: pawns c4 and e4 (a bishop on b3 behind
// c4), knights b6 and f4, a bishop on g8, rooks d2 and d1 lined up, a queen
// on a5 and the king on c6.
const char *const crowdFen = "6Bk/8/1NK5/Q2n4/2P1PN2/1B6/3R4/3R4 w - -";
constexpr int NONE = NO_ATTACKER;

// Each case on d5 for White, and mirrored on d4 for Black.
TEST(ExchangeGenerators, CheapestFirstWithXraysAndTheKingLast) {
  const struct {
    const char *fen, *excluded;  // the first capturer, looked through
    std::vector<int> attackers, defenders;
  } cases[] = {
      {crowdFen, nullptr, {100, 100, 300, 300, 300, 300, 500, 500, 950, 4750, NONE, NONE}, {NONE, NONE}},
      {crowdFen, "b6", {100, 100, 300, 300, 300, 500, 500, 950, 4750, NONE, NONE}, {}},
      {crowdFen, "c4", {100, 300, 300, 300, 300, 500, 500, 950, 4750, NONE}, {}},  // the b3 bishop behind it
      {crowdFen, "d2", {100, 100, 300, 300, 300, 300, 500, 950, 4750, NONE}, {}},  // the d1 rook behind it
      {"4k3/8/8/3n4/4P3/8/8/4K3 w - -", nullptr, {100, NONE}, {NONE}},
      // A black pawn on e4 does not attack d5 and blocks the bishop behind it.
      {"4k3/8/8/3n4/4p3/5B2/8/4K3 w - -", nullptr, {NONE}, {NONE}},
      {"4k3/1Q6/8/3n4/8/5Q2/8/4K3 w - -", nullptr, {950, 950, NONE}, {}},  // queens on two lines
      {"4k3/8/8/3n4/4K3/8/8/8 w - -", nullptr, {4750, NONE, NONE}, {}},    // the king only once
      {"4k3/8/8/3n4/8/4K3/8/8 w - -", nullptr, {NONE}, {}},                // and only next to the target
  };
  for (const auto &c : cases) {
    for (int side : {WHITE, BLACK}) {
      test::setUp(side == WHITE ? c.fen : test::mirroredFen(c.fen).c_str());
      const int flip = side == WHITE ? 0 : 56;
      const int excluded = c.excluded ? square(c.excluded) ^ flip : NO_SQUARE;
      const int target = square("d5") ^ flip;
      EXPECT_EQ(attackers(side, target, excluded, c.attackers.size()), c.attackers) << c.fen << " " << side;
      EXPECT_EQ(attackers(side ^ 1, target, excluded, c.defenders.size()), c.defenders) << c.fen << " " << side;
    }
  }
}

TEST(ExchangeTest, CasesForBothColours) {
  const std::tuple<const char *, const char *, bool> cases[] = {
      {"4k3/8/2p5/3p4/4P3/8/8/4K3 w - -", "e4d5", true},   // pawn for pawn
      {"4k3/8/5n2/3n4/8/8/3R4/3RK3 w - -", "d2d5", true},  // a second rook behind
      {"8/8/4k3/3n4/8/8/3R4/3RK3 w - -", "d2d5", true},    // the king cannot take back with a rook behind
      {"8/8/4k3/3n4/8/8/3R4/4K3 w - -", "d2d5", false},    // ... but can without one
      {"4k3/8/2p5/3p4/8/4N3/8/4K3 w - -", "e3d5", false},  // the knight's own square is no second knight
      {"3rk3/8/8/3p4/8/2N1N3/8/4K3 w - -", "e3d5", true},  // a real one wins the rook: 100 - 300 + 500
      {"3rk3/8/8/3p4/8/4N3/8/4K3 w - -", "e3d5", false},
      {"4k3/8/8/2pPp3/8/8/8/4K3 w - e6", "d5e6", true},  // en passant: pawn for pawn, though defended
  };
  for (const auto &[fen, text, accepted] : cases) {
    for (bool mirrored : {false, true}) {
      test::setUp(mirrored ? test::mirroredFen(fen).c_str() : fen);
      std::string move = text;
      if (mirrored) move[1] = char('1' + '8' - move[1]), move[3] = char('1' + '8' - move[3]);
      const Move m = test::findMove(move);
      ASSERT_NE(m, 0u) << move;
      EXPECT_EQ(exchangeTestAccepts(m), accepted) << fen << (mirrored ? " mirrored" : "");
    }
  }
}

}  // namespace
