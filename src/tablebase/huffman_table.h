// Decoding tables for the canonical Huffman codes of ".emd" files.
//
// A code is given by its code lengths (0 = symbol unused, at most 31); codes
// of one length are handed out in increasing symbol order after all shorter
// ones, as deflate does.  The table looks at the next `IndexBits` bits: a
// code of at most that length is found in one lookup; a longer one leads to
// a small binary tree that is walked one bit at a time.
#pragma once

#include <cstdint>
#include <cstring>

#include "tablebase/compressed_format.h"

namespace emd {

template <int IndexBits, int MaxSymbols>
struct DecodeTable {
  // An entry is a leaf (symbol and the bits it takes), a link to a tree node,
  // or 0: no code starts that way (only in an empty table).
  static constexpr uint32_t leafFlag = 0x80000000u;
  static constexpr uint32_t linkFlag = 0x40000000u;

  uint32_t direct[1 << IndexBits];
  // Node k's children are links[2k] (bit 0) and links[2k + 1] (bit 1).  A
  // tree below one index has one node fewer than leaves, so MaxSymbols nodes
  // are always enough.
  uint32_t links[2 * MaxSymbols];
  int nodeCount;

  // False when a length exceeds 31, a single code is not of length 1, or the
  // lengths do not describe a complete prefix code.
  bool build(const uint8_t *lengths, int symbols) {
    std::memset(direct, 0, sizeof direct);
    std::memset(links, 0, sizeof links);
    nodeCount = 0;
    if (symbols > MaxSymbols) return false;
    uint64_t lengthCount[maxCodeLength + 1] = {};
    int used = 0, lastUsed = 0;
    for (int s = 0; s < symbols; ++s) {
      if (lengths[s] > maxCodeLength) return false;
      if (lengths[s]) ++used, lastUsed = s;
      ++lengthCount[lengths[s]];
    }
    if (used == 0) return true;
    if (used == 1) {
      // The one symbol is decoded without reading any bit.
      if (lengths[lastUsed] != 1) return false;
      for (uint32_t &entry : direct) entry = leafFlag | uint32_t(lastUsed);
      return true;
    }
    uint64_t kraft = 0;
    for (int length = 1; length <= maxCodeLength; ++length)
      kraft += lengthCount[length] << (maxCodeLength - length);
    if (kraft != uint64_t(1) << maxCodeLength) return false;

    uint64_t nextCode[maxCodeLength + 2] = {};
    for (int length = 2; length <= maxCodeLength; ++length)
      nextCode[length] = (nextCode[length - 1] + lengthCount[length - 1]) << 1;
    for (int s = 0; s < symbols; ++s) {
      const int length = lengths[s];
      if (!length) continue;
      const uint64_t code = nextCode[length]++;
      if (length <= IndexBits) {
        const uint64_t first = code << (IndexBits - length);
        const uint64_t last = (code + 1) << (IndexBits - length);
        for (uint64_t i = first; i < last; ++i) direct[i] = leafFlag | uint32_t(length) << 16 | uint32_t(s);
        continue;
      }
      uint32_t *slot = &direct[code >> (length - IndexBits)];
      for (int bit = length - IndexBits - 1; bit >= 0; --bit) {
        if (*slot == 0) {
          if (nodeCount >= MaxSymbols) return false;
          *slot = linkFlag | uint32_t(nodeCount++);
        } else if (*slot & leafFlag) {
          return false;
        }
        slot = &links[2 * (*slot & 0xFFFF) + ((code >> bit) & 1)];
      }
      if (*slot) return false;
      *slot = leafFlag | uint32_t(s);
    }
    return true;
  }

  // The next symbol, or -1 when the bits match no code.
  int decode(BitReader &bits) const {
    uint32_t entry = direct[bits.peek(IndexBits)];
    if (entry & leafFlag) {
      bits.skip(int(entry >> 16 & 63));
      return int(entry & 0xFFFF);
    }
    if (!(entry & linkFlag)) return -1;
    bits.skip(IndexBits);
    for (int depth = IndexBits; depth < maxCodeLength; ++depth) {
      entry = links[2 * (entry & 0xFFFF) + bits.take(1)];
      if (entry & leafFlag) return int(entry & 0xFFFF);
      if (!(entry & linkFlag)) return -1;
    }
    return -1;
  }
};

}  // namespace emd
