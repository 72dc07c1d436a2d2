// Linking and unlinking a piece in the line-neighbour table.  These run
// several times per move made, so they live here to be inlined into make and
// unmake.  Every neighbour is read before any byte is written: the byte
// stores may alias anything, and reading first keeps the compiler from
// reloading the position after each store.
#pragma once

#include <cstring>

#include "position/position.h"

// Enters a piece just written to board[s] into the line-neighbour table and
// the bit sets.  The nearest piece in an increasing direction is the lowest
// set square of the ray, in a decreasing direction the highest; 64 when the
// line is free to the edge (those writes land in the scratch row 64).
inline void linkPiece(int s, int colour, int type) {
  const Bitboard occ = pos.occupied;
  const Bitboard *ray = rayBits[s];
  uint8_t n[8];
  for (int d = 0; d < 8; d += 2) {
    const Bitboard up = ray[d] & occ, down = ray[d + 1] & occ;
    n[d] = uint8_t(up ? lowestBit(up) : NO_SQUARE);
    n[d + 1] = uint8_t(down ? highestBit(down) : NO_SQUARE);
  }
  std::memcpy(pos.lineNeighbour[s], n, sizeof n);
  for (int d = 0; d < 8; d++) pos.lineNeighbour[n[d]][d ^ 1] = uint8_t(s);
  const Bitboard bit = squareBit[s];
  pos.colourBits[colour] |= bit;
  pos.occupied = occ | bit;
  pos.pieceBits[colour][type] |= bit;
}

// Removes the piece on s from the line-neighbour table: its neighbours on
// each line now see each other.  The row of s is left as it was; the caller
// writes the empty word and clears the bit sets.
inline void unlinkPiece(int s) {
  uint64_t row;
  std::memcpy(&row, pos.lineNeighbour[s], sizeof row);
  for (int d = 0; d < 8; d++)
    pos.lineNeighbour[(row >> (8 * d)) & 0xFF][d ^ 1] = uint8_t((row >> (8 * (d ^ 1))) & 0xFF);
}
