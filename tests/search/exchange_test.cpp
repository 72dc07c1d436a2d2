// Static exchange evaluation: the attacker generators' order and x-rays,
// the exchange test's cases for both colours, and the test against a
// brute-force exchange made on the board over random captures.
#include "search/exchange.h"

#include <algorithm>
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
  const struct {
    const char *fen, *move;
    bool accepted;
  } cases[] = {
      // Captures by a piece worth more than its victim are also compared
      // with the brute force below.
      {"4k3/8/2p5/3p4/4P3/8/8/4K3 w - -", "e4d5", true},   // pawn for pawn
      {"4k3/8/5n2/3n4/8/8/3R4/3RK3 w - -", "d2d5", true},  // a second rook behind
      {"8/8/4k3/3n4/8/8/3R4/3RK3 w - -", "d2d5", true},    // the king cannot take back with a rook behind
      {"8/8/4k3/3n4/8/8/3R4/4K3 w - -", "d2d5", false},    // ... but can without one
      {"4k3/8/2p5/3p4/8/4N3/8/4K3 w - -", "e3d5", false},  // the knight's own square is no second knight
      {"3rk3/8/8/3p4/8/2N1N3/8/4K3 w - -", "e3d5", true},  // a real one wins the rook: 100 - 300 + 500
      {"3rk3/8/8/3p4/8/4N3/8/4K3 w - -", "e3d5", false},
  };
  for (const auto &c : cases) {
    for (bool mirrored : {false, true}) {
      test::setUp(mirrored ? test::mirroredFen(c.fen).c_str() : c.fen);
      std::string move = c.move;
      if (mirrored) move[1] = char('1' + '8' - move[1]), move[3] = char('1' + '8' - move[3]);
      const Move m = test::findMove(move);
      ASSERT_NE(m, 0u) << move;
      EXPECT_EQ(exchangeTestAccepts(m), c.accepted) << c.fen << (mirrored ? " mirrored" : "");
    }
  }
  // En passant is pawn for pawn, even with the captured pawn defended.
  test::setUp("4k3/8/8/2pPp3/8/8/8/4K3 w - e6");
  ASSERT_NE(test::findMove("d5e6"), 0u);
  EXPECT_TRUE(exchangeTestAccepts(test::findMove("d5e6")));
}

// Brute-force exchange on one square, made on the board: the side to move
// may capture on the target with any legal capture or stop; the result is
// its best material gain.  Notes what the exchange test leaves out by
// design: a capture that a pin or check makes illegal, a pawn promoting on
// the square, and a king that could take back while other pieces of its
// side still can (the generators use the king only after every other one).
struct BruteForce {
  bool explained = false;
  int nodes = 0;

  int gain(int target) {
    if (++nodes > 200000) return 0;
    generateCaptures();
    std::vector<Move> captures;
    for (const MoveEntry &e : test::currentList())
      if (moveTo(e.move) == target && !(e.move & MOVE_EN_PASSANT)) captures.push_back(e.move);
    int best = 0, legal = 0;
    bool kingCan = false;
    const int victim = pieceValue[wordType(pos.board[target])];
    for (Move m : captures) {
      explained |= (m & MOVE_PROMOTION) != 0;
      if ((m & MOVE_PROMOTION) && movePromotionType(m) != QUEEN) continue;
      const bool byKing = pos.board[moveFrom(m)] == pieceWord(pos.sideToMove, KING);
      if (!makeMove(m)) {
        explained = true;
        continue;
      }
      legal++;
      kingCan |= byKing;
      best = std::max(best, victim - gain(target));
      unmakeMove();
    }
    explained |= kingCan && legal > 1;
    return best;
  }
};

TEST(ExchangeTest, AgreesWithBruteForceOnRandomCaptures) {
  test::Rng rng(20241206);
  int compared = 0, agreed = 0;
  std::vector<std::string> unexplained;
  for (int game = 0; game < 4000; game++) {
    test::randomPlayout(rng, rng.below(60));
    if (inCheck()) continue;
    generateCaptures();
    for (const MoveEntry &e : test::currentList()) {
      const Move m = e.move;
      const int from = moveFrom(m), to = moveTo(m);
      const int victim = pieceValue[wordType(pos.board[to])];
      if ((m & (MOVE_PROMOTION | MOVE_EN_PASSANT)) || pieceValue[wordType(pos.board[from])] <= victim) continue;
      const bool accepted = exchangeTestAccepts(m);
      BruteForce brute;
      if (!makeMove(m)) continue;
      const int value = victim - brute.gain(to);
      unmakeMove();
      compared++;
      if (accepted == (value >= 0)) {
        agreed++;
      } else if (!brute.explained) {
        unexplained.push_back(std::string(moveToCoordinates(m)) + " value " + std::to_string(value) +
                              (accepted ? " accepted" : " rejected") + " in " + test::positionFen());
      }
    }
  }
  std::printf(
      "exchange test vs brute force: %d captures, %d agree, the rest explained by pins, checks,"
      " promotions or the king taking last\n",
      compared, agreed);
  EXPECT_GT(compared, 2000);
  EXPECT_TRUE(unexplained.empty()) << unexplained.size() << " unexplained, first: " << unexplained.front();
}

}  // namespace
