// The engine's one position, its per-ply history and the shared move stack.
//
// Every subsystem reads `pos` directly.  It changes only through
// resetPosition/setupFromFen (a fresh set-up) and makeMove/unmakeMove/
// makeNullMove (incremental), which keep the board, the bit sets, the
// line-neighbour table, the counters and both hash keys in agreement.
#pragma once

#include "position/geometry.h"
#include "position/types.h"

constexpr int MAX_GAME_PLIES = 800;  // length of the history arrays
constexpr int MAX_PLY = 64;          // deepest search ply that generates moves
constexpr int MOVE_STACK_SIZE = MAX_PLY * 320;

extern const int32_t pieceValue[8];

// Undo information for one move; record i describes the move made from the
// position after i moves, so its hashKey is that position's key.
struct PlyRecord {
  Move move;             // 0 for the null move
  int32_t capturedType;  // NO_PIECE when the to-square was empty (en passant too)
  int32_t castleRights;
  int32_t epSquare;
  int32_t fiftyCount;
  HashKey hashKey;
  PawnKey pawnKey;
  // The from-square's line-neighbour row when the piece left it.  Unmake
  // meets exactly the same occupancy again, so it relinks the piece from
  // this copy instead of searching the lines.
  uint64_t fromLinks;
};

struct Position {
  int32_t board[128];  // entries 64..127 stay empty, so board[64] reads as empty
  int32_t sideToMove;
  int32_t opponent;
  int32_t kingSquare[2];
  int32_t pieceCount[2][6];
  int32_t pieceTotal;
  int32_t material[2];          // knights, bishops, rooks and queens by pieceValue
  uint8_t pawnFileBits[2][10];  // [colour][fileIndex + 1], bit r = a pawn on rank r
  Bitboard occupied;
  Bitboard colourBits[2];
  Bitboard pieceBits[2][6];
  uint8_t lineNeighbour[65][8];  // nearest occupied square per direction, 64 = none; row 64 is scratch
  int32_t castleRights;          // 1 K, 2 Q, 4 k, 8 q
  int32_t castleMask[64];
  int32_t kingRookSquare[2];   // -1 when none
  int32_t queenRookSquare[2];  // -1 when none
  int32_t epSquare;            // -1 when none
  int32_t fiftyCount;
  HashKey hashKey;
  PawnKey pawnKey;
  int32_t gamePly;
  int32_t searchPly;
  uint32_t checkInfo[MAX_GAME_PLIES + 1];  // 64 = not in check; else a checker, bit 31 = double check
  PlyRecord plyRecords[MAX_GAME_PLIES];
};

extern Position pos;

// Start arrays: the position that resetPosition() builds.
extern int32_t startPieces[64];
extern int32_t startColours[64];

// The move stack: the list generated at search ply p occupies entries
// moveListStart[p] .. moveListStart[p + 1] - 1.
struct MoveEntry {
  Move move;
  uint32_t score;
};
extern MoveEntry moveStack[MOVE_STACK_SIZE];
extern int32_t moveListStart[MAX_PLY + 2];

constexpr uint32_t CHECK_NONE = 64;
constexpr uint32_t CHECK_DOUBLE = 0x80000000u;

inline bool inCheck() { return pos.checkInfo[pos.gamePly] != CHECK_NONE; }

void resetPosition();
// Result of setupFromFen.  A placement that does not fill the 64 squares is
// ignored silently; a position the engine cannot play safely is refused and
// the caller reports it.  In both cases the position is unchanged.
enum FenResult : int { FEN_OK = 1, FEN_BAD_PLACEMENT = 0, FEN_UNPLAYABLE = -1 };
FenResult setupFromFen(const char *text);
int pieceFromLetter(char letter);
void computeCastleMasks();
int findAttacker(int sq, int colour);
int countAttackers(int sq, int colour);
uint32_t computeCheckInfo();

// Recomputes both keys from the board (for tests and consistency checks).
HashKey computeHashKey();
PawnKey computePawnKey();

// Whether the current position is one the engine can play safely: one king
// per side, no pawn on the first or last rank, at most 16 pieces per colour,
// and the side not to move not in check.
bool positionIsPlayable();

#include "position/line_links.h"
