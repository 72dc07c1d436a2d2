// The position index inside a tablebase file: one byte per position, at an
// index fixed by the file format.  A table is described by its class (one
// or two pieces beside the first king, none or one beside the second) and
// its piece types; the index of a position is computed from the squares of
// its men after the board is turned so that the side to move's king lies
// in a fixed part of it (a1-d1-d4 for tables without pawns, files a-d with
// pawns).
//
// Squares here are tablebase squares: a1 = 0, b1 = 1, ..., h8 = 63.  Piece
// types: 1 pawn, 2 knight, 3 bishop, 4 rook, 5 queen.
#pragma once

#include <cstdint>

constexpr uint32_t TB_NO_INDEX = 0xFFFFFFFFu;
constexpr uint32_t TB_NO_EP = 127;
constexpr int TB_KING_SLOT = 15;

// The men of one side: slot 3 * (type - 1) + k holds the square of its
// (k+1)-th piece of that type, slot 15 its king.
struct TbPieceSquares {
  uint32_t square[16];
};

// The men of a table besides the kings: the first side's one or two pieces
// (strongest first) and the second side's none or one.
struct TbShape {
  int firstCount;   // 1 or 2
  int secondCount;  // 0 or 1
  int t1, t2, t3;   // t1 (and t2) the first side's types, t3 the second side's; 0 when absent
};

// Builds the enumeration and offset tables (once; later calls do nothing).
void TbBuildIndexTables();
// The index of a position in the file of `side` to move (0 first side,
// 1 second side).  `first` and `second` are the two sides' men in table
// terms; epSquare is the en passant target square or TB_NO_EP; inverted is
// true when the colours were exchanged to fit the table (the board is then
// also turned upside down).  TB_NO_INDEX when the kings or a piece stand
// where no legal position of the table puts them.
uint32_t TbIndex(const TbShape &shape, int side, const TbPieceSquares &first, const TbPieceSquares &second,
                 uint32_t epSquare, bool inverted);

// The enumeration tables, exposed for the tests and the size tool.
struct TbIndexTables {
  bool built;
  uint8_t enumeration[6][64][64];  // [category][king][square]: ordinal, 255 = not allowed
  uint8_t allowedCount[6][64];     // [category][king]
  int16_t pawnlessKings[64][64];   // 0..461, 4000 = invalid pair
  int16_t pawnKings[64][64];       // 0..1805, 4000 = invalid pair
  uint32_t single[2][6][1807];     // [pawns?][category][pair]: running totals, entry 462/1806 = total
  uint32_t pair[2][6][6][1807];    // [pawns?][category 1][category 2][pair]
};
extern TbIndexTables tbIndexTables;

constexpr int16_t TB_INVALID_PAIR = 4000;
