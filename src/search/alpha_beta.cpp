// The alpha-beta search below the root: a principal-variation search that
// spends its effort where the game is decided.
//
// Null-window (scout) nodes may be cut short by the transposition table, by
// a null move, by futility and by history-based pruning; principal-variation
// nodes are searched in full.  Extensions are counted in quarter plies
// (`fracExt`) so that checks, single replies, recaptures, pawn pushes to the
// seventh and mate threats can add less than a ply at a time; late quiet
// moves that have rarely cut off in this search are searched with less depth
// first.  Moves come in stages (hash move, captures, killer, quiet moves), so
// that a cut-off often happens before the quiet moves are generated.
#include <cstdlib>

#include "evaluation/endgame_knowledge.h"
#include "evaluation/evaluation.h"
#include "evaluation/piece_square.h"
#include "position/make_move.h"
#include "search/check_tests.h"
#include "search/hash_tables.h"
#include "search/move_ordering.h"
#include "search/node_helpers.h"
#include "search/quiet_moves.h"
#include "search/search.h"
#include "tablebase/tablebase.h"

namespace {

// Margins of the futility test by remaining depth (2..10).
constexpr int futilityMargin[11] = {0, 0, 200, 300, 350, 500, 550, 800, 850, 1200, 1250};

enum Phase : int {
  PHASE_LIST,  // one generated list (in check, or following the previous line)
  PHASE_HASH,
  PHASE_CAPTURES_START,
  PHASE_CAPTURES,
  PHASE_KILLER,
  PHASE_QUIET_START,
  PHASE_QUIET,
};

// Where a node stands in its move generation.  Plain data only: a search
// that is abandoned leaves its frames without unwinding them.
struct MovePicker {
  int phase;
  int next, end;    // the part of the move stack still to be picked from
  Move hashMove;    // completed and playable, or 0
  Move killerMove;  // the killer tried in its own phase, or 0
};

inline bool sameMove(Move a, Move b) { return ((a ^ b) & MOVE_IDENTITY_MASK) == 0; }

// Drops an entry from the part of the list still to be picked.
void removeFromList(Move move, int start, int &end) {
  for (int i = start; i < end; i++) {
    if (sameMove(moveStack[i].move, move)) {
      moveStack[i] = moveStack[--end];
      return;
    }
  }
}

// Quiet moves are ordered by how much the piece gains on its square table
// and by their history; the second killer comes first.
void scoreQuietMoves(int start, int end, Move secondKiller) {
  const int32_t(*table)[64] = &pieceSquareTable[pos.sideToMove * 6];
  for (int i = start; i < end; i++) {
    const Move m = moveStack[i].move;
    const int from = moveFrom(m), to = moveTo(m);
    const int32_t *psq = table[wordType(pos.board[from])];
    uint32_t score = uint32_t(psq[to] - psq[from] + 64 * ordering.history[moveIndex(m)] + 32);
    if (m == secondKiller) score |= SCORE_KILLER2;
    moveStack[i].score = score;
  }
}

Move nextMove(MovePicker &mp, int ply) {
  for (;;) {
    switch (mp.phase) {
      case PHASE_LIST:
      case PHASE_CAPTURES:
      case PHASE_QUIET:
        if (mp.next < mp.end) return pickMove(mp.next++, mp.end);
        if (mp.phase != PHASE_CAPTURES) return 0;
        mp.phase = PHASE_KILLER;
        break;
      case PHASE_HASH:
        mp.phase = PHASE_CAPTURES_START;
        if (mp.hashMove) return mp.hashMove;
        break;
      case PHASE_CAPTURES_START:
        generateCaptures();
        mp.next = moveListStart[ply];
        mp.end = moveListStart[ply + 1];
        if (mp.hashMove) removeFromList(mp.hashMove, mp.next, mp.end);
        mp.phase = PHASE_CAPTURES;
        break;
      case PHASE_KILLER: {
        mp.phase = PHASE_QUIET_START;
        const Move killer = ordering.killer[ply][0];
        if (killer && !sameMove(killer, mp.hashMove)) {
          mp.killerMove = playableQuietMove(killer);
          if (mp.killerMove) return mp.killerMove;
        }
        break;
      }
      case PHASE_QUIET_START:
        generateQuiet();
        mp.next = moveListStart[ply];
        mp.end = moveListStart[ply + 1];
        scoreQuietMoves(mp.next, mp.end, ordering.killer[ply][1]);
        if (mp.killerMove) removeFromList(mp.killerMove, mp.next, mp.end);
        if (mp.hashMove) removeFromList(mp.hashMove, mp.next, mp.end);
        mp.phase = PHASE_QUIET;
        break;
    }
  }
}

// The rank a move reaches, counted from the mover's side (0 = its first rank).
inline int relativeRank(int square, int side) { return side == WHITE ? square >> 3 : 7 - (square >> 3); }

}  // namespace

int search(int alpha, int beta, int depth, int fracExt, int nodeFlags) {
  const int ply = pos.searchPly;
  // A child appends its moves behind this node's list, which is not
  // generated yet while the hash move, the null move and internal deepening
  // run: start the list empty here.
  moveListStart[ply + 1] = moveListStart[ply];
  const bool inCheck = pos.checkInfo[pos.gamePly] != CHECK_NONE;
  const bool pvNode = !(nodeFlags & NF_SCOUT);

  // Step 1. Count the node and let the engine look at its clock and input.
  tree.pvLength[ply] = ply;
  if ((++tree.nodeCount & uint64_t(tree.nodePollMask)) == 0) pollInput();

  // Step 2. Mate-distance pruning: no line from here can beat a mate that is
  // already nearer to the root.
  if (alpha < ply - 9998) {
    if (noEvasions()) return ply - INFINITE_SCORE;
    alpha = ply - 9998;
    if (alpha >= beta) return alpha;
  }
  if (9999 - ply < beta) {
    beta = 9999 - ply;
    if (beta <= alpha) return beta;
  }
  const int startAlpha = alpha;

  // Step 3. Fifty-move rule and repetition.
  int score;
  if (drawnByRule(ply, &score)) return score;

  // Step 4. Endgame knowledge: recognised draws, then the tablebases where
  // the material has just changed (or near the root).
  if (pos.pieceTotal < 6) {
    if (recogniseDraw(0)) return 0;
    if ((pos.pieceTotal < 5 || depth > 2) && pos.pieceTotal <= driver.tbProbeLimit && pos.castleRights == 0) {
      const Move last = pos.gamePly > 0 ? pos.plyRecords[pos.gamePly - 1].move : 0;
      if (((last & (MOVE_CAPTURE | MOVE_PROMOTION)) || ply < 3) && TbProbe(&score)) {
        if (++tree.tbHits % tree.tbPollInterval == 0) pollInput();
        return score;
      }
    }
  }

  // Step 5. The deepest ply the per-ply tables allow, or the end of the game
  // history: evaluate.
  if (ply > MAX_SEARCH_PLY || pos.gamePly >= MAX_GAME_PLIES) return evaluate(alpha, beta);

  // Step 6. Transposition table: a hash move, the threat marks, and at
  // null-window nodes a bound that may answer the node.
  Move hashMove = 0;
  bool mateThreat = false, threat = false;
  if (TTEntry *entry = probeTransTable(pos.hashKey)) {
    hashMove = entry->move;
    mateThreat = entry->flags & TT_MATE_THREAT;
    threat = entry->flags & TT_THREAT;
    if (!pvNode && ttCutoff(*entry, depth, alpha, beta, &score)) return score;
    // Walking the previous line into a deeper result: extend it a ply.
    if (tree.followPV && entry->depth > depth) fracExt = (ply & 1) + 4;
  }

  // Step 7. Null move: if passing still holds beta, the position is good
  // enough.  Close to zugzwang (little material, deep search) the result is
  // verified by a shallower search.  A null move that fails tells what the
  // opponent threatens.
  const int us = pos.sideToMove;
  // The full static score, computed at most once: the null move and the
  // futility test both ask for it, and the searches between them leave the
  // position as it was.
  int staticScore = -INFINITE_SCORE - 1;
  auto staticEvaluation = [&staticScore] {
    if (staticScore < -INFINITE_SCORE) staticScore = evaluate(-INFINITE_SCORE, INFINITE_SCORE);
    return staticScore;
  };
  if (depth > 1 && !inCheck && (nodeFlags & NF_NULL_OK) && !pvNode && !threat && beta < 9800 && pos.material[us] != 0) {
    const int reduction = pos.material[us] < 501 ? 3 : 4;
    if (!(depth - reduction >= 1 && staticEvaluation() < beta)) {
      tree.materialBalance[ply + 1] = -tree.materialBalance[ply];
      makeNullMove();
      prefetchTransTable(pos.hashKey);
      const int nullScore = depth - reduction < 1 ? -quiesce(-beta, 1 - beta, QF_ALL_CHECKS)
                                                  : -search(-beta, 1 - beta, depth - reduction, 0, NF_SCOUT);
      unmakeMove();
      if (nullScore >= beta) {
        if (depth < 7 || pos.material[us] > 1450) return nullScore;
        if (search(alpha, beta, depth - 6, 0, NF_SCOUT) >= beta) return nullScore;
      } else {
        const Move reply = tree.pvLength[ply + 1] > ply + 1 ? tree.pvTable[ply + 1][ply + 1] : 0;
        // A reduced search that allows a passed pawn to run must be searched
        // again at full depth.
        if ((nodeFlags & NF_REDUCED) && (reply & MOVE_PAWN) && pawnIsPassed(moveTo(reply), pos.opponent)) return alpha;
        if (nullScore < alpha - 200) {
          if (reply && isQuiet(reply)) threat = true;
          if (nullScore == ply - 9998) threat = mateThreat = true;
        }
      }
    }
  }

  // Step 8. Internal iterative deepening: a principal-variation node without
  // a hash move finds one with a shallower search.
  if (pvNode && (nodeFlags & NF_NULL_OK) && !hashMove && depth >= 3) {
    int d = depth - 2;
    if (inCheck && d > 2) d = 2;
    score = search(alpha, beta, d, fracExt, nodeFlags);
    if (score <= alpha) search(-INFINITE_SCORE, alpha + 1, d, fracExt, nodeFlags);
    if (tree.pvLength[ply] > ply) hashMove = tree.pvTable[ply][ply] & MOVE_IDENTITY_MASK;
  }

  // Step 9. Futility: far below alpha, quiet moves lose depth or are pruned.
  const bool bothHaveMaterial = pos.material[WHITE] != 0 && pos.material[BLACK] != 0;
  int futile = 0;
  if (!inCheck && !mateThreat && !pvNode && std::abs(alpha) < 1000 && depth > 1 && depth < 11 && bothHaveMaterial &&
      staticEvaluation() + futilityMargin[depth] < alpha)
    futile = 1;

  // Step 10. Move generation: one list when in check or following the
  // previous line, stages otherwise.
  MovePicker mp = {PHASE_LIST, 0, 0, 0, 0};
  if (inCheck || tree.followPV) {
    if (inCheck) {
      generateEvasions();
      // A single reply extends.
      const int count = moveListStart[ply + 1] - moveListStart[ply];
      if (count == 1 && fracExt < (ply & 1) + 4) fracExt += (ply & 1) + (pvNode ? 4 : 3);
    } else {
      generateAll();
    }
    markMove(hashMove, SCORE_HASH);
    if (tree.followPV) followPrincipalVariation();
    mp.next = moveListStart[ply];
    mp.end = moveListStart[ply + 1];
  } else {
    mp.phase = PHASE_HASH;
    mp.hashMove = hashMove ? playableMove(hashMove) : 0;
  }

  // Step 11. Node set-up.  Cut-off statistics and late-move reductions
  // belong to quiet null-window nodes without a known threat.
  const bool eligible = !inCheck && !threat && !pvNode;
  int best = -INFINITE_SCORE;
  Move bestMove = 0;
  int quietSearched = 0, legalMoves = 0;
  bool lmrActive = false;
  const int qf = pvNode ? QF_ALL_CHECKS | QF_FULL_WIDTH : QF_ALL_CHECKS;
  if (mateThreat)
    fracExt += 3;
  else if (!inCheck && fracExt / 4 + depth == 1 && bothHaveMaterial)
    futile = -1;  // frontier node: hopeless moves are pruned by material alone

  const Move prevMove = pos.gamePly > 0 ? pos.plyRecords[pos.gamePly - 1].move : 0;
  const int prevCaptured = pos.gamePly > 0 ? pos.plyRecords[pos.gamePly - 1].capturedType : NO_PIECE;

  // Step 12. The moves.
  for (Move move; (move = nextMove(mp, ply)) != 0;) {
    const int to = moveTo(move);
    const bool quiet = isQuiet(move);
    const int index = moveIndex(move);
    const bool pawnMove = (move & MOVE_PAWN) != 0;
    const int reachedRank = relativeRank(to, us);

    // Step 12a. Material balance after the move, from the child's side.
    const int capturedValue = pieceValue[pos.board[to] & 15];
    int balance = -tree.materialBalance[ply];
    if (move & MOVE_CAPTURE) balance -= capturedValue;
    if (move & MOVE_PROMOTION) balance += 100 - pieceValue[movePromotionType(move)];
    tree.materialBalance[ply + 1] = balance;

    // Step 12b. Pruning of hopeless and historically useless moves, never
    // of the first legal move, of a pawn reaching the seventh, or of a check.
    if (legalMoves > 0 && !(pawnMove && reachedRank == 6)) {
      const bool candidate = (futile == -1 && 400 - balance < alpha) ||
                             (depth < 3 && eligible && quiet &&
                              ordering.cutoffGood[index] < ordering.cutoffTried[index] / 16 && bothHaveMaterial);
      if (candidate && !moveGivesCheck(move)) continue;
    }

    // Step 12c.
    if (!makeMove(move)) continue;
    prefetchTransTable(pos.hashKey);
    legalMoves++;

    // Step 12d. Depth of the child: extensions and reductions.
    const bool givesCheck = pos.checkInfo[pos.gamePly] != CHECK_NONE;
    int childFlags = (nodeFlags & (NF_SCOUT | NF_HORIZON_EXT)) | NF_NULL_OK;
    int newDepth, childFrac;
    bool reducedFailLow = false;
    if (givesCheck && (depth <= 2 || (ply + 1 < 2 * driver.iterationDepth && seriousCheckInSearch()))) {
      newDepth = depth;
      childFrac = 0;
    } else if (!givesCheck && futile == 1 && quiet && !(pawnMove && reachedRank >= 5)) {
      newDepth = depth - 2;
      childFrac = 0;
    } else {
      newDepth = depth - 1;
      childFrac = fracExt - (ply & 1) > 0 ? fracExt - (ply & 1) : 0;
      // Recapturing on the square of the last capture or promotion.
      if (!(nodeFlags & NF_RECAPTURED) && prevMove && to == moveTo(prevMove) &&
          ((prevMove & MOVE_PROMOTION) || ((prevMove & MOVE_CAPTURE) && pieceValue[prevCaptured] == capturedValue))) {
        childFlags |= NF_RECAPTURED;
        if (pvNode) {
          newDepth = depth;
          childFrac = 0;
        } else {
          childFrac += 3;
        }
      }
      // A pawn on the seventh threatens to promote.
      if (pawnMove && reachedRank == 6) {
        if (pvNode) {
          newDepth++;
          childFrac = 0;
        } else {
          childFrac += 3;
          if (childFrac / 4 + newDepth < 1) childFrac++;
        }
      }
      if (childFrac > 3) {
        childFrac -= 4;
        newDepth++;
      }
      // Late-move reduction of a quiet move that has rarely cut off; killers
      // of the same side two plies up are spared.
      if (lmrActive && newDepth < depth) {
        const uint32_t tried = ordering.cutoffTried[index], good = ordering.cutoffGood[index];
        const bool killer = ply >= 2 && (move == ordering.killer[ply - 2][0] || move == ordering.killer[ply - 2][1]);
        if (tried >= 16 && good < tried / 16 && !killer && !givesCheck &&
            (pos.material[WHITE] != 0 || pos.material[BLACK] != 0)) {
          const int reduced = newDepth - 1 > 3 && good < tried / 32 ? newDepth - 2 : newDepth - 1;
          score = -search(-alpha - 1, -alpha, reduced, 0, childFlags | NF_SCOUT | NF_REDUCED);
          reducedFailLow = score <= alpha;
        }
      }
    }

    // Step 12e. Search the move.  At the horizon of a principal-variation
    // line, a piece that has just started to threaten gets one more ply.
    if (!reducedFailLow) {
      if (newDepth == 0 && !(childFlags & (NF_SCOUT | NF_HORIZON_EXT)) && threatAfterMove()) {
        newDepth = 1;
        childFlags |= NF_HORIZON_EXT;
      }
      if (legalMoves == 1) {
        score = newDepth < 1 ? -quiesce(-beta, -alpha, qf) : -search(-beta, -alpha, newDepth, childFrac, childFlags);
        if (futile == -1 && score - balance > 300) futile = 0;
      } else if (newDepth < 1) {
        score = -quiesce(-beta, -alpha, qf);
      } else {
        score = -search(-alpha - 1, -alpha, newDepth, childFrac, childFlags | NF_SCOUT);
        if (score > alpha && score < beta) score = -search(-beta, -alpha, newDepth, childFrac, childFlags);
      }
    }

    // Step 12f.
    unmakeMove();
    if (eligible && quiet) {
      ordering.cutoffTried[index]++;
      if (++quietSearched >= 3 && depth > 2) lmrActive = true;
    }

    // Step 12g.
    if (score > best) {
      best = score;
      if (score > alpha) {
        updatePV(ply, move);
        alpha = score;
        bestMove = move;
        if (score >= beta) {
          if (eligible && quiet) ordering.cutoffGood[index]++;
          break;
        }
      }
    }
  }

  // Step 13. No legal move: mate or stalemate.  Otherwise remember the
  // result, and credit a quiet best move to history and killers.
  if (best == -INFINITE_SCORE) return inCheck ? ply - INFINITE_SCORE : 0;
  const uint8_t marks = (mateThreat ? TT_MATE_THREAT : 0) | (threat ? TT_THREAT : 0);
  storeTransTable(pos.hashKey, depth, best, startAlpha, beta, bestMove, marks);
  if (bestMove && isQuiet(bestMove)) {
    addHistory(bestMove, depth);
    addKiller(ply, bestMove);
  }
  return best;
}
