// The endgame tablebase probe, as the search calls it.
//
// The tablebase files themselves (registration, block cache, index
// computation, compressed files) are not part of the engine yet: no table is
// ever registered, tbMaxPieces stays -1, and the search's probe conditions
// never hold.  The probe is kept behind those conditions so the tables can be
// added without touching the search.
#pragma once

// True with the score from the side to move's point of view when a
// registered table holds the position.  With no tables it never finds one.
bool TbProbe(int *score);
