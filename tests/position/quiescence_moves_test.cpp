// Quiescence move generators: exact lists with order and score
// words, the Part's edge cases, queenContactSupported and reachable, and
// property tests over random playouts against generateAll.
#include "position/quiescence_moves.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "random_positions.h"
#include "test_support.h"

namespace {

using test::square;

struct Listed {
  std::string text;
  uint32_t score;
  bool operator==(const Listed &o) const { return text == o.text && score == o.score; }
};

std::ostream &operator<<(std::ostream &out, const Listed &l) {
  return out << l.text << "/0x" << std::hex << l.score << std::dec;
}

std::vector<Listed> listOf(void (*generator)()) {
  generator();
  std::vector<Listed> out;
  for (const MoveEntry &e : test::currentList()) out.push_back({moveToUciCoordinates(e.move), e.score});
  return out;
}

std::vector<std::string> textsOf(void (*generator)()) {
  std::vector<std::string> out;
  for (const Listed &l : listOf(generator)) out.push_back(l.text);
  return out;
}

int count(const std::vector<std::string> &texts, const std::string &text) {
  return int(std::count(texts.begin(), texts.end(), text));
}

// The score a quiet move gets from addMove with empty history and no killers.
uint32_t quietScore(const char *from, const char *to) {
  const int f = square(from), t = square(to);
  const int32_t *psq = pieceSquareTable[wordType(pos.board[f]) + pos.sideToMove * 6];
  return uint32_t(psq[t] - psq[f] + 32);
}

// White: Qd1, Ra1, Bc4, Ng4, Ph6, Kb3; Black: Kg8, Pf7, Pg7, Nd5.
const char *const mixedFen = "6k1/5pp1/7P/3n4/2B3N1/1K6/8/R2Q4 w - -";

TEST(QuiescenceMoves, CapturesChecksExactListOrderAndScores) {
  test::setUp(mixedFen);
  const std::vector<Listed> expected = {
      {"h6g7", 0x20000008u},             // pawn takes pawn
      {"h6h7", quietScore("h6", "h7")},  // the push checks g8
      {"c4d5", 0x2000000Eu},             // bishop takes knight: 8 * 1 + 6
      {"g4f6", quietScore("g4", "f6")},  // knight check
      {"a1a8", quietScore("a1", "a8")},  // rook check; g1 is behind the queen
      {"d1d5", 0x2000000Cu},             // queen takes knight: 8 * 1 + 4; no check square reachable
  };
  EXPECT_EQ(listOf(generateCapturesChecks), expected);
}

TEST(QuiescenceMoves, CapturesThreatsExactList) {
  test::setUp(mixedFen);
  // The knight check on f6 is guarded by the g7 pawn; the rook's back-rank
  // check stays; the queen has no contact square next to g8.
  const std::vector<Listed> expected = {
      {"h6g7", 0x20000008u}, {"c4d5", 0x2000000Eu}, {"a1a8", quietScore("a1", "a8")}, {"d1d5", 0x2000000Cu}};
  EXPECT_EQ(listOf(generateCapturesThreats), expected);
}

TEST(QuiescenceMoves, CapturePromotionsAndPushPromotions) {
  // The pawn on b7 with a black rook on c8 and b8 empty: four
  // capture-promotions then four push-promotions, in both generators.
  test::setUp("2r1k3/1P6/8/8/8/8/8/4K3 w - -");
  const std::vector<Listed> expected = {{"b7c8q", 0x2000002Bu}, {"b7c8r", 0x20000023u}, {"b7c8b", 0x2000001Bu},
                                        {"b7c8n", 0x20000013u}, {"b7b8q", 0x20000028u}, {"b7b8r", 0x20000020u},
                                        {"b7b8b", 0x20000018u}, {"b7b8n", 0x20000010u}};
  EXPECT_EQ(listOf(generateCapturesChecks), expected);
  EXPECT_EQ(listOf(generateCapturesThreats), expected);
}

TEST(QuiescenceMoves, BackRankChecks) {
  // Distant back-rank check: rook a1, king g8, a-file and b8..f8 empty.
  test::setUp("6k1/8/8/8/8/8/8/R3K3 w - -");
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "a1a8"), 1);
  // A piece between the king and a8 stops it.
  test::setUp("3n2k1/8/8/8/8/8/8/R3K3 w - -");
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "a1a8"), 0);
  // Something above the rook on its file stops it.
  test::setUp("6k1/8/8/8/P7/8/8/R3K3 w - -");
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "a1a8"), 0);
  // King on b8: a8 is next to it and must be protected.
  test::setUp("1k6/8/8/8/8/8/8/R3K3 w - -");
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "a1a8"), 0);
  test::setUp("1k6/8/8/8/8/8/R7/R3K3 w - -");  // rook directly below
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "a2a8"), 1);
  test::setUp("1k6/8/8/8/8/8/R7/Q3K3 w - -");  // queen directly below
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "a2a8"), 1);
  test::setUp("1k6/8/8/8/8/8/R7/N3K3 w - -");  // a knight below does not count
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "a2a8"), 0);
  test::setUp("1k6/1P6/8/8/8/8/8/R3K3 w - -");  // pawn on b7 protects a8
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "a1a8"), 1);
  // Black mirrored: rook h8, white king b1.
  test::setUp("4k2r/8/8/8/8/8/8/1K6 b - -");
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "h8h1"), 1);
  test::setUp("4k2r/8/8/8/8/8/8/6K1 b - -");  // h1 next to the king, unprotected
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "h8h1"), 0);
  test::setUp("4k2r/8/8/8/8/8/6p1/6K1 b - -");  // the g2 pawn protects h1
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "h8h1"), 1);
  // The queen: distant back-rank check, but no unprotected contact square.
  test::setUp("6k1/8/8/8/8/8/8/Q3K3 w - -");
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "a1a8"), 1);
  // The queen has no contact case on the back rank, and its contact check
  // on a8 is not supported: the queen itself hides the rook behind it.
  test::setUp("1k6/8/8/8/8/8/Q7/R3K3 w - -");
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "a2a8"), 0);
}

TEST(QuiescenceMoves, ForkingKnightCheckListedOncePerForkedPiece) {
  // Nb5-c7+ attacks the king on e8, the queen on a8 and the rook on a6.
  test::setUp("q3k3/8/r7/1N6/8/8/8/4K3 w - -");
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "b5c7"), 2);
  EXPECT_EQ(count(textsOf(generateCapturesChecks), "b5c7"), 1);
  // Nc1-d3+ against Ke5, Qb4, Rf2: twice, unless a black pawn guards d3.
  test::setUp("8/8/8/4k3/1q6/8/5r2/2N4K w - -");
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "c1d3"), 2);
  test::setUp("8/8/8/4k3/1qp5/8/5r2/2N4K w - -");
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "c1d3"), 0);
  // A check that forks nothing is not a threat.
  test::setUp("4k3/8/8/1N6/8/8/8/4K3 w - -");
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "b5c7"), 0);
  EXPECT_EQ(count(textsOf(generateCapturesChecks), "b5c7"), 1);
}

TEST(QuiescenceMoves, QueenContactChecks) {
  // Qf1-f7+ next to the king on g8, supported by the bishop on h5; f8 is
  // not supported.
  test::setUp("6k1/8/8/7B/8/8/8/4KQ2 w - -");
  std::vector<std::string> threats = textsOf(generateCapturesThreats);
  EXPECT_EQ(count(threats, "f1f7"), 1);
  EXPECT_EQ(count(threats, "f1f8"), 0);
  // A black rook on a7 defends f7.
  test::setUp("6k1/r7/8/7B/8/8/8/4KQ2 w - -");
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "f1f7"), 0);
  // The king not on an edge: no contact checks at all.
  test::setUp("8/8/6k1/8/3B3Q/8/8/4K3 w - -");
  for (const std::string &t : textsOf(generateCapturesThreats)) EXPECT_NE(t.substr(0, 2), "h4") << t;
}

TEST(QuiescenceMoves, QueenContactSupport) {
  const int f7 = square("f7"), g2 = square("g2"), d3 = square("d3");
  struct Case {
    const char *fen;
    int x, expected;
    const char *why;
  } cases[] = {
      {"6k1/8/8/7B/8/8/8/4KQ2 w - -", f7, 1, "bishop h5 supports; the enemy king does not defend"},
      {"6k1/8/8/7B/8/8/8/4KQ2 w - -", square("h7"), 0, "nothing supports h7 (a bishop on a file does not)"},
      {"6k1/8/8/7Q/8/8/8/4KQ2 w - -", f7, 0, "another queen does not count"},
      {"6k1/8/4P3/8/8/8/8/4KQ2 w - -", f7, 1, "pawn e6 supports"},
      {"6k1/8/8/4N3/8/8/8/4KQ2 w - -", f7, 1, "knight e5 supports"},
      {"3n2k1/8/8/7B/8/8/8/4KQ2 w - -", f7, 0, "knight d8 defends"},
      {"6k1/r7/8/7B/8/8/8/4KQ2 w - -", f7, 0, "rook a7 defends along the rank"},
      {"6k1/8/8/8/8/8/5R2/4K2Q w - -", f7, 1, "rook f2 supports along the file"},
      {"6k1/8/5Q2/8/8/8/5R2/4K3 w - -", f7, 0, "the queen on f6 stays and hides the rook"},
      {"6k1/8/8/7Q/8/8/8/4K2b w - -", g2, 0, "black bishop h1 defends g2"},
      {"6k1/8/8/8/8/8/R7/4K3 w - -", g2, 1, "rook a2 supports along the rank"},
      {"4k3/8/8/1b6/8/8/4P3/K7 b - -", d3, 0, "black to move: white pawn e2 defends d3"},
      {"4k3/8/8/1b6/8/8/8/K7 b - -", d3, 1, "black to move: bishop b5 supports d3"},
      {"4k3/8/8/8/4p3/8/8/K7 b - -", d3, 1, "black to move: pawn e4 supports d3"},
  };
  for (const Case &c : cases) {
    test::setUp(c.fen);
    EXPECT_EQ(queenContactSupported(c.x), c.expected) << c.why;
  }
}

TEST(QuiescenceMoves, Reachable) {
  test::setUp("6k1/8/8/7Q/8/8/2B5/R3K3 w - -");
  EXPECT_TRUE(reachable(square("a1"), square("a8")));
  EXPECT_TRUE(reachable(square("a1"), square("d1")));
  EXPECT_FALSE(reachable(square("a1"), square("e1")));  // occupied: not beyond
  EXPECT_FALSE(reachable(square("a1"), square("f1")));  // the king on e1 is in the way
  EXPECT_TRUE(reachable(square("h5"), square("f7")));
  EXPECT_TRUE(reachable(square("h5"), square("h1")));  // odd direction, free to the edge
  EXPECT_TRUE(reachable(square("h5"), square("h8")));
  EXPECT_TRUE(reachable(square("c2"), square("h7")));
  EXPECT_TRUE(reachable(square("g8"), square("a8")));
  EXPECT_TRUE(reachable(square("g8"), square("h8")));
  EXPECT_TRUE(reachable(square("g8"), square("c4")));
  EXPECT_TRUE(reachable(square("e1"), square("b1")));
  EXPECT_FALSE(reachable(square("e1"), square("a1")));
}

TEST(QuiescenceMoves, ChecksFromEveryKindOfMove) {
  // Discovered check: the knight on e4 stands between the rook on e1 and
  // the king on e8, so every knight move checks.
  test::setUp("4k3/8/8/8/4N3/8/8/K3R3 w - -");
  std::vector<std::string> checks = textsOf(generateCapturesChecks);
  for (const char *m : {"e4d6", "e4f6", "e4c5", "e4g5", "e4c3", "e4g3", "e4d2", "e4f2"})
    EXPECT_EQ(count(checks, m), 1) << m;
  // A pawn on the king's file blocking its own rook: pushes stay on the
  // line and are not generated, captures are.
  test::setUp("4k3/8/8/3p4/4P3/8/8/K3R3 w - -");
  checks = textsOf(generateCapturesChecks);
  EXPECT_EQ(count(checks, "e4e5"), 0);
  EXPECT_EQ(count(checks, "e4d5"), 1);
  // Pawn pushes that check, double pushes that check, and promotions.
  test::setUp("8/2P5/8/8/4k3/8/3P4/K7 w - -");
  checks = textsOf(generateCapturesChecks);
  EXPECT_EQ(count(checks, "d2d3"), 1);
  EXPECT_EQ(count(checks, "d2d4"), 0);
  test::setUp("8/2P5/8/4k3/8/8/3P4/K7 w - -");
  checks = textsOf(generateCapturesChecks);
  EXPECT_EQ(count(checks, "d2d4"), 1);
  EXPECT_EQ(count(checks, "d2d3"), 0);
  EXPECT_EQ(count(checks, "c7c8q"), 1);
  EXPECT_EQ(count(checks, "c7c8n"), 1);
  // Black pawns: a push and a double push that check.
  test::setUp("k7/4p3/8/8/3K4/8/8/8 b - -");
  checks = textsOf(generateCapturesChecks);
  EXPECT_EQ(count(checks, "e7e5"), 1);
  EXPECT_EQ(count(checks, "e7e6"), 0);
  // A bishop on the king's diagonal but blocked gets no check squares: only
  // its capture of the blocker.
  test::setUp("8/8/7k/8/5p2/8/8/2B1K3 w - -");
  generateCapturesChecks();
  for (const MoveEntry &e : test::currentList())
    if (moveFrom(e.move) == square("c1")) {
      EXPECT_TRUE(e.move & MOVE_CAPTURE) << moveToUciCoordinates(e.move);
    }
  // Rook and queen check squares on both line kinds, in the Part's order:
  // the rook's h1 is behind the king; the queen's groups are diagonal x
  // diagonal (d4), diagonal x rook line (h2), rook line x diagonal (g7, and
  // a1 behind the king), rook line x rook line (g8, then h1).
  test::setUp("7k/8/8/8/8/8/8/1R2K1Q1 w - -");
  EXPECT_EQ(textsOf(generateCapturesChecks),
            std::vector<std::string>({"b1b8", "g1d4", "g1h2", "g1g7", "g1g8", "g1h1"}));
}

// The one kind of checking move the generators leave out: castling (Part
// 1.6 has no castling step), here O-O with the rook checking on f1.
TEST(QuiescenceMoves, CastlingThatChecksIsLeftOut) {
  test::setUp("5k2/8/8/8/8/8/8/4K2R w K -");
  const Move castle = test::findMove("e1g1");
  ASSERT_NE(castle, 0u);
  ASSERT_TRUE(makeMove(castle));
  EXPECT_TRUE(inCheck());
  unmakeMove();
  EXPECT_EQ(count(textsOf(generateCapturesChecks), "e1g1"), 0);
  EXPECT_EQ(count(textsOf(generateCapturesThreats), "e1g1"), 0);
}

// --- Property tests over many positions ----------------------------------

std::vector<MoveEntry> generated(void (*generator)()) {
  generator();
  return test::currentList();
}

// How often generateCapturesThreats should list the quiet move m, worked
// out from the Part's rules with bit sets and make/unmake rather than with
// the generator's own loops.
int expectedThreatCount(Move m);

bool givesCheck(Move m, bool &legal) {
  legal = makeMove(m);
  if (!legal) return false;
  const bool check = inCheck();
  unmakeMove();
  return check;
}

int expectedThreatCount(Move m) {
  const int from = moveFrom(m), to = moveTo(m);
  const int s = pos.sideToMove, o = pos.opponent, ek = pos.kingSquare[o];
  const int type = wordType(pos.board[from]);
  if (type == KNIGHT) {
    if (!(knightBits[to] & squareBit[ek])) return 0;
    const bool guarded = s == WHITE ? to < 48 && (pawnAttackFrom[BLACK][to] & pos.pieceBits[BLACK][PAWN])
                                    : to >= 16 && (pawnAttackFrom[WHITE][to] & pos.pieceBits[WHITE][PAWN]);
    if (guarded) return 0;
    return popCount(knightBits[to] & (pos.pieceBits[o][ROOK] | pos.pieceBits[o][QUEEN]));
  }
  if (type != ROOK && type != QUEEN) return 0;
  const bool kingOnEdge = ek < 8 || ek >= 56 || (ek & 7) == 0 || (ek & 7) == 7;
  if (type == QUEEN && !kingOnEdge) return 0;
  const bool backRank = s == WHITE ? (ek >= 56 && to >= 56) : (ek < 8 && to < 8);
  if (backRank && (from & 7) == (to & 7) && !(type == QUEEN && (kingBits[ek] & squareBit[to]))) {
    const int k = to - ek;
    if (k >= 2 || k <= -2) {
      bool legal;
      const bool check = givesCheck(m, legal);
      if (legal) return check ? 1 : 0;
      // A pinned rook: check whether the rank between is free by hand.
      const int d = k > 0 ? LEFT : RIGHT;
      return (rayBits[ek][d] & ~rayBits[to][d] & ~squareBit[to] & pos.occupied) ? 0 : 1;
    }
    const int behind = pos.lineNeighbour[from][s == WHITE ? DOWN : UP];
    const bool heavyBehind = pos.board[behind] == pieceWord(s, ROOK) || pos.board[behind] == pieceWord(s, QUEEN);
    const bool pawnGuard = pawnAttackFrom[s][to] & pos.pieceBits[s][PAWN];
    return heavyBehind || pawnGuard ? 1 : 0;
  }
  if (type == QUEEN && (kingBits[ek] & squareBit[to])) return queenContactSupported(to);
  return 0;
}

TEST(QuiescenceMoves, PropertiesOverRandomPlayouts) {
  test::Rng rng(16161);
  int positions = 0, checksSeen = 0, threatQuiets = 0, castlingChecksLeftOut = 0;
  for (int game = 0; game < 3000; game++) {
    test::randomPlayout(rng, rng.below(100));
    if (inCheck()) continue;  // the quiescence search uses evasions there
    positions++;
    const std::string fen = test::positionFen();
    std::map<Move, uint32_t> all;
    for (const MoveEntry &e : generated(generateAll)) all[e.move] = e.score;
    std::set<Move> captures;
    for (const MoveEntry &e : generated(generateCaptures)) captures.insert(e.move);

    // generateCapturesChecks.
    std::set<Move> checks;
    for (const MoveEntry &e : generated(generateCapturesChecks)) {
      ASSERT_TRUE(all.count(e.move)) << "invented " << moveToUciCoordinates(e.move) << " in " << fen;
      EXPECT_EQ(e.score, all[e.move]) << moveToUciCoordinates(e.move) << " in " << fen;
      EXPECT_TRUE(checks.insert(e.move).second) << "twice " << moveToUciCoordinates(e.move) << " in " << fen;
      if (!(e.move & (MOVE_CAPTURE | MOVE_PROMOTION))) {
        bool legal;
        const bool check = givesCheck(e.move, legal);
        EXPECT_TRUE(!legal || check) << "quiet non-check " << moveToUciCoordinates(e.move) << " in " << fen;
      }
    }
    for (const auto &[m, score] : all) {
      if (m & (MOVE_CAPTURE | MOVE_PROMOTION)) {
        EXPECT_TRUE(checks.count(m)) << "capture/promotion missing " << moveToUciCoordinates(m) << " in " << fen;
        EXPECT_TRUE(captures.count(m)) << moveToUciCoordinates(m);
        continue;
      }
      bool legal;
      if (!givesCheck(m, legal)) continue;
      checksSeen++;
      // Castling is never generated by the quiescence generators (they have
      // no castling step), so a castling move that checks is left out.
      if (m & MOVE_CASTLE) {
        castlingChecksLeftOut++;
        EXPECT_FALSE(checks.count(m));
        continue;
      }
      EXPECT_TRUE(checks.count(m)) << "checking move missing " << moveToUciCoordinates(m) << " in " << fen;
    }

    // generateCapturesThreats.
    std::set<Move> threatCaptures;
    std::map<Move, int> threatQuietCount;
    for (const MoveEntry &e : generated(generateCapturesThreats)) {
      ASSERT_TRUE(all.count(e.move)) << "invented " << moveToUciCoordinates(e.move) << " in " << fen;
      EXPECT_EQ(e.score, all[e.move]) << moveToUciCoordinates(e.move) << " in " << fen;
      if (e.move & (MOVE_CAPTURE | MOVE_PROMOTION)) {
        EXPECT_TRUE(threatCaptures.insert(e.move).second) << "twice " << moveToUciCoordinates(e.move);
        continue;
      }
      threatQuiets++;
      threatQuietCount[e.move]++;
      bool legal;
      const bool check = givesCheck(e.move, legal);
      EXPECT_TRUE(!legal || check) << "quiet non-check " << moveToUciCoordinates(e.move) << " in " << fen;
    }
    EXPECT_EQ(threatCaptures, captures) << fen;
    for (const auto &[m, score] : all) {
      if (m & (MOVE_CAPTURE | MOVE_PROMOTION | MOVE_CASTLE)) continue;
      const int expected = expectedThreatCount(m);
      const int listed = threatQuietCount.count(m) ? threatQuietCount[m] : 0;
      EXPECT_EQ(listed, expected) << "threat " << moveToUciCoordinates(m) << " in " << fen;
    }
  }
  std::printf("quiescence generators: %d positions, %d checking quiet moves, %d quiet threats, %d castling checks\n",
              positions, checksSeen, threatQuiets, castlingChecksLeftOut);
  EXPECT_GT(positions, 2500);
  EXPECT_GT(checksSeen, 2500);
  EXPECT_GT(threatQuiets, 150);
}

}  // namespace
