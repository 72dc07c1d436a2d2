// TEMPORARY stand-in for the search (see pending_search_stub.h).
#include "shell/pending_search_stub.h"

#include "position/make_move.h"
#include "position/move_generation.h"
#include "position/position.h"
#include "shell/engine_state.h"
#include "shell/input.h"

static Move firstLegalMove() {
  generateMoves();
  for (int i = moveListStart[pos.searchPly]; i < moveListStart[pos.searchPly + 1]; i++) {
    if (makeMove(moveStack[i].move)) {
      unmakeMove();
      return moveStack[i].move;
    }
  }
  return 0;
}

void think() {
  shell.searching = 1;
  shell.searchAbort = ABORT_NONE;
  pos.searchPly = 0;
  searchResult.pvLength = 0;
  while (searchResult.pvLength < 3) {
    Move move = firstLegalMove();
    if (!move || !makeMove(move)) break;
    searchResult.pvLine[searchResult.pvLength++] = move;
  }
  while (pos.searchPly > 0) unmakeMove();
  searchResult.lastSearchScore = 0;
  while (shell.pondering || shell.analyzeMode) {
    readAndDispatch(1);
    if (shell.searchAbort == ABORT_PONDER_HIT) {
      shell.pondering = 0;
      shell.searchAbort = ABORT_NONE;
    } else if (shell.searchAbort != ABORT_NONE) {
      if (shell.pondering) searchResult.pvLength = 0;
      break;
    }
  }
  shell.searching = 0;
}
