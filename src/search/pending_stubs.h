// Stand-in for the tablebase probe, still being built elsewhere.  This file
// goes when it lands.
#pragma once

// The endgame tablebase probe: true with the score from the side to move's
// point of view when the position is found.  No tables are registered yet,
// so it never finds anything (and the search only calls it when the piece
// count is within the largest registered table).
bool TbProbe(int *score);
