// The quiescence search: below the horizon only the moves that change the
// material or the king's safety are searched, so that the static evaluation
// is only ever trusted in a quiet position.
//
// The side to move may stand pat on the evaluation.  Captures that cannot
// catch up with alpha (delta pruning) or that lose material on the square
// (exchange test) are dropped before they are made; quiet checks are tried
// at the first quiescence ply, and deeper only those that threaten mate or
// win material, unless experience in this search says they never cut off.
#include "evaluation/endgame_knowledge.h"
#include "evaluation/evaluation.h"
#include "position/make_move.h"
#include "position/move_text.h"
#include "position/quiescence_moves.h"
#include "search/check_tests.h"
#include "search/exchange.h"
#include "search/hash_tables.h"
#include "search/move_ordering.h"
#include "search/node_helpers.h"
#include "search/search.h"

namespace {

// Whether a capture that cannot give check is worth searching: it must be
// able to bring the score near alpha, and it must not lose the capturing
// piece for less.
bool captureWorthSearching(Move move, int margin) {
  const int to = moveTo(move);
  const int victim = wordType(pos.board[to]);  // NO_PIECE for en passant
  const int value = pieceValue[victim];
  const int them = pos.opponent;

  // Delta pruning, while the opponent keeps enough material to fight on.
  if (pos.material[them] - value > 600) {
    int bonus = 0;
    if (victim == PAWN || victim == NO_PIECE)
      bonus = pos.pieceCount[them][PAWN] <= 1 ? -1000 : 100;  // the last pawn is worth much more
    else if (victim == QUEEN)
      bonus = -100;
    if (value < bonus + margin) return false;
  }
  return exchangeTestAccepts(move);
}

}  // namespace

int quiesce(int alpha, int beta, int qflags) {
  const int ply = pos.searchPly;
  moveListStart[ply + 1] = moveListStart[ply];

  // Step 1. Count the node and let the engine look at its clock and input.
  if ((++tree.nodeCount & uint64_t(tree.nodePollMask)) == 0) pollInput();
  tree.pvLength[ply] = ply;

  // Step 2. Fifty-move rule and repetition.
  int score;
  if (drawnByRule(ply, &score)) return score;

  // Step 3. Endings known to be drawn.
  if (pos.pieceTotal == 5 && pos.pieceCount[WHITE][BISHOP] == 1) {
    if (recogniseDraw(1)) return 0;
  } else if (pos.pieceTotal < 5) {
    if (recogniseDraw(2)) return 0;
  }

  // Step 4. The deepest ply the per-ply tables allow, or the end of the game
  // history: evaluate.
  if (ply >= tree.selDepth) tree.selDepth = ply;
  if (ply > MAX_SEARCH_PLY || pos.gamePly >= MAX_GAME_PLIES) return evaluate(alpha, beta);

  // Step 5. The quiescence table: its move goes first, its bound may answer.
  Move hashMove = 0;
  if (const QuiesceEntry *entry = probeQuiesceTable(pos.hashKey)) {
    hashMove = entry->move;
    if (!(qflags & QF_FULL_WIDTH) && quiesceCutoff(*entry, alpha, beta, &score)) {
      if ((entry->flags & TT_EXACT) && hashMove) {
        tree.pvTable[ply][ply] = completeMove(hashMove);
        tree.pvLength[ply] = ply + 1;
      }
      return score;
    }
  }

  // Step 6-7. Stand pat.  In check the side may still stand pat when the
  // checker can simply be taken; otherwise every evasion is searched.
  const int startAlpha = alpha;
  const bool inCheck = pos.checkInfo[pos.gamePly] != CHECK_NONE;
  const int standPat = evaluate(alpha, beta);
  bool evading = inCheck;
  if (standPat >= beta) {
    if (!inCheck || !seriousCheck()) return standPat;
  } else if (standPat > alpha && !inCheck) {
    alpha = standPat;
  }
  int best;
  if (evading) {
    generateEvasions();
    best = -INFINITE_SCORE;
  } else {
    best = standPat;
    if (qflags & QF_ALL_CHECKS)
      generateCapturesChecks();
    else
      generateCapturesThreats();
  }

  // Step 8. Remembered moves first.
  markMove(hashMove, SCORE_HASH);
  if (tree.followPV) followPrincipalVariation();

  // Step 9. How far below alpha the stand-pat score is, less a safety margin.
  const int margin = alpha - standPat - 350;
  const bool pruning = !(qflags & QF_FULL_WIDTH);

  // Step 10. The moves.
  Move bestMove = 0;
  int searched = 0;
  const int end = moveListStart[ply + 1];
  for (int i = moveListStart[ply]; i < end; i++) {
    const Move move = pickMove(i, end);
    const bool quiet = isQuiet(move);
    if ((move & (MOVE_CAPTURE | MOVE_PROMOTION)) == MOVE_CAPTURE) {
      if (!evading && pruning && !moveGivesCheck(move) && !captureWorthSearching(move, margin)) continue;
    } else if (quiet && !evading && pruning) {
      // A quiet check that has been tried often and hardly ever cut off.
      const int index = moveIndex(move);
      const uint32_t tried = ordering.qCheckTried[index];
      if (tried >= 64 && ordering.qCheckGood[index] < tried / 64) continue;
      ordering.qCheckTried[index]++;
    }

    if (!makeMove(move)) continue;
    score = -quiesce(-beta, -alpha, qflags & QF_FULL_WIDTH);
    unmakeMove();
    searched++;

    if (score > best) {
      best = score;
      bestMove = move;
      if (score > alpha) {
        updatePV(ply, move);
        alpha = score;
        if (score >= beta) {
          if (quiet && !evading && pruning) ordering.qCheckGood[moveIndex(move)]++;
          break;
        }
      }
    }
  }

  // Step 11. Remember the best move; without a legal evasion it is mate.
  if (bestMove) {
    storeQuiesceTable(pos.hashKey, best, startAlpha, beta, bestMove);
    return best;
  }
  if (searched == 0 && evading) return ply - INFINITE_SCORE;
  return best;
}
