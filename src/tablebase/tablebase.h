// The endgame tablebases as the rest of the engine sees them: registering
// the files found in the tablebase directories, releasing them, and probing
// a position.
//
// Registration reads tablebaseSettings (tbPath, tbCacheMB) and sets
// tbMaxPieces: -1 not registered yet, 0 no tables, 3/4/5 the largest number
// of men available.
#pragma once

// Registers the tables of tbPath and sets up the block cache, unless that
// was done already (tbMaxPieces >= 0) or no path is set.
void TbInitialise();
// Closes every table file, frees the cache and forgets the registration
// (tbMaxPieces -1).
void TbRelease();
// True with the score from the side to move's point of view when a
// registered table holds the position (mate scores on the search's scale,
// counted from the search root).
bool TbProbe(int *score);
