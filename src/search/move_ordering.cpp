#include "search/move_ordering.h"

#include <cstring>

MoveOrdering ordering;

void clearMoveOrdering() { std::memset(&ordering, 0, sizeof ordering); }
