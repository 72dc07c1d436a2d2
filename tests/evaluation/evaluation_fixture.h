// Shared set-up of the evaluation tests: board tables, a cleared pawn cache
// and the position of a FEN, with no root side.
#pragma once

#include <random>
#include <string>
#include <vector>

#include "evaluation/evaluation.h"
#include "test_support.h"

namespace test {

inline void setUpEvaluation(const char *fen = startFen) {
  if (!hashTables.pawn) {
    ASSERT_TRUE(allocateHashTables());
  }
  clearHashTables();
  setUp(fen);
  rootSide = -1;
}

inline int fullEvaluation() { return evaluate(-10000, 10000); }

// Plays a move of a game: made, and the new position becomes the root of
// the next search, as the game loop leaves it.
inline bool playGameMove(Move move) {
  if (!makeMove(move)) return false;
  pos.searchPly = 0;
  moveListStart[0] = 0;
  return true;
}

// The pawn-cache entry the current position uses (creating it if needed).
inline PawnHashEntry &currentPawnEntry() { return pawnStructureEntry(currentEvalParams()); }

// The FEN placement, side and castling fields of the current position, or of
// its colour-flipped mirror: ranks reversed, colours and side to move
// exchanged, castling rights exchanged.
inline std::string positionFen(bool mirrored) {
  std::string fen;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 7; file >= 0; file--) {
      int s = (mirrored ? 7 - rank : rank) * 8 + file;
      int word = pos.board[s];
      if (isEmptyWord(word)) {
        empty++;
        continue;
      }
      if (empty) fen += char('0' + empty), empty = 0;
      int colour = wordColour(word) ^ (mirrored ? 1 : 0);
      char letter = "PNBRQK"[wordType(word)];
      fen += colour == WHITE ? letter : char(letter - 'A' + 'a');
    }
    if (empty) fen += char('0' + empty);
    if (rank) fen += '/';
  }
  fen += (pos.sideToMove == WHITE) != mirrored ? " w " : " b ";
  int rights = pos.castleRights;
  if (mirrored) rights = (rights >> 2 | rights << 2) & 15;
  std::string castling;
  if (rights & 1) castling += 'K';
  if (rights & 2) castling += 'Q';
  if (rights & 4) castling += 'k';
  if (rights & 8) castling += 'q';
  fen += castling.empty() ? "-" : castling;
  if (pos.epSquare >= 0) {
    int ep = mirrored ? pos.epSquare ^ 56 : pos.epSquare;
    fen += ' ';
    fen += fileLetter(ep);
    fen += rankDigit(ep);
  } else {
    fen += " -";
  }
  return fen;
}

}  // namespace test
