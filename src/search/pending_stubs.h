// Stand-ins for parts of the engine that are still being built elsewhere.
// Everything declared or defined through this file goes when they land.
#pragma once

// The endgame tablebase probe: true with the score from the side to move's
// point of view when the position is found.  No tables are registered yet,
// so it never finds anything.
bool TbProbe(int *score);
