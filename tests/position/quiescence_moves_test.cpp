// Quiescence move generators: exact lists with order and score words, the
// cases of threats, queenContactSupported, and a property test over random
// playouts against generateAll.
#include "position/quiescence_moves.h"

#include <algorithm>
#include <map>
#include <set>

#include "position_checks.h"
#include "random_positions.h"

namespace {

using test::Listed;
using test::listOf;
using test::square;
using test::texts;

// The score a quiet move gets from addMove with empty history and no killers.
uint32_t quietScore(const char *from, const char *to) {
  const int f = square(from), t = square(to);
  const int32_t *psq = pieceSquareTable[wordType(pos.board[f]) + pos.sideToMove * 6];
  return uint32_t(psq[t] - psq[f] + 32);
}

// White: Qd1, Ra1, Bc4, Ng4, Ph6, Kb3; Black: Kg8, Pf7, Pg7, Nd5.
TEST(QuiescenceMoves, ExactListsOrderAndScores) {
  test::setUp("6k1/5pp1/7P/3n4/2B3N1/1K6/8/R2Q4 w - -");
  const std::vector<Listed> checks = {
      {"h6g7", 0x20000008u},             // pawn takes pawn
      {"h6h7", quietScore("h6", "h7")},  // the push checks g8
      {"c4d5", 0x2000000Eu},             // bishop takes knight: 8 * 1 + 6
      {"g4f6", quietScore("g4", "f6")},  // knight check
      {"a1a8", quietScore("a1", "a8")},  // rook check; g1 is behind the queen
      {"d1d5", 0x2000000Cu},             // queen takes knight: 8 * 1 + 4; no check square reachable
  };
  EXPECT_EQ(listOf(generateCapturesChecks), checks);
  // The knight check on f6 is guarded by the g7 pawn; the rook's back-rank
  // check stays; the queen has no contact square next to g8.
  const std::vector<Listed> threats = {checks[0], checks[2], checks[4], checks[5]};
  EXPECT_EQ(listOf(generateCapturesThreats), threats);
  // Rook and queen check squares on both line kinds, in order: the rook's
  // h1 is behind the king; the queen's groups are diagonal x diagonal (d4),
  // diagonal x rook line (h2), rook line x diagonal (g7, and a1 behind the
  // king), rook line x rook line (g8, then h1).
  test::setUp("7k/8/8/8/8/8/8/1R2K1Q1 w - -");
  EXPECT_EQ(texts(listOf(generateCapturesChecks)),
            std::vector<std::string>({"b1b8", "g1d4", "g1h2", "g1g7", "g1g8", "g1h1"}));
}

// How often each generator lists a quiet move in the rare cases of threats:
// back-rank checks, knight forks and queen contact checks.  (Which quiet
// moves check at all is the property test's business.)
TEST(QuiescenceMoves, RareThreats) {
  const std::tuple<const char *, const char *, int, int> cases[] = {
      // Back-rank checks by a rook: distant, blocked, or next to the king
      // and then only when protected.
      {"6k1/8/8/8/8/8/8/R3K3 w - -", "a1a8", 1, 1}, {"3n2k1/8/8/8/8/8/8/R3K3 w - -", "a1a8", 0, 0},
      {"6k1/8/8/8/P7/8/8/R3K3 w - -", "a1a8", 0, 0}, {"1k6/8/8/8/8/8/8/R3K3 w - -", "a1a8", 1, 0},
      {"1k6/8/8/8/8/8/R7/R3K3 w - -", "a2a8", 1, 1},   // a rook below protects
      {"1k6/8/8/8/8/8/R7/Q3K3 w - -", "a2a8", 1, 1},   // a queen below protects
      {"1k6/8/8/8/8/8/R7/N3K3 w - -", "a2a8", 1, 0},   // a knight below does not
      {"1k6/1P6/8/8/8/8/8/R3K3 w - -", "a1a8", 1, 1},  // the b7 pawn protects
      {"4k2r/8/8/8/8/8/8/1K6 b - -", "h8h1", 1, 1}, {"4k2r/8/8/8/8/8/8/6K1 b - -", "h8h1", 1, 0},
      {"4k2r/8/8/8/8/8/6p1/6K1 b - -", "h8h1", 1, 1},
      {"6k1/8/8/8/8/8/8/Q3K3 w - -", "a1a8", 1, 1},   // the queen's distant back-rank check
      {"1k6/8/8/8/8/8/Q7/R3K3 w - -", "a2a8", 1, 0},  // the queen hides the rook behind it
      // Knight checks that fork a rook or queen, once per forked piece,
      // unless a pawn guards the square.
      {"q3k3/8/r7/1N6/8/8/8/4K3 w - -", "b5c7", 1, 2}, {"8/8/8/4k3/1q6/8/5r2/2N4K w - -", "c1d3", 1, 2},
      {"8/8/8/4k3/1qp5/8/5r2/2N4K w - -", "c1d3", 1, 0}, {"4k3/8/8/1N6/8/8/8/4K3 w - -", "b5c7", 1, 0},
      // Queen contact checks need support and an undefended square.
      {"6k1/8/8/7B/8/8/8/4KQ2 w - -", "f1f7", 1, 1}, {"6k1/8/8/7B/8/8/8/4KQ2 w - -", "f1f8", 1, 0},
      {"6k1/r7/8/7B/8/8/8/4KQ2 w - -", "f1f7", 1, 0},
      {"8/8/6k1/8/3B3Q/8/8/4K3 w - -", "h4h6", 1, 0},  // the king is not on an edge
  };
  for (const auto &[fen, move, checkCount, threatCount] : cases) {
    test::setUp(fen);
    const std::vector<std::string> checks = texts(listOf(generateCapturesChecks));
    const std::vector<std::string> threats = texts(listOf(generateCapturesThreats));
    EXPECT_EQ(std::count(checks.begin(), checks.end(), move), checkCount) << fen << " " << move;
    EXPECT_EQ(std::count(threats.begin(), threats.end(), move), threatCount) << fen << " " << move;
  }
}

TEST(QuiescenceMoves, QueenContactSupport) {
  const int f7 = square("f7"), g2 = square("g2"), d3 = square("d3");
  const std::tuple<const char *, int, int, const char *> cases[] = {
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
  for (const auto &[fen, x, expected, why] : cases) {
    test::setUp(fen);
    EXPECT_EQ(queenContactSupported(x), expected) << why;
  }
}

// --- Property tests over many positions ----------------------------------

std::vector<MoveEntry> generated(void (*generator)()) {
  generator();
  return test::currentList();
}

// 1 when the move gives check, 0 when it does not, -1 when it is illegal.
int checkOf(Move m) {
  if (!makeMove(m)) return -1;
  const int check = inCheck();
  unmakeMove();
  return check;
}

// Both generators list only moves of generateAll with the same score word;
// captures-and-checks lists every capture, promotion and checking move but
// castling; every quiet move either offers gives check; the threats list
// every capture once.  (Which quiet moves are threats: the tables above.)
TEST(QuiescenceMoves, PropertiesOverRandomPlayouts) {
  test::Rng rng(16161);
  int positions = 0, checksSeen = 0;
  for (int game = 0; game < 3000; game++) {
    test::randomPlayout(rng, rng.below(100));
    if (inCheck()) continue;  // the quiescence search uses evasions there
    positions++;
    const std::string fen = test::positionFen();
    std::map<Move, uint32_t> all;
    for (const MoveEntry &e : generated(generateAll)) all[e.move] = e.score;
    std::set<Move> captures;
    for (const MoveEntry &e : generated(generateCaptures)) captures.insert(e.move);

    std::set<Move> checks, threatCaptures;
    for (auto generator : {generateCapturesChecks, generateCapturesThreats}) {
      const bool threats = generator == generateCapturesThreats;
      for (const MoveEntry &e : generated(generator)) {
        const std::string text = moveToUciCoordinates(e.move);
        ASSERT_TRUE(all.count(e.move)) << "invented " << text << " in " << fen;
        EXPECT_EQ(e.score, all[e.move]) << text << " in " << fen;
        const bool quiet = !(e.move & (MOVE_CAPTURE | MOVE_PROMOTION));
        if (!threats || !quiet) {
          EXPECT_TRUE((threats ? threatCaptures : checks).insert(e.move).second) << "twice " << text << " in " << fen;
        }
        if (quiet) {
          EXPECT_NE(checkOf(e.move), 0) << "quiet non-check " << text << " in " << fen;
        }
      }
    }
    EXPECT_EQ(threatCaptures, captures) << fen;
    for (const auto &[m, score] : all) {
      if (m & (MOVE_CAPTURE | MOVE_PROMOTION)) {
        EXPECT_TRUE(checks.count(m)) << "capture/promotion missing " << moveToUciCoordinates(m) << " in " << fen;
        EXPECT_TRUE(captures.count(m)) << moveToUciCoordinates(m);
      } else if (m & MOVE_CASTLE) {
        EXPECT_FALSE(checks.count(m)) << "castling " << moveToUciCoordinates(m) << " in " << fen;
      } else if (checkOf(m) == 1) {
        checksSeen++;
        EXPECT_TRUE(checks.count(m)) << "checking move missing " << moveToUciCoordinates(m) << " in " << fen;
      }
    }
  }
  EXPECT_GT(positions, 2500);
  EXPECT_GT(checksSeen, 2500);
}

}  // namespace
