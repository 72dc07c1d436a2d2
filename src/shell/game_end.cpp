// Game results: mate, stalemate, repetition, the fifty-move rule and dead
// positions.  The result lines are claims an xboard interface acts on, so
// none is printed unless it is true.
#include "shell/game_end.h"

#include <cstdio>
#include <cstring>

#include "position/make_move.h"
#include "position/move_generation.h"
#include "shell/engine_state.h"

int repetitionCount() {
  int n = pos.gamePly;
  int f = pos.fiftyCount;
  if (f < 4) return 0;
  uint32_t key = uint32_t(pos.hashKey);
  int count = 0;
  for (int i = n - 4; i >= n - f && i >= 0; i -= 2)
    if (uint32_t(pos.plyRecords[i].hashKey) == key) count++;
  return count;
}

bool insufficientMaterial() {
  int minors[2], bishops[2];
  for (int c = WHITE; c <= BLACK; c++) {
    const int32_t *count = pos.pieceCount[c];
    if (count[PAWN] || count[ROOK] || count[QUEEN]) return false;
    minors[c] = count[KNIGHT] + count[BISHOP];
    bishops[c] = count[BISHOP];
  }
  if (minors[WHITE] + minors[BLACK] <= 1) return true;
  if (bishops[WHITE] + bishops[BLACK] != minors[WHITE] + minors[BLACK]) return false;
  // Bishops only: mate needs bishops on both colours of square.
  const Bitboard lightSquares = 0xAA55AA55AA55AA55ULL;  // h1 is a light square
  Bitboard all = pos.pieceBits[WHITE][BISHOP] | pos.pieceBits[BLACK][BISHOP];
  return (all & lightSquares) == 0 || (all & ~lightSquares) == 0;
}

// True when the side to move has a legal move.
static bool hasLegalMove() {
  pos.searchPly = 0;
  generateMoves();
  for (int i = moveListStart[0]; i < moveListStart[1]; i++) {
    if (makeMove(moveStack[i].move)) {
      unmakeMove();
      return true;
    }
  }
  return false;
}

void checkGameEnd() {
  char line[64];
  if (!hasLegalMove()) {
    if (!inCheck()) {
      std::snprintf(line, sizeof line, "1/2-1/2 {Stalemate}");
    } else {
      int mated = pos.sideToMove;
      const char *comment = mated == shell.engineSide          ? "You win"
                            : pos.opponent == shell.engineSide ? "Computer wins"
                            : mated == BLACK                   ? "White wins"
                                                               : "Black wins";
      std::snprintf(line, sizeof line, "%s {%s}", mated == BLACK ? "1-0" : "0-1", comment);
    }
  } else if (repetitionCount() == 2) {
    std::snprintf(line, sizeof line, "1/2-1/2 {Draw by repetition}");
  } else if (pos.fiftyCount >= 100) {
    std::snprintf(line, sizeof line, "1/2-1/2 {Draw by fifty move rule}");
  } else {
    int score = searchResult.lastSearchScore;
    if (insufficientMaterial() && score < 9000 && score > -9000) {
      std::printf("1/2-1/2 {Insufficient material}\n");
      std::fflush(stdout);
    }
    return;
  }

  shell.gameOver = 1;
  if (pos.gamePly > 0 && pos.gamePly <= MAX_GAME_PLIES) {
    char *text = gameRecord.moveTextList[pos.gamePly - 1];
    char *check = static_cast<char *>(std::memchr(text, '+', strnlen(text, MOVE_TEXT_SIZE)));
    if (check) *check = '#';
  }
  std::printf("%s\n", line);
  std::fflush(stdout);
}
