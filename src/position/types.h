// Basic encodings shared by every subsystem: squares, directions, pieces,
// colours, board words and the move word.
//
// Squares run 0..63 with square = rank * 8 + fileIndex, where rank 0 is
// White's back rank and fileIndex 0 is the h-file: h1 = 0, e1 = 3, a1 = 7,
// h8 = 56, e8 = 59, a8 = 63.  The value 64 means "no square" everywhere.
#pragma once

#include <cstdint>

using Move = uint32_t;
using HashKey = uint64_t;
using PawnKey = uint32_t;
using Bitboard = uint64_t;

constexpr int NO_SQUARE = 64;

// Piece types and colours.
enum : int { PAWN = 0, KNIGHT = 1, BISHOP = 2, ROOK = 3, QUEEN = 4, KING = 5, NO_PIECE = 6 };
enum : int { WHITE = 0, BLACK = 1, NO_COLOUR = 6 };

// A board word is colour * 16 + type; the empty square holds 0x66.
constexpr int EMPTY = 0x66;
constexpr int pieceWord(int colour, int type) { return colour * 16 + type; }
constexpr int wordColour(int word) { return word >> 4; }
constexpr int wordType(int word) { return word & 15; }
constexpr bool isEmptyWord(int word) { return (word & ~15) == 0x60; }
constexpr bool isBlackWord(int word) { return (word & 16) != 0; }
constexpr bool isWhiteWord(int word) { return (word & 0x70) == 0; }

// Directions: 0 up the file, 1 down, 2 towards the a-file, 3 towards the
// h-file, 4 up towards a, 5 down towards h, 6 up towards h, 7 down towards a.
// d ^ 1 is the opposite direction; d < 4 is a rook line.
enum : int { UP = 0, DOWN = 1, LEFT = 2, RIGHT = 3, UP_LEFT = 4, DOWN_RIGHT = 5, UP_RIGHT = 6, DOWN_LEFT = 7 };

// Move word bits.
constexpr Move MOVE_FROM_MASK = 0x3F;
constexpr Move MOVE_TO_MASK = 0xFC0;
constexpr Move MOVE_PROMOTION_TYPE_MASK = 0x70000;
constexpr Move MOVE_QUEEN_CASTLE = 0x00400000;
constexpr Move MOVE_KING_CASTLE = 0x00800000;
constexpr Move MOVE_CASTLE = MOVE_QUEEN_CASTLE | MOVE_KING_CASTLE;
constexpr Move MOVE_CAPTURE = 0x1000000;
constexpr Move MOVE_PROMOTION = 0x2000000;
constexpr Move MOVE_EN_PASSANT = 0x4000000;
constexpr Move MOVE_DOUBLE_PUSH = 0x8000000;
constexpr Move MOVE_PAWN = 0x10000000;
// The part of a move that identifies it in a list: squares, promotion type, castling bits.
constexpr Move MOVE_IDENTITY_MASK = 0xFFFFFF;

constexpr int moveFrom(Move m) { return int(m & 0x3F); }
constexpr int moveTo(Move m) { return int((m >> 6) & 0x3F); }
constexpr int movePromotionType(Move m) { return int((m >> 16) & 7); }
constexpr Move makeMoveWord(int from, int to, Move flags = 0) { return Move(from) | Move(to) << 6 | flags; }

// Squares.
constexpr int squareRank(int s) { return s >> 3; }
constexpr int squareFile(int s) { return s & 7; }  // 0 = h-file
constexpr char fileLetter(int s) { return char('h' - (s & 7)); }
constexpr char rankDigit(int s) { return char('1' + (s >> 3)); }
constexpr int mirrorSquare(int s) { return s ^ 56; }

inline int lowestBit(Bitboard b) { return __builtin_ctzll(b); }
inline int highestBit(Bitboard b) { return 63 - __builtin_clzll(b); }
inline int popCount(Bitboard b) {
#ifdef __POPCNT__
  return __builtin_popcountll(b);
#else
  // Without the instruction the builtin is a library call; this is faster.
  b -= (b >> 1) & 0x5555555555555555ULL;
  b = (b & 0x3333333333333333ULL) + ((b >> 2) & 0x3333333333333333ULL);
  b = (b + (b >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
  return int((b * 0x0101010101010101ULL) >> 56);
#endif
}
