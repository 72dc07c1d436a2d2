// Move generation into the shared move stack (see move_generation.cpp).
//
// Generated moves are pseudo-legal; makeMove rejects the rest.  Each entry
// carries a score word for ordering: bit 31 PV move and bit 30 hash move (set
// by the search), bit 29 capture or promotion, bit 28 first killer, bit 27
// second killer, low bits the ordering value.
#pragma once

#include "position/types.h"

constexpr uint32_t SCORE_PV = 0x80000000u;
constexpr uint32_t SCORE_HASH = 0x40000000u;
constexpr uint32_t SCORE_CAPTURE = 0x20000000u;
constexpr uint32_t SCORE_KILLER1 = 0x10000000u;
constexpr uint32_t SCORE_KILLER2 = 0x8000000u;

// Evasions when in check, otherwise all moves.
void generateMoves();
void generateAll();
void generateCaptures();
void generateEvasions();
// 0 when not in check (nothing generated); otherwise generates the evasions
// and returns 1 when there are none.
int noEvasions();
// All moves of one piece; with kingBlock >= 0 only those that leave the line
// between the piece and the enemy king on kingBlock.
void generatePieceMoves(int from, int type, int kingBlock);
void generateSlide(int from, int d);
void addMove(int from, int to, Move flags);
// The two captures of the pawn on p, with capture-promotions on the last rank.
void addPawnCaptures(int p);
// The en passant captures of the side to move, when there is an en passant square.
void addEnPassantCaptures();
// The square of an opponent piece attacking the empty square s, or 64.
int attackerOfEmpty(int s);
