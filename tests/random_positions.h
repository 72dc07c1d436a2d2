// Deterministic sources of test positions: the standard perft positions and
// random legal playouts from them with a fixed-seed generator, so every run
// (and every machine) sees the same positions.
#pragma once

#include <cctype>
#include <cstdint>
#include <sstream>

#include "position/perft.h"
#include "test_support.h"

namespace test {

inline const char *const perftFens[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq -",
    "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ -",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ -",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - -",
};
constexpr int perftFenCount = sizeof(perftFens) / sizeof(perftFens[0]);

// Checks the perft count of each standard position, {depth, nodes} in the
// order of perftFens.
inline void expectPerftCounts(const std::pair<int, uint64_t> (&counts)[perftFenCount]) {
  for (int i = 0; i < perftFenCount; i++) {
    setUp(perftFens[i]);
    EXPECT_EQ(perft(counts[i].first), counts[i].second) << perftFens[i] << " depth " << counts[i].first;
  }
}

// xorshift64*: small, fast and identical everywhere (unlike the standard
// library's distributions).
struct Rng {
  uint64_t state;
  explicit Rng(uint64_t seed) : state(seed ? seed : 1) {}
  uint64_t next() {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1DULL;
  }
  int below(int n) { return int((next() >> 33) % uint64_t(n)); }
};

// The position as FEN text without the move counters (for failure messages).
inline std::string positionFen() {
  std::string fen;
  for (int rank = 7; rank >= 0; rank--) {
    int empty = 0;
    for (int file = 7; file >= 0; file--) {
      const int w = pos.board[rank * 8 + file];
      if (w == EMPTY) {
        empty++;
        continue;
      }
      if (empty) fen += char('0' + empty);
      empty = 0;
      const char letter = "pnbrqk"[wordType(w)];
      fen += wordColour(w) == WHITE ? char(letter - 32) : letter;
    }
    if (empty) fen += char('0' + empty);
    if (rank) fen += '/';
  }
  std::string rights;
  for (int i = 0; i < 4; i++)
    if (pos.castleRights & (1 << i)) rights += "KQkq"[i];
  const std::string ep = pos.epSquare >= 0 ? std::string{fileLetter(pos.epSquare), rankDigit(pos.epSquare)} : "-";
  return fen + (pos.sideToMove == WHITE ? " w " : " b ") + (rights.empty() ? "-" : rights) + ' ' + ep;
}

// The colour-flipped mirror of a FEN: ranks reversed, colours, side to move
// and castling rights exchanged, the en passant square mirrored.
inline std::string mirroredFen(const std::string &fen) {
  auto swapCase = [](std::string text) {
    for (char &c : text) c = std::isupper((unsigned char)c) ? char(std::tolower(c)) : char(std::toupper(c));
    return text;
  };
  std::istringstream fields(fen);
  std::string board, side, castling = "-", ep = "-", mirrored;
  fields >> board >> side >> castling >> ep;
  std::istringstream ranks(board);
  for (std::string rank; std::getline(ranks, rank, '/');)
    mirrored = mirrored.empty() ? swapCase(rank) : swapCase(rank) + '/' + mirrored;
  if (ep != "-") ep[1] = char('1' + '8' - ep[1]);
  return mirrored + (side == "w" ? " b " : " w ") + swapCase(castling) + ' ' + ep;
}

// Sets up one of the perft positions and plays up to `plies` random legal
// moves from it (fewer when the game ends on the way).  The search ply is
// left at 0, so the caller can generate and make moves as a search would.
inline void randomPlayout(Rng &rng, int plies) {
  setUp(perftFens[rng.below(perftFenCount)]);
  for (int i = 0; i < plies; i++) {
    std::vector<Move> moves = legalMoves();
    if (moves.empty()) break;
    makeMove(moves[rng.below(int(moves.size()))]);
    // The playout is game history, not search: keep the move lists at ply 0.
    pos.searchPly = 0;
  }
  moveListStart[0] = 0;
}

}  // namespace test
