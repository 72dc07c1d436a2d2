// The search driver: think() prepares a search, deepens it iteration by
// iteration with aspiration windows around the last score, and decides when
// to stop; rootSearch() is one iteration over the root moves.
//
// A search is abandoned (time up, "stop", a new position...) from the input
// poll by a non-local jump back into think(), which then takes back every
// move below the root.  The frames it jumps over hold only plain data.
#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "evaluation/piece_square.h"
#include "position/make_move.h"
#include "search/check_tests.h"
#include "search/driver.h"
#include "search/hash_tables.h"
#include "search/move_ordering.h"
#include "search/node_helpers.h"
#include "search/search.h"
#include "search/search_output.h"
#include "search/time_management.h"
#include "shell/clock.h"
#include "shell/engine_state.h"
#include "shell/input.h"
#include "tablebase/tablebase.h"

namespace {

std::jmp_buf returnPoint;
bool thinking = false;

inline int clampScore(int s) { return s < -INFINITE_SCORE ? -INFINITE_SCORE : s > INFINITE_SCORE ? INFINITE_SCORE : s; }

void setWindowAround(int score) {
  driver.windowLow = clampScore(score - 41);
  driver.windowHigh = clampScore(score + 41);
}

int materialDifference() { return pos.material[pos.sideToMove] - pos.material[pos.opponent]; }

void copyLine(Move *to, const Move *from, int length) {
  for (int i = 0; i < length; i++) to[i] = from[i];
  to[length] = 0;
}

void restorePreviousLine() {
  tree.pvLength[0] = driver.prevPVLength;
  copyLine(tree.pvTable[0], driver.prevPV, driver.prevPVLength);
}

// Quiet checks of the quiescence search that were written off get another
// chance once the material or the king's safety at the root changes.
void reviveQuietChecks() {
  for (int i = 0; i < 4096; i++) {
    const uint32_t tried = ordering.qCheckTried[i];
    if (tried >= 64 && ordering.qCheckGood[i] < tried / 64) {
      ordering.qCheckTried[i] = 32;
      ordering.qCheckGood[i] = 0;
    }
  }
}

// MultiPV analysis: the root move's line takes its place among the lines of
// this iteration; the line it pushes out is this move's line of the previous
// iteration, or else the last one.
void insertMultiPVLine(Move move, int score) {
  const int lines = shell.multiPV < MAX_MULTI_PV ? shell.multiPV : MAX_MULTI_PV;
  int &filled = driver.multipvFilled;
  int at = 0;
  while (at < filled && driver.multipvScore[at] >= score) at++;
  if (at >= lines) return;
  int out = -1;
  for (int j = filled; j < lines; j++) {
    if (driver.multipvScore[j] == -INFINITE_SCORE || driver.multipvLines[j][0] == 0) break;
    if (((driver.multipvLines[j][0] ^ move) & MOVE_IDENTITY_MASK) == 0) {
      out = j;
      break;
    }
  }
  if (out < 0) out = lines - 1;
  for (int j = out; j > at; j--) {
    driver.multipvScore[j] = driver.multipvScore[j - 1];
    std::memcpy(driver.multipvLines[j], driver.multipvLines[j - 1], sizeof driver.multipvLines[j]);
  }
  Move *line = driver.multipvLines[at];
  line[0] = move;
  int n = 1;
  for (int i = 1; i < tree.pvLength[1] && n < MAX_PLY; i++) line[n++] = tree.pvTable[1][i];
  line[n] = 0;
  driver.multipvScore[at] = score;
  if (filled < lines) filled++;
}

// MultiPV analysis orders the root moves by the lines already known.
void orderByKnownLines() {
  const int lines = shell.multiPV < MAX_MULTI_PV ? shell.multiPV : MAX_MULTI_PV;
  for (int i = 0; i < lines; i++) {
    if (driver.multipvScore[i] == -INFINITE_SCORE) continue;
    const Move first = driver.multipvLines[i][0] & MOVE_IDENTITY_MASK;
    for (int j = moveListStart[0]; j < moveListStart[1]; j++)
      if ((moveStack[j].move & MOVE_IDENTITY_MASK) == first) moveStack[j].score = ~uint32_t(i);
  }
}

// After the jump out of an abandoned search: back to the root, and the best
// result the search had reached.
void finishAbandonedSearch() {
  while (pos.searchPly > 0) unmakeMove();
  if (shell.pondering) {
    // A ponder search that did not become a real one has no move to offer.
    searchResult.lastSearchScore = driver.ponderScore;
    tree.pvLength[0] = 0;
  } else if (driver.iterationBest <= driver.windowLow) {
    // No root move of the running iteration has beaten the window yet.
    restorePreviousLine();
    searchResult.lastSearchScore = driver.prevIterScore;
  } else {
    searchResult.lastSearchScore = driver.iterationBest;
  }
  publishResult();
}

// Stop rules between iterations, for games on a clock.
bool timeToStop(int score) {
  const int depth = driver.iterationDepth;
  const bool ownTime = !shell.pondering && !shell.analyzeMode;
  // A mate found.
  if (depth >= 3 && (score > MATE_BOUND || score < -MATE_BOUND) && !(multiPVAnalysis() && depth < 32)) return true;
  // A single legal reply.
  if (driver.legalRootMoves == 1 && depth >= 3 && ownTime) return true;
  // An easy recapture.
  if (driver.recaptureSquare >= 0) {
    if (tree.pvLength[0] < 1 || moveTo(tree.pvTable[0][0]) != driver.recaptureSquare)
      driver.recaptureSquare = -1;
    else if (ownTime && depth >= 6)
      return true;
  }
  // Time trouble: take what the last iterations found.
  if (driver.timeTrouble && depth >= 2 && ownTime) {
    if (driver.tbProbeLimit == -2) return true;
    const int mine = timeControl.clockTime[pos.sideToMove], theirs = timeControl.clockTime[pos.opponent];
    const int average = timing.avgMoveTime > 1 ? timing.avgMoveTime : 1;
    const bool fightOn =
        mine < theirs && depth >= 6 && score < searchResult.lastSearchScore - 25 && mine >= 10 * average;
    if (!fightOn) {
      const int64_t e = (elapsedMs() - timeControl.searchStartTime) / 10;
      if ((mine < 200 && e >= 10) || e >= int64_t(mine / average) * 2) return true;
    }
  }
  return false;
}

// Steps 2 to 14 of think(): everything after the return point is set.
void runSearch() {
  // Step 2. Game moves count in searchPly too; the search's tables start here.
  pos.searchPly = 0;
  moveListStart[0] = 0;
  tree.nodeCount = 0;
  clearMoveOrdering();
  driver.reSearchStart = 0;
  driver.firstMoveTime = 0;
  int lastDepth = timeControl.maxSearchDepth;
  if (lastDepth < 1) lastDepth = 1;
  if (lastDepth > NO_DEPTH_LIMIT) lastDepth = NO_DEPTH_LIMIT;

  // Step 3. A root in the tablebases that is a draw: draw mode.
  const int tbMax = tablebaseSettings.tbMaxPieces;
  driver.tbProbeLimit = tbMax;
  int tbScore;
  if (pos.pieceTotal <= tbMax && pos.castleRights == 0 && TbProbe(&tbScore) && tbScore == 0) driver.tbProbeLimit = -2;

  // Step 4. The running average of the time a move costs beyond thinking.
  if (timeControl.lastMoveTime > 0) {
    timing.moveTimeSum += timeControl.lastMoveTime;
    timing.moveTimeCount++;
    timing.avgMoveTime = timing.moveTimeSum / timing.moveTimeCount;
    if (timing.moveTimeCount >= 16) {
      timing.moveTimeSum = timing.avgMoveTime;
      timing.moveTimeCount = 1;
    }
  }

  // Step 5. Time for this move.
  timing.ponderTimeUsed = 0;
  if (timeControl.maxMoveTime != 0 && !shell.pondering) allocateTime();

  // Step 6. When the opponent played the expected reply, the rest of the
  // last line is where this search starts.
  tree.pvLength[0] = searchResult.pvLength < 0         ? 0
                     : searchResult.pvLength < MAX_PLY ? searchResult.pvLength
                                                       : MAX_PLY - 1;
  copyLine(tree.pvTable[0], searchResult.pvLine, tree.pvLength[0]);
  const Move lastMove = pos.gamePly > 0 ? pos.plyRecords[pos.gamePly - 1].move : 0;
  const int generation = hashTables.searchGeneration;
  if (tree.pvLength[0] > 2 && driver.lastCompletedDepth >= 3 && pos.gamePly == generation + 2 &&
      ((lastMove ^ tree.pvTable[0][1]) & (MOVE_FROM_MASK | MOVE_TO_MASK)) == 0) {
    const int length = tree.pvLength[0] - 2;
    for (int i = 0; i < length; i++) tree.pvTable[0][i] = tree.pvTable[0][i + 2];
    tree.pvTable[0][length] = 0;
    tree.pvLength[0] = length;
    copyLine(driver.prevPV, tree.pvTable[0], length);
    driver.prevPVLength = length;
    const int resume = (driver.lastCompletedDepth < lastDepth ? driver.lastCompletedDepth : lastDepth) - 1;
    driver.iterationDepth = resume > 1 ? resume : 1;
    printPV(driver.iterationDepth, searchResult.lastSearchScore);
  } else {
    std::memset(tree.pvTable, 0, sizeof tree.pvTable);
    tree.pvLength[0] = 0;
    std::memset(driver.prevPV, 0, sizeof driver.prevPV);
    driver.prevPVLength = 0;
  }

  // Step 7. Easy recapture: the opponent has just taken material on a square
  // only one of our pieces can answer on.
  const int matDiff = materialDifference();
  driver.recaptureSquare = -1;
  if (pos.gamePly > 0 && pos.gamePly == generation + 2 && driver.matDiffAtStart > matDiff + 200) {
    const int square = moveTo(lastMove);
    if (countAttackers(square, pos.sideToMove) == 1) driver.recaptureSquare = square;
  }

  // Step 8. Remember for the next search (for a ponder search, for the
  // moment it becomes a real one).
  if (shell.pondering) {
    driver.ponderMatDiff = matDiff;
    driver.ponderGamePly = pos.gamePly;
    driver.ponderScore = searchResult.lastSearchScore;
  } else {
    driver.matDiffAtStart = matDiff;
    hashTables.searchGeneration = pos.gamePly;
  }

  // Step 9. Several lines need tables free of one-line bounds; and the
  // tables are not kept across a change of the engine's side.
  driver.lastCompletedDepth = 0;
  if (shell.analyzeMode && shell.multiPV > 1) {
    for (int32_t &s : driver.multipvScore) s = -INFINITE_SCORE;
    clearHashTables();
  }
  if (rootSide != pos.sideToMove && (rootSide == WHITE || rootSide == BLACK)) clearHashTables();
  rootSide = pos.sideToMove;

  // Step 10. Short of time on a sudden-death clock.
  {
    const int average = timing.avgMoveTime < 45 ? timing.avgMoveTime : 45;
    driver.timeTrouble = timeControl.movesToGo == 0 && timeControl.clockTime[pos.sideToMove] < (average * 5 + 25) * 8;
  }

  // Step 11. The first window is centred on the last score.
  driver.prevIterScore = searchResult.lastSearchScore;
  tree.nodePollMask = searchHooks.fixedPollMask >= 0 ? searchHooks.fixedPollMask : shortOfTime() ? 4095 : 65535;
  tree.tbPollInterval = 100;
  setWindowAround(searchResult.lastSearchScore);
  tree.materialBalance[0] = 100 * (pos.pieceCount[pos.sideToMove][PAWN] - pos.pieceCount[pos.opponent][PAWN]) + matDiff;
  driver.failState = 0;
  driver.failLowDepth = 0;

  // Step 12. Iterative deepening.
  int score = searchResult.lastSearchScore;
  for (; driver.iterationDepth <= lastDepth; driver.iterationDepth++) {
    const int depth = driver.iterationDepth;
    const uint64_t startNodes = tree.nodeCount;
    const int64_t startMs = elapsedMs();
    tree.selDepth = depth;
    tree.followPV = 1;
    driver.searchDone = 0;
    driver.iterationBest = -INFINITE_SCORE;
    tree.tbHits = 0;

    score = rootSearch(driver.windowLow, driver.windowHigh, depth);
    if (driver.searchDone) break;

    // Poll roughly every 50 to 100 ms, whatever the speed of the machine;
    // with a move of less than half a second, about five times per target.
    const int64_t dt = elapsedMs() - startMs;
    if (dt > 100) {
      uint64_t rate = (tree.nodeCount - startNodes) * 100 / uint64_t(dt);
      if (shortOfTime() && timing.targetMoveTime < 50) rate = rate * uint64_t(std::max(1, timing.targetMoveTime)) / 50;
      uint64_t m = 15;
      while (m <= rate) m = 2 * m + 1;
      if (searchHooks.fixedPollMask < 0) tree.nodePollMask = int32_t(m / 2);
      const int64_t interval = tree.tbHits * 200 / dt;
      tree.tbPollInterval = interval > 1 ? int32_t(interval) : 1;
    }

    // Outside the window: search the iteration again with a full window.
    if (score <= driver.windowLow) {
      driver.failState = -1;
      driver.failLowDepth = depth;
      printFailMark();
      restorePreviousLine();
      driver.iterationBest = -INFINITE_SCORE;
      driver.windowLow = -INFINITE_SCORE;
      driver.windowHigh = clampScore(score + 1);
      score = rootSearch(-INFINITE_SCORE, INFINITE_SCORE, depth);
    } else if (score >= driver.windowHigh) {
      driver.failState = 1;
      printFailMark();
      driver.windowLow = clampScore(score - 1);
      score = rootSearch(-INFINITE_SCORE, INFINITE_SCORE, depth);
    }

    driver.failState = 0;
    driver.lastCompletedDepth = depth;
    if (multiPVAnalysis()) {
      driver.windowLow = -INFINITE_SCORE;
      driver.windowHigh = INFINITE_SCORE;
    } else {
      setWindowAround(score);
    }
    if (tree.pvLength[0] > MAX_PLY - 1) tree.pvLength[0] = MAX_PLY - 1;
    tree.pvTable[0][tree.pvLength[0]] = 0;
    copyLine(driver.prevPV, tree.pvTable[0], tree.pvLength[0]);
    driver.prevPVLength = tree.pvLength[0];
    driver.prevIterScore = score;
    publishResult();

    if (depth < 3) printPV(depth, score);
    if (timeControl.baseTime != 0 && timeToStop(score)) break;
  }

  // Step 13. A ponder search or an analysis waits for the command that
  // ends it ("ponderhit", "stop", a move, a new position...).
  while (shell.pondering || shell.analyzeMode) {
    readAndDispatch(1);
    if (shell.searchAbort != ABORT_NONE) pollInputNow();
  }

  // Step 14.
  searchResult.lastSearchScore = score;
  publishResult();
}

}  // namespace

void publishResult() {
  int length = tree.pvLength[0];
  if (length < 0) length = 0;
  if (length > MAX_PV_LENGTH) length = MAX_PV_LENGTH;
  for (int i = 0; i < length; i++) searchResult.pvLine[i] = tree.pvTable[0][i];
  for (int i = length; i < MAX_PV_LENGTH; i++) searchResult.pvLine[i] = 0;
  searchResult.pvLength = length;
}

bool searchRunning() { return thinking; }

void abandonSearch() { std::longjmp(returnPoint, 1); }

void think() {
  // Step 1. The return point for abandoning the search.
  shell.searching = 1;
  shell.searchAbort = ABORT_NONE;
  driver.iterationDepth = 1;
  thinking = true;
  if (setjmp(returnPoint) == 0)
    runSearch();
  else
    finishAbandonedSearch();
  thinking = false;
  shell.searching = 0;
}

int rootSearch(int alpha, int beta, int depth) {
  const int rootAlpha = alpha;
  const bool inCheck = pos.checkInfo[pos.gamePly] != CHECK_NONE;

  // Step 1.
  tree.nodeCount++;
  pollInput();
  printDepthLine();

  // No move can be made once the game history is full.
  if (pos.gamePly >= MAX_GAME_PLIES) {
    driver.searchDone = 1;
    driver.rootMoveCount = driver.legalRootMoves = 0;
    tree.pvLength[0] = 0;
    return 0;
  }

  // Step 2-3. The root moves: the table's move first, then the previous best
  // move, or in MultiPV analysis the first moves of the known lines.
  const Move hashMove = probeRootMove(pos.hashKey);
  generateMoves();
  markMove(hashMove, SCORE_HASH);
  if (multiPVAnalysis() && driver.multipvScore[0] != -INFINITE_SCORE)
    orderByKnownLines();
  else if (tree.followPV)
    followPrincipalVariation();

  // Step 4. In a drawn tablebase ending without pawns, captures that keep
  // the draw are preferred (they bring the draw nearer).
  const int us = pos.sideToMove, them = pos.opponent;
  const bool preferCaptures = driver.tbProbeLimit == -2 && timeControl.movesToGo && !shell.pondering &&
                              !shell.analyzeMode && pos.pieceCount[us][PAWN] == 0 &&
                              (pos.material[us] == 300 || pos.material[us] <= pos.material[them]);

  // Step 5.
  const int start = moveListStart[0], end = moveListStart[1];
  driver.rootMoveCount = driver.legalRootMoves = end - start;
  driver.currentMoveNumber = 1;
  driver.multipvFilled = 0;
  if (start == end) {
    driver.searchDone = 1;
    tree.pvLength[0] = 0;
    return inCheck ? pos.searchPly - INFINITE_SCORE : 0;
  }

  // Step 6. Every move taken from the list counts, illegal ones too, so the
  // move numbers shown stay right.
  int best = -INFINITE_SCORE;
  Move bestMove = 0;
  bool firstSearched = false;
  int64_t elapsed = 0;
  for (int i = start; i < end; i++, driver.currentMoveNumber++) {
    const Move move = pickMove(i, end);

    // Step 6a.
    int balance = -tree.materialBalance[0];
    if (move & MOVE_CAPTURE) balance -= pieceValue[pos.board[moveTo(move)] & 15];
    if (move & MOVE_PROMOTION) balance += 100 - pieceValue[movePromotionType(move)];
    tree.materialBalance[1] = balance;
    if (!makeMove(move)) {
      driver.legalRootMoves--;
      continue;
    }

    // Step 6b. Draw mode: moves that leave the drawn tablebase result are
    // not played; a position outside the tables ends draw mode.
    int tbValue;
    if (driver.tbProbeLimit == -2) {
      if (!TbProbe(&tbValue)) {
        driver.tbProbeLimit = tablebaseSettings.tbMaxPieces;
      } else if (tbValue != 0) {
        unmakeMove();
        continue;
      }
    }

    // Step 6c.
    if (shell.engineFlags & FLAG_UCI) {
      elapsed = elapsedMs() - timeControl.searchStartTime;
      if (elapsed > 1000)
        printCurrentMove(move, driver.currentMoveNumber - driver.rootMoveCount + driver.legalRootMoves, elapsed);
    }

    // Step 6d. Checks are extended in the first iterations and when serious.
    const bool givesCheck = pos.checkInfo[pos.gamePly] != CHECK_NONE;
    int d = depth - 1;
    if (givesCheck && (driver.iterationDepth < 3 || seriousCheckInSearch())) d = depth;
    if ((move & (MOVE_CAPTURE | MOVE_PROMOTION)) || d == depth) reviveQuietChecks();

    // Step 6e. The first move with the full window, the others with a null
    // window first.
    int score;
    if (!firstSearched) {
      firstSearched = true;
      const int64_t t0 = elapsedMs();
      score = d < 1 ? -quiesce(-beta, -alpha, QF_ALL_CHECKS | QF_FULL_WIDTH) : -search(-beta, -alpha, d, 0, 0);
      driver.firstMoveTime = int32_t((elapsedMs() - t0) / 10);
      if (score <= alpha && score < 100) driver.failLowDepth = driver.iterationDepth;
    } else if (d < 1) {
      score = -quiesce(-beta, -alpha, QF_ALL_CHECKS | QF_FULL_WIDTH);
    } else {
      score = -search(-alpha - 1, -alpha, d, 0, NF_NULL_OK | NF_SCOUT);
      if (score > alpha && score < beta) {
        driver.reSearchStart = elapsedMs();
        score = -search(-beta, -alpha, d, 0, 0);
        driver.reSearchStart = 0;
      }
    }

    // Step 6f.
    unmakeMove();

    // Step 6g.
    if (preferCaptures && bestMove) {
      const bool bestTakes = bestMove & MOVE_CAPTURE, takes = move & MOVE_CAPTURE;
      if (bestTakes && !takes)
        score = alpha;
      else if (!bestTakes && takes && score <= alpha)
        score = alpha + 1;
    }

    // Step 6h-i.
    if (score > best) {
      best = score;
      driver.iterationBest = score;
    }
    if (score <= alpha) continue;
    bestMove = move;
    // Re-searching after a fail high, a score that does not reach the
    // failed window only narrows the search.
    if (driver.failState == 1 && score <= driver.windowLow) {
      alpha = score;
      continue;
    }
    const bool several = multiPVAnalysis();
    if (!several || score > driver.multipvScore[0]) {
      updatePV(0, move);
      publishResult();
    }
    if (driver.iterationDepth >= 3) {
      if (!several || elapsed <= 100) printPV(driver.iterationDepth, score);
      if (several) {
        insertMultiPVLine(move, score);
        printMultiPV(driver.iterationDepth);
        if (score >= beta) break;
        const int lines = shell.multiPV < MAX_MULTI_PV ? shell.multiPV : MAX_MULTI_PV;
        if (driver.multipvFilled >= lines) alpha = driver.multipvScore[lines - 1];
        continue;
      }
    }
    if (score >= beta) break;
    alpha = score;
  }

  // Step 7.
  if (best == -INFINITE_SCORE) {
    driver.searchDone = 1;
    if (driver.legalRootMoves == 0) tree.pvLength[0] = 0;
    return inCheck ? pos.searchPly - INFINITE_SCORE : 0;
  }
  if (pos.fiftyCount >= 100) {
    driver.searchDone = 1;
    return 0;
  }

  // Step 8.
  storeRootEntry(pos.hashKey, depth, best, rootAlpha, beta, bestMove);
  if (bestMove && isQuiet(bestMove)) addHistory(bestMove, depth);
  return best;
}
