// Static exchange evaluation: the attacker generators' order and
// x-rays, the exchange test's edge cases, and a comparison of the test with a
// brute-force exchange made on the board over random captures.
#include "search/exchange.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "random_positions.h"
#include "test_support.h"

namespace {

using test::square;

// The same position seen from the other side: ranks reversed, colours swapped.
std::string mirrorFen(const std::string &fen) {
  const size_t space = fen.find(' ');
  std::string board = fen.substr(0, space);
  std::vector<std::string> ranks;
  size_t start = 0;
  for (size_t slash; (slash = board.find('/', start)) != std::string::npos; start = slash + 1)
    ranks.push_back(board.substr(start, slash - start));
  ranks.push_back(board.substr(start));
  std::string out;
  for (auto it = ranks.rbegin(); it != ranks.rend(); ++it) {
    if (!out.empty()) out += '/';
    for (char c : *it) out += std::isupper((unsigned char)c) ? char(std::tolower(c)) : char(std::toupper(c));
  }
  const char side = fen[space + 1] == 'w' ? 'b' : 'w';
  return out + ' ' + side + " - -";
}

std::vector<int> attackerSequence(int colour, int target, int excluded, int calls) {
  initExchange(target, excluded);
  std::vector<int> values;
  for (int i = 0; i < calls; i++)
    values.push_back(colour == WHITE ? nextWhiteAttacker(excluded, target) : nextBlackAttacker(excluded, target));
  return values;
}

int mirror(int s) { return s ^ 56; }

// White attacks d5 with everything: pawns c4 and e4 (a bishop on b3 behind
// c4), knights b6 and f4, a bishop on g8, rooks d2 and d1 lined up, a queen
// on a5 and the king on c6.
const char *const crowdFen = "6Bk/8/1NK5/Q2n4/2P1PN2/1B6/3R4/3R4 w - -";

TEST(ExchangeGenerators, CheapestFirstWithXraysAndTheKingLast) {
  test::setUp(crowdFen);
  const std::vector<int> expected = {100, 100, 300, 300, 300, 300, 500, 500, 950, 4750, NO_ATTACKER, NO_ATTACKER};
  EXPECT_EQ(attackerSequence(WHITE, square("d5"), NO_SQUARE, 12), expected);
  // Black has nothing on d5.
  EXPECT_EQ(attackerSequence(BLACK, square("d5"), NO_SQUARE, 2), std::vector<int>({NO_ATTACKER, NO_ATTACKER}));
}

TEST(ExchangeGenerators, BlackIsTheMirrorImage) {
  test::setUp(mirrorFen(crowdFen).c_str());
  const std::vector<int> expected = {100, 100, 300, 300, 300, 300, 500, 500, 950, 4750, NO_ATTACKER};
  EXPECT_EQ(attackerSequence(BLACK, mirror(square("d5")), NO_SQUARE, 11), expected);
  EXPECT_EQ(attackerSequence(WHITE, mirror(square("d5")), NO_SQUARE, 1), std::vector<int>({NO_ATTACKER}));
}

TEST(ExchangeGenerators, PawnLinesComeFirstInTheirOrder) {
  // Only the e4 pawn (direction 5, stage 1) attacks: stage 0 falls through.
  test::setUp("4k3/8/8/3n4/4P3/8/8/4K3 w - -");
  initExchange(square("d5"), NO_SQUARE);
  EXPECT_EQ(nextWhiteAttacker(NO_SQUARE, square("d5")), 100);
  EXPECT_EQ(exchange.seeStage[WHITE], 2);
  EXPECT_EQ(exchange.seeRayFront[DOWN_RIGHT], NO_SQUARE);
  EXPECT_EQ(nextWhiteAttacker(NO_SQUARE, square("d5")), NO_ATTACKER);
  // A black pawn on e4 does not attack d5 and blocks the bishop behind it.
  test::setUp("4k3/8/8/3n4/4p3/5B2/8/4K3 w - -");
  initExchange(square("d5"), NO_SQUARE);
  EXPECT_EQ(nextWhiteAttacker(NO_SQUARE, square("d5")), NO_ATTACKER);
  EXPECT_EQ(nextBlackAttacker(NO_SQUARE, square("d5")), NO_ATTACKER);
}

TEST(ExchangeGenerators, FirstCapturerIsLookedThrough) {
  test::setUp(crowdFen);
  // The knight on b6 made the first capture: only f4 is left among the knights.
  EXPECT_EQ(attackerSequence(WHITE, square("d5"), square("b6"), 5), std::vector<int>({100, 100, 300, 300, 300}));
  EXPECT_EQ(attackerSequence(WHITE, square("d5"), square("b6"), 12),
            std::vector<int>({100, 100, 300, 300, 300, 500, 500, 950, 4750, NO_ATTACKER, NO_ATTACKER, NO_ATTACKER}));
  // The rook on d2 made the first capture: the d1 rook is the file's front.
  initExchange(square("d5"), square("d2"));
  EXPECT_EQ(exchange.seeRayFront[DOWN], square("d1"));
  // The c4 pawn made it: the front of direction 7 is the bishop behind it,
  // and stage 0 finds no pawn there.
  initExchange(square("d5"), square("c4"));
  EXPECT_EQ(exchange.seeRayFront[DOWN_LEFT], square("b3"));
  EXPECT_EQ(nextWhiteAttacker(square("c4"), square("d5")), 100);  // e4
  EXPECT_EQ(exchange.seeStage[WHITE], 2);
}

TEST(ExchangeGenerators, KingOnlyOnceAndOnlyWhenNextToTheTarget) {
  test::setUp("4k3/8/8/3n4/4K3/8/8/8 w - -");
  EXPECT_EQ(attackerSequence(WHITE, square("d5"), NO_SQUARE, 3), std::vector<int>({4750, NO_ATTACKER, NO_ATTACKER}));
  EXPECT_EQ(exchange.seeStage[WHITE], 4);
  test::setUp("4k3/8/8/3n4/8/4K3/8/8 w - -");
  EXPECT_EQ(attackerSequence(WHITE, square("d5"), NO_SQUARE, 1), std::vector<int>({NO_ATTACKER}));
}

TEST(ExchangeGenerators, QueenSeenOnSeveralLinesLastOneWins) {
  // Queens on b7 (direction 4) and f3 (direction 5): the later direction's queen comes first.
  test::setUp("4k3/1Q6/8/3n4/8/5Q2/8/4K3 w - -");
  initExchange(square("d5"), NO_SQUARE);
  EXPECT_EQ(nextWhiteAttacker(NO_SQUARE, square("d5")), 950);
  EXPECT_EQ(exchange.seeRayFront[DOWN_RIGHT], NO_SQUARE);
  EXPECT_EQ(exchange.seeRayFront[UP_LEFT], square("b7"));
  EXPECT_EQ(nextWhiteAttacker(NO_SQUARE, square("d5")), 950);
  EXPECT_EQ(nextWhiteAttacker(NO_SQUARE, square("d5")), NO_ATTACKER);
}

TEST(ExchangeOnEmpty, FrontsFromTheRaysAndTheRookBehindThePawn) {
  // White pawn e5 with a rook e1 behind it; a black rook e8, bishop c8 and
  // knight g7 watch e6.
  test::setUp("2b1r2k/6n1/8/4P3/8/8/8/4R1K1 w - -");
  const int e6 = square("e6"), e5 = square("e5");
  initExchangeOnEmpty(e6, e5);
  EXPECT_EQ(exchange.seeRayFront[UP], square("e8"));
  EXPECT_EQ(exchange.seeRayFront[DOWN], square("e1"));
  EXPECT_EQ(exchange.seeRayFront[UP_LEFT], square("c8"));
  EXPECT_EQ(exchange.seeRayFront[UP_RIGHT], NO_SQUARE);
  EXPECT_EQ(exchange.seeRayFront[LEFT], NO_SQUARE);
  EXPECT_EQ(nextWhiteAttacker(e5, e6), 500);
  EXPECT_EQ(nextWhiteAttacker(e5, e6), NO_ATTACKER);
  EXPECT_EQ(nextBlackAttacker(e5, e6), 300);  // knight
  EXPECT_EQ(nextBlackAttacker(e5, e6), 300);  // bishop
  EXPECT_EQ(nextBlackAttacker(e5, e6), 500);
  EXPECT_EQ(nextBlackAttacker(e5, e6), NO_ATTACKER);
  // Without an excluded square the pawn itself is the front below e6 (the
  // nearest square of a decreasing ray is its highest occupied square).
  initExchangeOnEmpty(e6, NO_SQUARE);
  EXPECT_EQ(exchange.seeRayFront[DOWN], e5);
  EXPECT_EQ(nextWhiteAttacker(NO_SQUARE, e6), NO_ATTACKER);
}

TEST(ExchangeTest, EqualOrCheaperCapturesAreAccepted) {
  // Pawn takes a pawn defended by a pawn.
  test::setUp("4k3/8/2p5/3p4/4P3/8/8/4K3 w - -");
  EXPECT_TRUE(exchangeTestAccepts(test::findMove("e4d5")));
  // En passant: pawn for pawn, even with the captured pawn defended.
  test::setUp("4k3/8/8/2pPp3/8/8/8/4K3 w - e6");
  ASSERT_NE(test::findMove("d5e6"), 0u);
  EXPECT_TRUE(exchangeTestAccepts(test::findMove("d5e6")));
}

TEST(ExchangeTest, QueenTakesPawnDefendedByPawnIsRejected) {
  test::setUp("4k3/8/2p5/3p4/8/8/3Q4/4K3 w - -");
  EXPECT_FALSE(exchangeTestAccepts(test::findMove("d2d5")));
  test::setUp(mirrorFen("4k3/8/2p5/3p4/8/8/3Q4/4K3 w - -").c_str());
  EXPECT_FALSE(exchangeTestAccepts(test::findMove("d7d4")));
}

TEST(ExchangeTest, RookTakesKnightWithASecondRookBehind) {
  const char *fen = "4k3/8/5n2/3n4/8/8/3R4/3RK3 w - -";
  test::setUp(fen);
  EXPECT_TRUE(exchangeTestAccepts(test::findMove("d2d5")));
  test::setUp(mirrorFen(fen).c_str());
  EXPECT_TRUE(exchangeTestAccepts(test::findMove("d7d4")));
  // Without the rear rook the rook is lost for a knight.
  test::setUp("4k3/8/5n2/3n4/8/8/3R4/4K3 w - -");
  EXPECT_FALSE(exchangeTestAccepts(test::findMove("d2d5")));
}

TEST(ExchangeTest, KingRecapturesOnlyWhenNothingIsBehind) {
  // Rook takes a knight guarded only by the king: with a second attacker the
  // king cannot take back (4750 at risk), without one it can.
  test::setUp("8/8/4k3/3n4/8/8/3R4/3RK3 w - -");
  EXPECT_TRUE(exchangeTestAccepts(test::findMove("d2d5")));
  test::setUp("8/8/4k3/3n4/8/8/3R4/4K3 w - -");
  EXPECT_FALSE(exchangeTestAccepts(test::findMove("d2d5")));
}

TEST(ExchangeTest, KnightOnTheFromSquareIsNotCountedAgain) {
  // Nxd5 with the pawn on d5 defended by a pawn: the knight's own square must
  // not yield a second knight for the recapture.
  test::setUp("4k3/8/2p5/3p4/8/4N3/8/4K3 w - -");
  EXPECT_FALSE(exchangeTestAccepts(test::findMove("e3d5")));
  // A real second knight makes it an even trade after pawn takes knight:
  // 100 - 300 + 100 < 0, still rejected; with a rook defending d5 instead of the
  // pawn the second knight wins: 100 - 300 + 500 >= 0.
  test::setUp("3rk3/8/8/3p4/8/2N1N3/8/4K3 w - -");
  EXPECT_TRUE(exchangeTestAccepts(test::findMove("e3d5")));
  test::setUp("3rk3/8/8/3p4/8/4N3/8/4K3 w - -");
  EXPECT_FALSE(exchangeTestAccepts(test::findMove("e3d5")));
}

// Brute-force exchange on one square, made on the board: the side to move
// may capture on the target with any legal capture or stop; the result is
// its best material gain (never below 0, since it may stop).  Flags what the
// Part's test leaves out by design: a capture on the square that a pin or
// check makes illegal (pins are not looked at), a pawn promoting on it, and
// a king that could take back while other pieces of its side still can (the
// generators use the king only after every other attacker).
struct BruteForce {
  bool illegalCapture = false;
  bool promotion = false;
  bool kingBeforeOthers = false;
  int nodes = 0;

  int gain(int target) {
    if (++nodes > 200000) return 0;
    generateCaptures();
    std::vector<Move> captures;
    for (const MoveEntry &e : test::currentList())
      if (moveTo(e.move) == target && !(e.move & MOVE_EN_PASSANT)) captures.push_back(e.move);
    int best = 0, legal = 0;
    bool kingCan = false;
    for (Move m : captures) {
      const int victim = pieceValue[wordType(pos.board[target])];
      if (m & MOVE_PROMOTION) {
        promotion = true;
        if (movePromotionType(m) != QUEEN) continue;
      }
      const bool byKing = pos.board[moveFrom(m)] == pieceWord(pos.sideToMove, KING);
      if (!makeMove(m)) {
        illegalCapture = true;
        continue;
      }
      legal++;
      kingCan = kingCan || byKing;
      const int value = victim - gain(target);
      unmakeMove();
      best = std::max(best, value);
    }
    if (kingCan && legal > 1) kingBeforeOthers = true;
    return best;
  }
};

TEST(ExchangeTest, AgreesWithBruteForceOnRandomCaptures) {
  test::Rng rng(20241206);
  int compared = 0, agreed = 0, explained = 0;
  std::vector<std::string> unexplained;
  for (int game = 0; game < 4000; game++) {
    test::randomPlayout(rng, rng.below(60));
    if (inCheck()) continue;
    generateCaptures();
    const std::vector<MoveEntry> list = test::currentList();
    for (const MoveEntry &e : list) {
      const Move m = e.move;
      if (m & (MOVE_PROMOTION | MOVE_EN_PASSANT)) continue;
      const int from = moveFrom(m), to = moveTo(m);
      if (pieceValue[wordType(pos.board[from])] <= pieceValue[wordType(pos.board[to])]) continue;
      const bool accepted = exchangeTestAccepts(m);
      BruteForce brute;
      const int victim = pieceValue[wordType(pos.board[to])];
      if (!makeMove(m)) continue;
      const int value = victim - brute.gain(to);
      unmakeMove();
      compared++;
      if (accepted == (value >= 0)) {
        agreed++;
      } else if (brute.illegalCapture || brute.promotion || brute.kingBeforeOthers) {
        explained++;
      } else {
        unexplained.push_back(std::string(moveToCoordinates(m)) + " value " + std::to_string(value) +
                              (accepted ? " accepted" : " rejected") + " in " + test::positionFen());
      }
    }
  }
  std::printf(
      "exchange test vs brute force: %d captures, %d agree, %d explained (pins or checks, promotions, king not last)\n",
      compared, agreed, explained);
  EXPECT_GT(compared, 2000);
  EXPECT_TRUE(unexplained.empty()) << unexplained.size() << " unexplained, first: " << unexplained.front();
  for (const std::string &u : unexplained) std::printf("%s\n", u.c_str());
}

}  // namespace
