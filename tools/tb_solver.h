// Retrograde solver for one tablebase, over the engine's own move rules.
//
// The nodes are the slots of the table's files (one per index, both sides
// to move).  Each slot is filled with the one legal placement of the
// reference region that has its index; the engine then sets the position
// up, generates its legal moves, and each move's result is located as the
// probe would locate it: a node of this table (an edge), or a position of a
// smaller table (captures, promotions) whose value is already known, or two
// bare kings (a draw).
//
// Values are then found level by level, in plies to mate: at an odd level
// a node wins when a move reaches a node lost at the level before; at an
// even level a node loses when every move reaches a win already found.
// Nodes never reached are draws.
#pragma once

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "position/make_move.h"
#include "position/move_generation.h"
#include "position/position.h"
#include "tablebase/placement.h"
#include "tablebase/registry.h"
#include "tb_values.h"

namespace tbsolver {

using namespace tbvalues;

// The values of every table generated or loaded so far, as stored bytes.
struct KnownTables {
  std::vector<int8_t> bytes[TB_TABLE_COUNT][2];
  bool known[TB_TABLE_COUNT] = {};
};

// Progress on standard error: done/total, rate, time left.
class Progress {
 public:
  Progress(const char *what, bool quiet) : what_(what), quiet_(quiet), start_(now()), last_(start_) {}
  void step(uint64_t done, uint64_t total, bool force = false) {
    double t = now();
    if (quiet_) return;
    if (!force && t - last_ < 0.5) return;
    last_ = t;
    double rate = done / (t - start_ + 1e-9);
    double left = rate > 0 ? (total - done) / rate : 0;
    std::fprintf(stderr, "\r  %-28s %12llu/%-12llu %9.0f/s  %6.1f s left   ", what_.c_str(),
                 (unsigned long long)done, (unsigned long long)total, rate, left);
    std::fflush(stderr);
  }

 private:
  static double now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }
  std::string what_;
  bool quiet_;
  double start_, last_;
};

constexpr uint32_t EMPTY_SLOT = 0xFFFFFFFFu;
constexpr uint32_t EP_FLAG = 1u << 30;

inline uint32_t pack(const TbShape &shape, const TbPlacement &p) {
  uint32_t sq[5] = {p.first.square[TB_KING_SLOT], p.second.square[TB_KING_SLOT], p.first.square[3 * (shape.t1 - 1)],
                    shape.firstCount == 2 ? p.first.square[3 * (shape.t2 - 1) + (shape.t1 == shape.t2)] : 0,
                    shape.secondCount == 1 ? p.second.square[3 * (shape.t3 - 1)] : 0};
  uint32_t v = 0;
  for (int i = 0; i < 5; i++) v |= sq[i] << (6 * i);
  return v | (p.ep != TB_NO_EP ? EP_FLAG : 0);
}

// The FEN of a packed placement: the first side is White.
inline std::string fenOf(const TbShape &shape, int side, uint32_t v) {
  char board[64];
  std::memset(board, 0, sizeof board);
  static const char letters[] = " pnbrq";
  auto square = [&](int i) { return int(v >> (6 * i) & 63); };
  board[square(0)] = 'K';
  board[square(1)] = 'k';
  board[square(2)] = char(letters[shape.t1] - 32);
  if (shape.firstCount == 2) board[square(3)] = char(letters[shape.t2] - 32);
  int pushed = -1;
  if (shape.secondCount == 1) {
    board[square(4)] = letters[shape.t3];
    if (shape.t3 == 1) pushed = square(4);
  }
  std::string fen;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 0; file < 8; file++) {
      char c = board[rank * 8 + file];
      if (!c) {
        empty++;
        continue;
      }
      if (empty) fen += char('0' + empty);
      empty = 0;
      fen += c;
    }
    if (empty) fen += char('0' + empty);
    if (rank) fen += '/';
  }
  fen += side == 0 ? " w - " : " b - ";
  if (v & EP_FLAG) {
    // The second side's pawn has just moved two squares (table terms: only
    // kpkp among the tables of up to four men has pawns on both sides).
    int p = side == 0 ? pushed : square(2);
    int x = side == 0 ? p + 8 : p - 8;
    fen += char('a' + (x & 7));
    fen += char('1' + (x >> 3));
  } else {
    fen += '-';
  }
  return fen + " 0 1";
}

struct Solver {
  int id;
  TbShape shape;
  int files;
  uint64_t size[2];
  uint64_t nodes;
  std::vector<uint32_t> placement;  // per node: packed placement or EMPTY_SLOT
  std::vector<int16_t> value;       // plies to mate, DRAW, UNKNOWN, ILLEGAL
  std::vector<uint8_t> exitWin;     // 0 = none; else the level a capture or promotion wins at
  std::vector<uint8_t> exitLoss;    // the level at which the exits alone would lose
  std::vector<uint8_t> noLoss;      // an exit draws or wins: the node cannot lose
  std::vector<uint32_t> edges;      // the current node's moves inside the table
  int maxExitLevel = 0;
  bool quiet = false;  // no progress lines
  uint64_t errors = 0;
  std::string firstError;

  void error(const std::string &what) {
    if (!errors++) firstError = what;
  }

  uint64_t nodeOf(int side, uint32_t index) const { return side == 0 ? index : size[0] + index; }

  bool solve(const KnownTables &known, int8_t *out[2]) {
    const char *name = tbTableNames[id];
    TbShapeFromName(name, &shape);
    files = tbIsSymmetric(id) ? 1 : 2;
    size[0] = tbExpectedSizes[id][0];
    size[1] = files == 2 ? tbExpectedSizes[id][1] : 0;
    nodes = size[0] + size[1];
    placement.assign(nodes, EMPTY_SLOT);

    // 1. One legal placement per slot.
    for (int side = 0; side < files; side++)
      TbForEachPlacement(shape, side, nullptr, [&](const TbPlacement &p) {
        uint32_t index = TbIndex(shape, side, p.first, p.second, p.ep, false);
        if (index == TB_NO_INDEX || index >= size[side]) {
          error("placement without an index");
          return;
        }
        uint32_t &slot = placement[nodeOf(side, index)];
        if (slot == EMPTY_SLOT) slot = pack(shape, p);
      });

    // 2. Moves of every placement.
    value.assign(nodes, ILLEGAL);
    exitWin.assign(nodes, 0);
    exitLoss.assign(nodes, 0);
    noLoss.assign(nodes, 0);
    // The moves inside the table go to a scratch file (they are needed
    // once, to build the predecessor lists) so that the successor and
    // predecessor lists never take memory at the same time.
    std::vector<uint8_t> count(nodes, 0);
    std::vector<uint32_t> predecessorStart(nodes + 1, 0);  // first counts, then the lists' ends
    std::FILE *scratch = std::tmpfile();
    if (!scratch) {
      error("no scratch file");
      return false;
    }
    uint64_t edgeCount = 0;
    Progress progress((std::string(name) + ": moves").c_str(), quiet);
    for (uint64_t n = 0; n < nodes; n++) {
      if ((n & 0xFFFF) == 0) progress.step(n, nodes);
      if (placement[n] == EMPTY_SLOT) continue;
      const int side = n < size[0] ? 0 : 1;
      std::string fen = fenOf(shape, side, placement[n]);
      if (setupFromFen(fen.c_str()) != FEN_OK) {
        error("engine refuses " + fen);
        continue;
      }
      value[n] = UNKNOWN;
      int legal = 0;
      edges.clear();
      generateMoves();
      const int first = moveListStart[pos.searchPly], last = moveListStart[pos.searchPly + 1];
      for (int i = first; i < last; i++) {
        if (!makeMove(moveStack[i].move)) continue;
        legal++;
        successor(known, n, fen);
        unmakeMove();
      }
      if (!legal) value[n] = inCheck() ? 0 : DRAW;
      count[n] = uint8_t(edges.size());
      for (uint32_t target : edges) predecessorStart[target]++;
      edgeCount += edges.size();
      if (!edges.empty() && std::fwrite(edges.data(), sizeof edges[0], edges.size(), scratch) != edges.size()) {
        error("scratch file full");
        std::fclose(scratch);
        return false;
      }
    }
    progress.step(nodes, nodes, true);
    if (!quiet) std::fprintf(stderr, "\n");
    placement = std::vector<uint32_t>();

    // 3. Predecessor lists.  predecessorStart[t] starts as the end of t's
    // list and moves down to its start while the list fills.
    for (uint64_t n = 1; n < nodes; n++) predecessorStart[n] += predecessorStart[n - 1];
    predecessorStart[nodes] = uint32_t(edgeCount);
    std::vector<uint32_t> predecessors(edgeCount);
    std::rewind(scratch);
    for (uint64_t n = 0; n < nodes; n++) {
      edges.resize(count[n]);
      if (count[n] && std::fread(edges.data(), sizeof edges[0], count[n], scratch) != count[n]) {
        error("scratch file unreadable");
        std::fclose(scratch);
        return false;
      }
      for (uint32_t target : edges) predecessors[--predecessorStart[target]] = uint32_t(n);
    }
    std::fclose(scratch);
    edges = std::vector<uint32_t>();

    // 4. Level by level.  pending[d] holds nodes whose value d comes from
    // captures or promotions alone.
    std::vector<std::vector<uint32_t>> pending(MAX_PLIES + 2);
    std::vector<uint32_t> frontier, next;
    int lastPending = 0;
    auto postpone = [&](int level, uint32_t n) {
      pending[level].push_back(n);
      if (level > lastPending) lastPending = level;
    };
    for (uint64_t n = 0; n < nodes; n++) {
      if (value[n] == 0) frontier.push_back(uint32_t(n));
      if (value[n] != UNKNOWN) continue;
      if (exitWin[n]) postpone(exitWin[n], uint32_t(n));
      else if (count[n] == 0 && !noLoss[n]) postpone(exitLoss[n], uint32_t(n));
    }
    for (int d = 0; d <= MAX_PLIES; d++) {
      for (uint32_t n : pending[d])
        if (value[n] == UNKNOWN) value[n] = int16_t(d), frontier.push_back(n);
      pending[d] = std::vector<uint32_t>();
      next.clear();
      for (uint32_t n : frontier)
        for (uint32_t i = predecessorStart[n]; i < predecessorStart[n + 1]; i++) {
          uint32_t p = predecessors[i];
          if (value[p] != UNKNOWN) continue;
          if (!(d & 1)) {
            value[p] = int16_t(d + 1);  // a move to a lost position wins
            next.push_back(p);
          } else if (!noLoss[p] && --count[p] == 0) {
            // Every move inside the table loses; the exits may lose later.
            if (exitLoss[p] <= d + 1) {
              value[p] = int16_t(d + 1);
              next.push_back(p);
            } else {
              postpone(exitLoss[p], p);
            }
          }
        }
      if (d % 8 == 0 && !quiet)
        std::fprintf(stderr, "\r  %s: level %3d, %10zu found   ", name, d, frontier.size());
      frontier.swap(next);
      if (frontier.empty() && d >= lastPending) break;
    }
    if (!quiet) std::fprintf(stderr, "\n");
    for (int side = 0; side < files; side++)
      for (uint64_t i = 0; i < size[side]; i++) {
        int16_t v = value[nodeOf(side, uint32_t(i))];
        out[side][i] = encode(v == UNKNOWN ? DRAW : v);
      }
    return errors == 0;
  }

  // Records the move just made from node n.
  void successor(const KnownTables &known, uint64_t n, const std::string &fen) {
    TbLocation where;
    if (!TbLocate(&where)) {
      if (popCount(pos.occupied) == 2) {
        noLoss[n] = 1;  // two bare kings
        return;
      }
      error("no table after a move from " + fen);
      return;
    }
    if (where.id == id) {
      uint64_t target = nodeOf(where.side, where.index);
      if (where.index >= size[where.side] || placement[target] == EMPTY_SLOT) {
        error("a move leaves the legal slots from " + fen);
        return;
      }
      edges.push_back(uint32_t(target));
      return;
    }
    if (!known.known[where.id]) {
      error(std::string("table ") + tbTableNames[where.id] + " is needed first");
      return;
    }
    const std::vector<int8_t> &bytes = known.bytes[where.id][where.side];
    if (where.index >= bytes.size()) {
      error("index past a smaller table");
      return;
    }
    int16_t v = decode(bytes[where.index]);
    if (v == ILLEGAL) {
      error("a move reaches an empty slot of " + std::string(tbTableNames[where.id]) + " from " + fen);
    } else if (v == DRAW) {
      noLoss[n] = 1;
    } else if (isLoss(v)) {
      int level = v + 1;
      if (!exitWin[n] || level < exitWin[n]) exitWin[n] = uint8_t(level);
      noLoss[n] = 1;
      if (level > maxExitLevel) maxExitLevel = level;
    } else {
      int level = v + 1;
      if (level > MAX_PLIES) level = MAX_PLIES + 1;
      if (level > exitLoss[n]) exitLoss[n] = uint8_t(level);
      if (level > maxExitLevel) maxExitLevel = level;
    }
  }
};

}  // namespace tbsolver
