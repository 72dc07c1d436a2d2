// Retrograde solver for king and pawn (optionally with a bishop) against a
// bare king, shared by the bitbase generator and the checks of the tables.
//
// White is always the strong side.  Squares follow the engine's numbering
// (h1 = 0, file index 0 = the h-file, a pawn moves up by 8).  A state is
// (side to move, white king, black king, bishop square, pawn square); the
// solver marks every legal state that White wins with best play.  Wins are
// found backwards from the positions where White promotes safely or mates:
// a state with White to move is won when one White move reaches a won state,
// a state with Black to move when every Black move does (each Black state
// keeps a count of its moves not yet known to lose).
//
// Promotion is scored directly, with Black to move after it: Black mated
// wins, Black stalemated draws, Black able to take the new piece draws (a
// bare king or king and bishop remain).  Otherwise a new queen or rook wins.
// A new knight, or a new bishop on the other colour than the bishop already
// on the board, is counted as a win too (king, bishop and knight, and the
// two bishops, win except for immediate accidents); a new bishop of the same
// colour, or a minor piece without a bishop beside it, draws.  Those minor
// promotions matter only when both a queen and a rook would stalemate; the
// generous reading can only turn a draw into a win, never the reverse.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace bitbase {

inline int rankOf(int s) { return s >> 3; }
inline int fileOf(int s) { return s & 7; }
inline int distance(int a, int b) {
  int dr = rankOf(a) - rankOf(b), df = fileOf(a) - fileOf(b);
  if (dr < 0) dr = -dr;
  if (df < 0) df = -df;
  return dr > df ? dr : df;
}
inline uint64_t bit(int s) { return uint64_t(1) << s; }
// Colour of a square: 0 for h1's colour, 1 for a1's.
inline int squareColour(int s) { return ((s >> 3) ^ s) & 1; }

inline uint64_t kingAttacks(int s) {
  uint64_t b = 0;
  for (int dr = -1; dr <= 1; dr++)
    for (int df = -1; df <= 1; df++) {
      int r = rankOf(s) + dr, f = fileOf(s) + df;
      if ((dr || df) && r >= 0 && r < 8 && f >= 0 && f < 8) b |= bit(r * 8 + f);
    }
  return b;
}

inline uint64_t knightAttacks(int s) {
  static const int steps[8][2] = {{2, 1}, {2, -1}, {-2, 1}, {-2, -1}, {1, 2}, {1, -2}, {-1, 2}, {-1, -2}};
  uint64_t b = 0;
  for (const auto &st : steps) {
    int r = rankOf(s) + st[0], f = fileOf(s) + st[1];
    if (r >= 0 && r < 8 && f >= 0 && f < 8) b |= bit(r * 8 + f);
  }
  return b;
}

inline uint64_t slide(int s, uint64_t occupied, const int (*steps)[2], int count) {
  uint64_t b = 0;
  for (int i = 0; i < count; i++) {
    int r = rankOf(s), f = fileOf(s);
    for (;;) {
      r += steps[i][0];
      f += steps[i][1];
      if (r < 0 || r > 7 || f < 0 || f > 7) break;
      b |= bit(r * 8 + f);
      if (occupied & bit(r * 8 + f)) break;
    }
  }
  return b;
}

inline uint64_t bishopAttacks(int s, uint64_t occupied) {
  static const int steps[4][2] = {{1, 1}, {1, -1}, {-1, 1}, {-1, -1}};
  return slide(s, occupied, steps, 4);
}

inline uint64_t rookAttacks(int s, uint64_t occupied) {
  static const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
  return slide(s, occupied, steps, 4);
}

// Squares a white pawn on s attacks.
inline uint64_t pawnAttacks(int s) {
  uint64_t b = 0;
  if (s >= 56) return 0;
  if (fileOf(s) > 0) b |= bit(s + 7);
  if (fileOf(s) < 7) b |= bit(s + 9);
  return b;
}

constexpr int NONE = 64;
enum PromotionPiece { PROMOTE_KNIGHT, PROMOTE_BISHOP, PROMOTE_ROOK, PROMOTE_QUEEN };

// The result of a promotion on q with Black to move, White keeping its king
// on wk and its bishop on bs (NONE without one).
inline bool promotionWins(int wk, int bk, int bs, int q, PromotionPiece piece) {
  uint64_t occupied = bit(wk) | bit(bk) | bit(q) | (bs != NONE ? bit(bs) : 0);
  uint64_t throughKing = occupied & ~bit(bk);  // the king cannot hide behind itself on a line
  auto pieceAttacks = [&](uint64_t occ) -> uint64_t {
    switch (piece) {
      case PROMOTE_KNIGHT: return knightAttacks(q);
      case PROMOTE_BISHOP: return bishopAttacks(q, occ);
      case PROMOTE_ROOK: return rookAttacks(q, occ);
      default: return bishopAttacks(q, occ) | rookAttacks(q, occ);
    }
  };
  uint64_t bishopCover = bs != NONE ? bishopAttacks(bs, throughKing) : 0;
  uint64_t covered = kingAttacks(wk) | pieceAttacks(throughKing) | bishopCover;
  bool inCheck = (pieceAttacks(occupied) | (bs != NONE ? bishopAttacks(bs, occupied) : 0)) & bit(bk);
  // Defence of the new piece and of the bishop: a piece never guards itself.
  bool newPieceGuarded = (kingAttacks(wk) | bishopCover) & bit(q);
  bool bishopGuarded = bs != NONE && ((kingAttacks(wk) | pieceAttacks(throughKing)) & bit(bs));
  int moves = 0;
  bool takesNewPiece = false, takesBishop = false;
  uint64_t targets = kingAttacks(bk);
  while (targets) {
    int t = __builtin_ctzll(targets);
    targets &= targets - 1;
    if (t == wk) continue;
    if (t == q) {
      if (!newPieceGuarded) moves++, takesNewPiece = true;
    } else if (t == bs) {
      if (!bishopGuarded) moves++, takesBishop = true;
    } else if (!(covered & bit(t))) {
      moves++;
    }
  }
  if (moves == 0) return inCheck;
  if (takesNewPiece) return false;
  bool major = piece == PROMOTE_QUEEN || piece == PROMOTE_ROOK;
  if (takesBishop) return major;  // king and queen or rook against king
  if (major) return true;
  if (bs == NONE) return false;
  return piece == PROMOTE_KNIGHT || squareColour(bs) != squareColour(q);
}

// Solver over the states with the pawn on the given squares (ranks 2..7),
// with or without a bishop.  kpk must hold the solved king-and-pawn table
// when a bishop is present (Black taking the bishop leads there).
class Solver {
 public:
  Solver(bool withBishop, const std::vector<int> &pawnSquares, const Solver *kpk = nullptr)
      : withBishop_(withBishop), pawnSquares_(pawnSquares), kpk_(kpk) {
    for (int s = 0; s < 64; s++) pawnSlot_[s] = -1;
    for (size_t i = 0; i < pawnSquares.size(); i++) pawnSlot_[pawnSquares[i]] = int(i);
    bishopCount_ = withBishop ? 64 : 1;
    size_t n = size_t(2) * 64 * 64 * bishopCount_ * pawnSquares.size();
    won_.assign(n, 0);
    pending_.assign(n, 0);
  }

  // Whether (t, wk, bk, bs, ps) is a legal state of this solver.
  bool legal(int t, int wk, int bk, int bs, int ps) const {
    if (ps < 0 || ps > 63 || pawnSlot_[ps] < 0) return false;
    if (wk == bk || wk == ps || bk == ps || distance(wk, bk) < 2) return false;
    if (withBishop_ && (bs == NONE || bs == wk || bs == bk || bs == ps)) return false;
    if (!withBishop_ && bs != NONE) return false;
    // With White to move, Black must not be in check.
    if (t == 0 && blackInCheck(wk, bk, bs, ps)) return false;
    return true;
  }

  bool whiteWins(int t, int wk, int bk, int bs, int ps) const {
    return legal(t, wk, bk, bs, ps) && won_[index(t, wk, bk, bs, ps)];
  }

  void solve() {
    std::vector<uint32_t> queue;
    queue.reserve(won_.size() / 4);
    forEachState([&](int t, int wk, int bk, int bs, int ps) {
      size_t i = index(t, wk, bk, bs, ps);
      if (t == 0) {
        if (promotesAndWins(wk, bk, bs, ps)) markWon(i, queue);
      } else {
        initialiseBlackState(i, wk, bk, bs, ps, queue);
      }
    });
    for (size_t head = 0; head < queue.size(); head++) {
      int t, wk, bk, bs, ps;
      decode(queue[head], t, wk, bk, bs, ps);
      if (t == 1)
        propagateToWhite(wk, bk, bs, ps, queue);
      else
        propagateToBlack(wk, bk, bs, ps, queue);
    }
  }

 private:
  static constexpr uint8_t NEVER = 255;  // a Black state with a drawing move

  bool withBishop_;
  std::vector<int> pawnSquares_;
  const Solver *kpk_;
  int pawnSlot_[64];
  int bishopCount_;
  std::vector<uint8_t> won_;
  std::vector<uint8_t> pending_;  // Black states: moves not yet known to lose

  size_t index(int t, int wk, int bk, int bs, int ps) const {
    size_t i = (size_t(t) * 64 + wk) * 64 + bk;
    i = i * bishopCount_ + (withBishop_ ? bs : 0);
    return i * pawnSquares_.size() + pawnSlot_[ps];
  }

  void decode(uint32_t i, int &t, int &wk, int &bk, int &bs, int &ps) const {
    ps = pawnSquares_[i % pawnSquares_.size()];
    i /= uint32_t(pawnSquares_.size());
    bs = withBishop_ ? int(i % 64) : NONE;
    i /= bishopCount_;
    bk = int(i % 64);
    i /= 64;
    wk = int(i % 64);
    t = int(i / 64);
  }

  template <typename F>
  void forEachState(F f) const {
    for (int t = 0; t < 2; t++)
      for (int wk = 0; wk < 64; wk++)
        for (int bk = 0; bk < 64; bk++)
          for (int bs = withBishop_ ? 0 : NONE; bs < (withBishop_ ? 64 : NONE + 1); bs++)
            for (int ps : pawnSquares_)
              if (legal(t, wk, bk, bs, ps)) f(t, wk, bk, bs, ps);
  }

  static uint64_t occupancy(int wk, int bk, int bs, int ps) {
    return bit(wk) | bit(bk) | bit(ps) | (bs != NONE ? bit(bs) : 0);
  }

  static bool blackInCheck(int wk, int bk, int bs, int ps) {
    if (pawnAttacks(ps) & bit(bk)) return true;
    return bs != NONE && (bishopAttacks(bs, occupancy(wk, bk, bs, ps)) & bit(bk));
  }

  void markWon(size_t i, std::vector<uint32_t> &queue) {
    if (won_[i]) return;
    won_[i] = 1;
    queue.push_back(uint32_t(i));
  }

  bool promotesAndWins(int wk, int bk, int bs, int ps) const {
    if (rankOf(ps) != 6) return false;
    int q = ps + 8;
    if (q == wk || q == bk || q == bs) return false;
    for (PromotionPiece piece : {PROMOTE_QUEEN, PROMOTE_ROOK, PROMOTE_BISHOP, PROMOTE_KNIGHT})
      if (promotionWins(wk, bk, bs, q, piece)) return true;
    return false;
  }

  void initialiseBlackState(size_t i, int wk, int bk, int bs, int ps, std::vector<uint32_t> &queue) {
    uint64_t occupied = occupancy(wk, bk, bs, ps);
    uint64_t throughKing = occupied & ~bit(bk);
    uint64_t bishopCover = bs != NONE ? bishopAttacks(bs, throughKing) : 0;
    uint64_t covered = kingAttacks(wk) | pawnAttacks(ps) | bishopCover;
    int moves = 0, pending = 0;
    bool drawingMove = false;
    uint64_t targets = kingAttacks(bk) & ~covered;
    while (targets) {
      int t = __builtin_ctzll(targets);
      targets &= targets - 1;
      moves++;
      if (t == ps) {
        drawingMove = true;  // a bare king, or king and bishop, remains
      } else if (t == bs) {
        // The bishop is not covered: White is left with king and pawn.
        if (!kpk_->whiteWins(0, wk, t, NONE, ps)) drawingMove = true;
      } else {
        pending++;
      }
    }
    if (moves == 0) {
      pending_[i] = NEVER;
      if (blackInCheck(wk, bk, bs, ps)) markWon(i, queue);
      return;
    }
    pending_[i] = drawingMove ? NEVER : uint8_t(pending);
    if (!drawingMove && pending == 0) markWon(i, queue);
  }

  // A state with Black to move is won: every White move leading to it wins.
  void propagateToWhite(int wk, int bk, int bs, int ps, std::vector<uint32_t> &queue) {
    uint64_t occupied = occupancy(wk, bk, bs, ps);
    auto reach = [&](int nwk, int nbs, int nps) {
      if (legal(0, nwk, bk, nbs, nps)) markWon(index(0, nwk, bk, nbs, nps), queue);
    };
    // The king came from a neighbouring empty square.
    uint64_t from = kingAttacks(wk) & ~occupied & ~kingAttacks(bk);
    while (from) {
      int s = __builtin_ctzll(from);
      from &= from - 1;
      reach(s, bs, ps);
    }
    // The bishop came along a diagonal over empty squares.
    if (bs != NONE) {
      uint64_t back = bishopAttacks(bs, occupied) & ~occupied;
      while (back) {
        int s = __builtin_ctzll(back);
        back &= back - 1;
        reach(wk, s, ps);
      }
    }
    // The pawn came from one square below, or two from its starting rank.
    int below = ps - 8;
    if (rankOf(ps) >= 2 && !(occupied & bit(below))) {
      reach(wk, bs, below);
      if (rankOf(ps) == 3 && !(occupied & bit(below - 8))) reach(wk, bs, below - 8);
    }
  }

  // A state with White to move is won: one more of Black's moves from each
  // predecessor is known to lose.
  void propagateToBlack(int wk, int bk, int bs, int ps, std::vector<uint32_t> &queue) {
    uint64_t occupied = occupancy(wk, bk, bs, ps);
    uint64_t from = kingAttacks(bk) & ~occupied & ~kingAttacks(wk);
    while (from) {
      int s = __builtin_ctzll(from);
      from &= from - 1;
      if (!legal(1, wk, s, bs, ps)) continue;
      size_t i = index(1, wk, s, bs, ps);
      if (won_[i] || pending_[i] == NEVER) continue;
      if (--pending_[i] == 0) markWon(i, queue);
    }
  }
};

inline std::vector<int> allPawnSquares() {
  std::vector<int> squares;
  for (int s = 8; s < 56; s++) squares.push_back(s);
  return squares;
}

// Pawns on the h- and a-files, ranks 2..7.
inline std::vector<int> rookPawnSquares() {
  std::vector<int> squares;
  for (int r = 1; r < 7; r++) {
    squares.push_back(r * 8);
    squares.push_back(r * 8 + 7);
  }
  return squares;
}

// kpkBitbase layout: byte ((t * 64 + k) * 64 + d) * 8 + pawn rank, bit =
// pawn file; set = draw.  Placements that cannot occur stay 0.
inline std::vector<uint8_t> packKpk(const Solver &kpk) {
  std::vector<uint8_t> table(65536, 0);
  for (int t = 0; t < 2; t++)
    for (int k = 0; k < 64; k++)
      for (int d = 0; d < 64; d++)
        for (int p = 8; p < 56; p++)
          if (kpk.legal(t, k, d, NONE, p) && !kpk.whiteWins(t, k, d, NONE, p))
            table[((t * 64 + k) * 64 + d) * 8 + rankOf(p)] |= uint8_t(1 << fileOf(p));
  return table;
}

// rookPawnBishopBitbase layout: byte (((t * 64 + k) * 64 + d) * 2 + bc) * 2
// + a (a = 1 for the a-file pawn), bit = pawn rank; set = draw.
//
// The table keeps only the colour of the bishop's square.  A bit is set only
// when the position is drawn for every square of that colour the bishop can
// legally stand on (not occupied, and not giving check with White to move),
// and at least one such square exists.  So a set bit is a draw wherever the
// bishop stands, and a position White wins is never marked drawn; positions
// whose result depends on the bishop's exact square (it can be taken, it
// blocks its own king, ...) read as wins and are left to the search.
inline std::vector<uint8_t> packRookPawnBishop(const Solver &kbpk) {
  std::vector<uint8_t> table(32768, 0);
  for (int t = 0; t < 2; t++)
    for (int k = 0; k < 64; k++)
      for (int d = 0; d < 64; d++)
        for (int p : rookPawnSquares()) {
          bool anyLegal[2] = {false, false}, anyWin[2] = {false, false};
          for (int b = 0; b < 64; b++) {
            if (!kbpk.legal(t, k, d, b, p)) continue;
            anyLegal[squareColour(b)] = true;
            if (kbpk.whiteWins(t, k, d, b, p)) anyWin[squareColour(b)] = true;
          }
          for (int bc = 0; bc < 2; bc++)
            if (anyLegal[bc] && !anyWin[bc])
              table[(((t * 64 + k) * 64 + d) * 2 + bc) * 2 + (fileOf(p) & 1)] |= uint8_t(1 << rankOf(p));
        }
  return table;
}

}  // namespace bitbase
