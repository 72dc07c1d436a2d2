// Small endings recognised as draws without search: two bitbases (king and
// pawn against king; king, bishop and rook's pawn against king), a rule for
// opposite bishops with one pawn, and bare minor pieces.
#pragma once

#include <cstdint>

extern const uint8_t kpkBitbase[65536];
extern const uint8_t rookPawnBishopBitbase[32768];

int kpkDrawWhite();
int kpkDrawBlack();
int wrongBishopWhite();
int wrongBishopBlack();
// side: the colour that has the pawn.
int bishopEndingDraw(int side);
// mode 0 from the alpha-beta search, 1 or 2 from the quiescence search.
// Returns 1 for a recognised draw.
int recogniseDraw(int mode);
