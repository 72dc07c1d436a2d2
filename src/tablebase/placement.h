// Legal placements of a table's men, in table terms (the first side's pawns
// move up the board): what the size tool, the generator and the tests
// enumerate.  A placement is legal when the men stand on distinct squares,
// pawns on ranks 2-7, the kings apart, and the side not to move is not in
// check; an en passant placement also needs the pawn that has just moved
// two squares, the two squares it crossed empty, and a pawn able to take it.
#pragma once

#include <cstdint>

#include "tablebase/index.h"

struct TbPlacement {
  TbPieceSquares first, second;
  uint32_t ep;  // TB_NO_EP or the square a pawn of the side to move can take on
};

// The table's shape from its name ("kqpkr"); false for a name that is not
// "k", one or two pieces, "k", at most one piece.
bool TbShapeFromName(const char *name, TbShape *shape);
// Calls visit for every legal placement with `side` to move whose side to
// move's king is in the reference region (so that each index is reached by
// exactly one such placement).  With kingPairs non-null, only king pairs
// (in their numbering for the table) for which kingPairs[pair] is true.
template <typename Visit>
void TbForEachPlacement(const TbShape &shape, int side, const bool *kingPairs, Visit &&visit);
bool TbPlacementLegal(const TbShape &shape, int side, const TbPlacement &p);

#include "tablebase/placement_impl.h"
