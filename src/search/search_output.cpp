// Search output.  Under xboard a thinking line is
//   depth, score (centipawns, mate as 10000 - plies), centiseconds, nodes,
// then the line in algebraic notation with "+" after checks; under UCI it is
// an "info score ... pv ..." line in coordinate notation with mate scores
// given in moves.  A line shorter than its depth is lengthened from the
// transposition table, so the expected reply is known more often.
#include "search/search_output.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "position/make_move.h"
#include "position/move_text.h"
#include "search/driver.h"
#include "search/hash_tables.h"
#include "search/quiet_moves.h"
#include "search/search_state.h"
#include "shell/clock.h"
#include "shell/engine_state.h"

namespace {

constexpr int LINE_SIZE = 1024;  // head plus 64 moves of at most 8 characters
char lineBuffer[LINE_SIZE];
char multiPVBuffer[LINE_SIZE];

struct Line {
  char *text;
  int length;
  void add(const char *format, ...) __attribute__((format(printf, 2, 3)));
};

void Line::add(const char *format, ...) {
  if (length >= LINE_SIZE - 1) return;
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(text + length, size_t(LINE_SIZE - length), format, args);
  va_end(args);
  if (n > 0) length = length + n < LINE_SIZE - 1 ? length + n : LINE_SIZE - 1;
}

bool usingUci() { return (shell.engineFlags & FLAG_UCI) != 0; }

void writeLine(const char *text) {
  std::fputs(text, stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

// The mate distance in moves for a UCI "mate" score; negative when mated.
int mateInMoves(int score) { return score > 0 ? (10001 - score) / 2 : (-10001 - score) / 2; }

uint64_t nodesPerSecond(uint64_t nodes, int64_t elapsedMs) {
  return elapsedMs > 0 ? uint64_t(double(nodes) / (double(elapsedMs) * 0.001)) : 0;
}

// A move of the transposition table that can continue the line: an own
// piece on its from-square, no own piece on its to-square, and no from/to
// pair the line has already played.
Move tableContinuation(int length) {
  const TTEntry *entry = probeTransTable(pos.hashKey);
  if (!entry || !entry->move) return 0;
  const Move move = entry->move;
  const int from = moveFrom(move), to = moveTo(move);
  if (wordColour(pos.board[from]) != pos.sideToMove || wordColour(pos.board[to]) == pos.sideToMove) return 0;
  for (int i = 0; i < length; i++)
    if (moveFrom(tree.pvTable[0][i]) == from && moveTo(tree.pvTable[0][i]) == to) return 0;
  return move;
}

void buildLine(int depth, int score) {
  Line line = {lineBuffer, 0};
  lineBuffer[0] = '\0';
  const bool uci = usingUci();
  const int64_t elapsed = elapsedMs() - timeControl.searchStartTime;
  const uint64_t nodes = tree.nodeCount;
  if (!uci) {
    line.add("%2d %5d %6" PRId64 " %-" PRIu64 "  ", depth, score, elapsed / 10, nodes);
  } else {
    const bool mate = score >= 9001 || score <= -9001;
    line.add("info score %s %d depth %d seldepth %d time %" PRId64 " nodes %" PRIu64 " nps %" PRIu64 " %spv",
             mate ? "mate" : "cp", mate ? mateInMoves(score) : score, depth, tree.selDepth, elapsed, nodes,
             nodesPerSecond(nodes, elapsed), shell.multiPV >= 2 ? "multipv 1 " : "");
  }

  // Walk the line on the board; an unplayable move ends it.
  int made = 0;
  for (int i = 0; i < tree.pvLength[0] && i < MAX_PLY - 1; i++) {
    const Move move = completeMove(tree.pvTable[0][i] & MOVE_IDENTITY_MASK);
    char text[16];
    std::snprintf(text, sizeof text, "%s", uci ? moveToUciCoordinates(move) : moveToSan(move));
    if (pos.gamePly >= MAX_GAME_PLIES || !playableMove(move) || !makeMove(move)) {
      tree.pvLength[0] = i;
      break;
    }
    made++;
    line.add(" %s%s", text, !uci && pos.checkInfo[pos.gamePly] != CHECK_NONE ? "+" : "");
    if (i + 1 == tree.pvLength[0] && i + 1 < depth && i + 1 < MAX_PLY - 1) {
      if (const Move next = tableContinuation(i + 1)) {
        tree.pvTable[0][i + 1] = next;
        tree.pvLength[0]++;
      }
    }
  }
  while (made-- > 0) unmakeMove();
  publishResult();
}

}  // namespace

void printPV(int depth, int score) {
  if (driver.tbProbeLimit == -2) score = 0;
  if (depth > 0) buildLine(depth, score);
  if ((shell.engineFlags & FLAG_POST) && lineBuffer[0]) writeLine(lineBuffer);
}

void printMultiPV(int depth) {
  printPV(depth, driver.multipvScore[0]);
  const int lines = shell.multiPV < MAX_MULTI_PV ? shell.multiPV : MAX_MULTI_PV;
  for (int k = 2; k <= lines; k++) {
    int s = driver.multipvScore[k - 1];
    if (s == -INFINITE_SCORE) break;
    if (driver.tbProbeLimit == -2) s = 0;
    const bool mate = s > MATE_BOUND || s < -MATE_BOUND;
    Line line = {multiPVBuffer, 0};
    multiPVBuffer[0] = '\0';
    line.add("info score %s %d multipv %d pv", mate ? "mate" : "cp", mate ? mateInMoves(s) : s, k);
    for (const Move *m = driver.multipvLines[k - 1]; *m; m++) line.add(" %s", moveToUciCoordinates(*m));
    std::fputs(multiPVBuffer, stdout);
    std::fputc('\n', stdout);
  }
  std::fflush(stdout);
}

void printFailMark() {
  const int needed = FLAG_XBOARD | FLAG_POST;
  if ((shell.engineFlags & needed) != needed || driver.iterationDepth < 3) return;
  writeLine(driver.failState < 1 ? "--" : "++");
}

void printDepthLine() {
  if (!usingUci()) return;
  std::printf("info depth %d seldepth %d\n", driver.iterationDepth, driver.iterationDepth);
  std::fflush(stdout);
}

void printCurrentMove(Move move, int number, int64_t elapsedMs) {
  std::printf("info currmove %s currmovenumber %d nodes %" PRIu64 " nps %" PRIu64 "\n", moveToUciCoordinates(move),
              number, tree.nodeCount, nodesPerSecond(tree.nodeCount, elapsedMs));
  std::fflush(stdout);
}

const char *lastPVLine() { return lineBuffer; }
