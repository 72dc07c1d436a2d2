// Helpers shared by the test programs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "evaluation/piece_square.h"
#include "position/make_move.h"
#include "position/move_generation.h"
#include "position/move_text.h"
#include "position/position.h"
#include "search/move_ordering.h"
#include "shell/new_game.h"

namespace test {

inline const char *const startFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -";

// Board tables built, ordering memory cleared and the position set up.
inline void setUp(const char *fen = startFen) {
  initBoardTables();
  buildPieceSquareTables();
  clearMoveOrdering();
  ASSERT_EQ(setupFromFen(fen), FEN_OK) << fen;
}

// The moves of the current position's list at the current ply, in order.
inline std::vector<MoveEntry> currentList() {
  return std::vector<MoveEntry>(moveStack + moveListStart[pos.searchPly], moveStack + moveListStart[pos.searchPly + 1]);
}

// The legal moves of the position, as generateMoves() lists them.  Game
// moves count as search plies too, so the list is built at ply 0, as the
// shell does between searches.  Not inlined: GCC 12 then mistakes the
// list's release for a free of an offset pointer (-Wfree-nonheap-object).
[[gnu::noinline]] inline std::vector<Move> legalMoves() {
  const int ply = pos.searchPly;
  pos.searchPly = 0;
  generateMoves();
  const std::vector<MoveEntry> list = currentList();
  pos.searchPly = ply;
  std::vector<Move> legal;
  for (const MoveEntry &e : list) {
    if (makeMove(e.move)) {
      legal.push_back(e.move);
      unmakeMove();
    }
  }
  return legal;
}

// Finds a legal move by its coordinate text ("e2e4", "e7e8q"), 0 if none.
inline Move findMove(const std::string &text) {
  for (Move m : legalMoves())
    if (text == moveToUciCoordinates(m)) return m;
  return 0;
}

// The whole of a file as bytes (empty when it cannot be read, a directory
// included).
inline std::string readFile(const std::string &path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

inline int square(const char *name) { return (name[1] - '1') * 8 + ('h' - name[0]); }

// Several whole-number fields as one value, so that one assertion compares
// them all: EXPECT_EQ(test::numbers(a, b), test::numbers(1, 2)).
template <class... T>
std::vector<int64_t> numbers(T... values) {
  return {int64_t(values)...};
}

// What `action` prints on standard output.
template <class Action>
std::string printedBy(Action action) {
  testing::internal::CaptureStdout();
  action();
  return testing::internal::GetCapturedStdout();
}

}  // namespace test
