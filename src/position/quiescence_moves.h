// Move generators of the quiescence search: captures and promotions with
// quiet checks (first quiescence ply) or with a few threatening quiet moves
// (deeper plies).  They append to the current ply's list like the other
// generators and share addMove and generatePieceMoves.
#pragma once

void generateCapturesChecks();
void generateCapturesThreats();
// 1 when a queen of the side to move on the empty square x next to the enemy
// king would be protected and not defended by the enemy (king aside).
int queenContactSupported(int x);
// True when the first piece from s towards x lies beyond x.
bool reachable(int s, int x);
