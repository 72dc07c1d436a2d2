// The key constants.  The first key of each of the twelve piece blocks is
// fixed; the rest come from a fixed-seed generator evaluated at compile time,
// so every build carries the same values.
#include "position/keys.h"

#include <array>

const HashKey castleKey[16] = {
    0x2B25D16C85662B7BULL, 0xE61AE869ACBAE00EULL, 0x54B74809B70E27A2ULL, 0x8C1DB7502FB40E0CULL,
    0xA170FD26CF443927ULL, 0x1759B8D708185EAFULL, 0x6985D9917DCECAB7ULL, 0x862325EA88C9DAF4ULL,
    0x4F6AB557B3B0823FULL, 0x1B1276B640EDCA17ULL, 0x34D6A9C5A22F4C1CULL, 0x57F864A801E8B895ULL,
    0x37BC0F67BAD050ECULL, 0xFBECE86E2D606C2CULL, 0xBB537F0CAD58F78AULL, 0x07423BF4233AEFD9ULL,
};

const HashKey epKey[64] = {
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,  //
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,  //
    0x225E31C5DA59F05CULL,
    0xDF1ABE0578F2CFB0ULL,
    0xAAC560E9DA7FAD6FULL,
    0xB591737ECD7D4C85ULL,
    0xA4722635CA4E81C0ULL,
    0x125EFC628417B512ULL,
    0x0ED4B3BD5C016492ULL,
    0x9750B6E2ECFB9F79ULL,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,  //
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,  //
    0x26D7D4D280148CE6ULL,
    0x236F617296A4E31DULL,
    0x6CA50A0963C27102ULL,
    0xD307C6C54FCD96A0ULL,
    0x9FAA73B575E6C9A7ULL,
    0x08A325CD267111E7ULL,
    0xBE90D7D7619A8BD8ULL,
    0x610ED4BF6BCCE914ULL,
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,  //
    0,
    0,
    0,
    0,
    0,
    0,
    0,
    0,  //
};

namespace {

constexpr HashKey blockFirstKey[12] = {
    0x1CB4556AD7B8CC72ULL, 0x2410D5E190369275ULL, 0x7B3CA42758446707ULL, 0x2338C33E31E34D2AULL,
    0x1B0333241A1143DCULL, 0x639FF2DB12CF481FULL, 0xFA0B01611B1E5EF1ULL, 0xE24761B733FC8353ULL,
    0x1A5310DE5C6AB946ULL, 0xA22E10D49469FFC8ULL, 0x79DA5F9BDDF754DBULL, 0xA156FE313515BA7DULL,
};

constexpr std::array<HashKey, 768> buildPieceKeys() {
  std::array<HashKey, 768> keys{};
  HashKey state = 0x5652304E2D4B4559ULL;  // fixed seed
  for (int i = 0; i < 768; i++) {
    if (i % 64 == 0) {
      keys[i] = blockFirstKey[i / 64];
      continue;
    }
    // splitmix64
    HashKey z;
    do {
      state += 0x9E3779B97F4A7C15ULL;
      z = state;
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
      z ^= z >> 31;
    } while (z == 0);
    keys[i] = z;
  }
  return keys;
}

}  // namespace

constinit const std::array<HashKey, 768> pieceKey = buildPieceKeys();
