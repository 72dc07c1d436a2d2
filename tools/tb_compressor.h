// The writing side of the ".emd" format, shared by vorn-tb-compress and the
// tests of the reader.
//
// A file is assembled from a FileImage (exponent, distances, code lengths and
// the already packed blocks), so tests can build broken files piece by piece;
// compress() fills an image from plain bytes: it picks the 24 match distances
// from the data, parses each block greedily into literals and matches at those
// distances, builds one length-limited Huffman code for the whole file, and
// stores a block as it is when packing does not make it shorter.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <queue>
#include <vector>

#include "tablebase/compressed_format.h"

namespace tbcompress {

// Writes bit fields most significant bit first.
struct BitWriter {
  std::vector<uint8_t> bytes;
  uint64_t pending = 0;
  int pendingBits = 0;
  uint64_t bitCount = 0;

  void put(uint32_t value, int bits) {
    if (bits <= 0) return;
    pending = pending << bits | (bits == 32 ? value : value & ((uint32_t(1) << bits) - 1));
    pendingBits += bits;
    bitCount += uint64_t(bits);
    while (pendingBits >= 8) {
      pendingBits -= 8;
      bytes.push_back(uint8_t(pending >> pendingBits));
    }
    pending &= (uint64_t(1) << pendingBits) - 1;
  }
  // Pads the last byte with zero bits.
  std::vector<uint8_t> finish() {
    if (pendingBits) put(0, 8 - pendingBits);
    return bytes;
  }
};

// Huffman code lengths for the given symbol counts, none longer than `limit`.
// When the tree grows too deep the counts are halved (keeping every used
// symbol) and the tree is built again.
inline std::vector<uint8_t> codeLengths(std::vector<uint64_t> counts, int limit) {
  const int n = int(counts.size());
  std::vector<uint8_t> lengths(n, 0);
  int used = 0;
  for (uint64_t c : counts) used += c != 0;
  if (used == 0) return lengths;
  if (used == 1) {
    for (int s = 0; s < n; ++s)
      if (counts[s]) lengths[s] = 1;
    return lengths;
  }
  for (;;) {
    using Item = std::pair<uint64_t, int>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    std::vector<int> parent(2 * n, -1);
    for (int s = 0; s < n; ++s)
      if (counts[s]) queue.push({counts[s], s});
    int next = n;
    while (queue.size() > 1) {
      Item a = queue.top();
      queue.pop();
      Item b = queue.top();
      queue.pop();
      parent[a.second] = parent[b.second] = next;
      queue.push({a.first + b.first, next++});
    }
    int longest = 0;
    for (int s = 0; s < n; ++s) {
      if (!counts[s]) continue;
      int depth = 0;
      for (int node = s; parent[node] >= 0; node = parent[node]) ++depth;
      lengths[s] = uint8_t(std::min(depth, 255));
      longest = std::max(longest, depth);
    }
    if (longest <= limit) return lengths;
    for (uint64_t &c : counts)
      if (c) c = (c >> 1) | 1;
  }
}

// The canonical code for a list of lengths; a code with one symbol takes no
// bits at all.
struct CanonicalCode {
  std::vector<uint32_t> codes;
  std::vector<uint8_t> lengths;
  bool single = false;

  CanonicalCode(const uint8_t *lengthList, int n) : codes(n, 0), lengths(lengthList, lengthList + n) {
    uint64_t count[emd::maxCodeLength + 2] = {};
    int used = 0;
    for (int s = 0; s < n; ++s)
      if (lengths[s] && lengths[s] <= emd::maxCodeLength) ++count[lengths[s]], ++used;
    single = used == 1;
    uint64_t next[emd::maxCodeLength + 2] = {};
    for (int length = 2; length <= emd::maxCodeLength; ++length) next[length] = (next[length - 1] + count[length - 1]) << 1;
    for (int s = 0; s < n; ++s)
      if (lengths[s] && lengths[s] <= emd::maxCodeLength) codes[s] = uint32_t(next[lengths[s]]++);
  }
  void write(BitWriter &out, int symbol) const {
    if (!single) out.put(codes[symbol], lengths[symbol]);
  }
};

// One symbol of a stream with its extra bits.
struct Token {
  uint16_t symbol;
  uint8_t extraBits;
  uint32_t extra;
};

inline Token literalToken(uint8_t byte) { return {byte, 0, 0}; }

constexpr uint32_t maxMatchLength = (uint32_t(1) << 18) + 13;

// A match of `length` (1 .. maxMatchLength) bytes at distance slot `slot`.
inline Token matchToken(int slot, uint32_t length) {
  const uint16_t base = uint16_t(256 + 32 * slot);
  if (length <= 15) return {uint16_t(base + length - 1), 0, 0};
  int k = 1;
  while ((uint32_t(2) << k) <= length - 14) ++k;
  return {uint16_t(base + 14 + k), uint8_t(k), length - 14 - (uint32_t(1) << k)};
}

// A code-length list as symbols of the code-length code: a length 0..31, or
// "repeat length v" (32 + v) followed by a count symbol for count + 2 copies.
// `countSymbol` is -1 for a plain length.
struct LengthToken {
  int symbol;
  int countSymbol;
  int extraBits;
  uint32_t extra;
};

inline LengthToken repeatToken(int length, uint32_t copies) {
  const uint32_t count = copies - 2;
  if (count <= 31) return {32 + length, int(count), 0, 0};
  int k = 0;
  while ((uint32_t(2) << k) + 31 <= count) ++k;
  return {32 + length, 32 + k, k, count - 31 - (uint32_t(1) << k)};
}

inline std::vector<LengthToken> lengthTokens(const uint8_t *lengths, int n) {
  std::vector<LengthToken> tokens;
  for (int i = 0; i < n;) {
    int run = 1;
    while (i + run < n && lengths[i + run] == lengths[i] && run < 2080) ++run;
    if (run >= 3)
      tokens.push_back(repeatToken(lengths[i], uint32_t(run)));
    else
      for (int j = 0; j < run; ++j) tokens.push_back({lengths[i], -1, 0, 0});
    i += run;
  }
  return tokens;
}

// The plain form used for lists of at most 128 lengths.
inline void writeShortLengths(BitWriter &out, const uint8_t *lengths, int n) {
  int longest = 0;
  for (int i = 0; i < n; ++i) longest = std::max<int>(longest, lengths[i]);
  if (longest == 0) {
    out.put(1, 1);
    return;
  }
  out.put(0, 1);
  int width = 0;
  while ((1 << width) <= longest) ++width;
  out.put(uint32_t(width), 5);
  for (int i = 0; i < n;) {
    out.put(lengths[i], width);
    if (lengths[i++]) continue;
    int zeros = 0;
    while (zeros < 15 && i + zeros < n && lengths[i + zeros] == 0) ++zeros;
    out.put(uint32_t(zeros), 4);
    i += zeros;
  }
}

// Writes a long list given as tokens: the two codes of the code-length code,
// then the tokens in them.
inline void writeLengthTokens(BitWriter &out, const std::vector<LengthToken> &tokens) {
  std::vector<uint64_t> symbolCounts(64, 0), repeatCounts(64, 0);
  for (const LengthToken &t : tokens) {
    ++symbolCounts[t.symbol];
    if (t.countSymbol >= 0) ++repeatCounts[t.countSymbol];
  }
  std::vector<uint8_t> lengthCode = codeLengths(symbolCounts, emd::maxCodeLength);
  std::vector<uint8_t> repeatCode = codeLengths(repeatCounts, emd::maxCodeLength);
  lengthCode.insert(lengthCode.end(), repeatCode.begin(), repeatCode.end());
  out.put(0, 1);
  writeShortLengths(out, lengthCode.data(), emd::lengthSymbolCount);
  const CanonicalCode symbols(lengthCode.data(), 64), repeats(lengthCode.data() + 64, 64);
  for (const LengthToken &t : tokens) {
    symbols.write(out, t.symbol);
    if (t.countSymbol < 0) continue;
    repeats.write(out, t.countSymbol);
    out.put(t.extra, t.extraBits);
  }
}

inline void writeCodeLengths(BitWriter &out, const uint8_t *lengths, int n) {
  if (std::all_of(lengths, lengths + n, [](uint8_t l) { return l == 0; })) {
    out.put(1, 1);
    return;
  }
  writeLengthTokens(out, lengthTokens(lengths, n));
}

// Everything a file holds, blocks already packed (a block as long as its
// uncompressed length is a stored block).
struct FileImage {
  int exponent = 13;
  std::array<uint32_t, emd::distanceCount> distances{};
  std::vector<uint8_t> lengths = std::vector<uint8_t>(emd::symbolCount, 0);
  std::vector<std::vector<uint8_t>> blocks;
  uint32_t lastBlockLength = 0;
  // When not empty, written instead of the code lengths.
  std::vector<uint8_t> lengthStream;
};

inline void putBigEndian(std::vector<uint8_t> &out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out.push_back(uint8_t(value >> (8 * i)));
}

inline std::vector<uint8_t> assemble(const FileImage &image) {
  const uint32_t blockSize = uint32_t(1) << image.exponent;
  const uint32_t mask = blockSize - 1;
  BitWriter fields;
  for (const std::vector<uint8_t> &block : image.blocks) fields.put(uint32_t(block.size()) & mask, image.exponent);
  fields.put(image.lastBlockLength & mask, image.exponent);
  for (uint32_t d : image.distances) fields.put(d & mask, image.exponent);
  std::vector<uint8_t> lengthStream = image.lengthStream;
  if (lengthStream.empty()) {
    BitWriter lengths;
    writeCodeLengths(lengths, image.lengths.data(), emd::symbolCount);
    lengthStream = lengths.finish();
  }
  const std::vector<uint8_t> fieldBytes = fields.finish();
  const uint64_t blockCount = image.blocks.size();
  const uint64_t headerLength = emd::fixedHeaderLength + 8 * blockCount + fieldBytes.size() + lengthStream.size() + 4;

  std::vector<uint8_t> file(emd::signature, emd::signature + emd::signatureLength);
  putBigEndian(file, headerLength, 4);
  putBigEndian(file, 0, 2);
  file.push_back(uint8_t(image.exponent));
  file.push_back(emd::distanceCount);
  putBigEndian(file, blockCount, 4);
  putBigEndian(file, emd::formatWord, 4);
  // The per-block records are not read back; each holds its block's offset.
  uint64_t offset = headerLength;
  for (const std::vector<uint8_t> &block : image.blocks) {
    putBigEndian(file, offset, 8);
    offset += block.size();
  }
  file.insert(file.end(), fieldBytes.begin(), fieldBytes.end());
  file.insert(file.end(), lengthStream.begin(), lengthStream.end());
  putBigEndian(file, emd::checksum(file.data(), file.size()), 4);
  for (const std::vector<uint8_t> &block : image.blocks) file.insert(file.end(), block.begin(), block.end());
  return file;
}

// Packs tokens with the block code; never empty (an empty size field would
// read as a full block).
inline std::vector<uint8_t> packTokens(const std::vector<Token> &tokens, const CanonicalCode &code) {
  BitWriter out;
  for (const Token &t : tokens) {
    code.write(out, t.symbol);
    out.put(t.extra, t.extraBits);
  }
  if (out.bitCount == 0) out.put(0, 8);
  return out.finish();
}

constexpr uint32_t minMatchLength = 2;

// The longest match at `at` over the distances that stay inside the block;
// its length (0 when none) and slot.
inline uint32_t longestMatch(const uint8_t *block, uint32_t length, uint32_t at,
                             const std::array<uint32_t, emd::distanceCount> &distances, int *slot) {
  uint32_t best = 0;
  const uint32_t limit = std::min(length - at, maxMatchLength);
  for (int j = 0; j < emd::distanceCount; ++j) {
    const uint32_t d = distances[j];
    if (d == 0 || d > at) continue;
    const uint8_t *from = block + at - d;
    if (best && (best >= limit || from[best] != block[at + best])) continue;
    uint32_t run = 0;
    while (run < limit && from[run] == block[at + run]) ++run;
    if (run > best) best = run, *slot = j;
  }
  return best;
}

// Parses one block into literals and matches: the longest match at each
// position, unless the next position starts a longer one (then a literal
// first).
inline void parseBlock(const uint8_t *block, uint32_t length, const std::array<uint32_t, emd::distanceCount> &distances,
                       const std::function<void(const Token &)> &emit) {
  int slot = 0, nextSlot = 0;
  uint32_t best = length ? longestMatch(block, length, 0, distances, &slot) : 0;
  for (uint32_t at = 0; at < length;) {
    const uint32_t next = at + 1 < length ? longestMatch(block, length, at + 1, distances, &nextSlot) : 0;
    if (best >= minMatchLength && next <= best) {
      emit(matchToken(slot, best));
      at += best;
      best = at < length ? longestMatch(block, length, at, distances, &slot) : 0;
    } else {
      emit(literalToken(block[at++]));
      best = next, slot = nextSlot;
    }
  }
}

// Picks the 24 distances: at sampled positions, the nearest distance with the
// longest match (up to 64 bytes) earns that length; the distances with the
// most credit win.  Distance 1 (runs) is always among them.
inline std::array<uint32_t, emd::distanceCount> chooseDistances(const uint8_t *data, uint64_t size, int exponent) {
  const uint32_t blockSize = uint32_t(1) << exponent;
  const uint32_t maxDistance = blockSize - 1;
  std::vector<uint64_t> credit(uint64_t(maxDistance) + 1, 0);
  const uint64_t samples = 1 << 13;
  const uint64_t step = std::max<uint64_t>(1, size / samples);
  constexpr uint32_t cap = 64;
  for (uint64_t p = 0; p < size; p += step) {
    const uint32_t at = uint32_t(p & (blockSize - 1));
    const uint32_t limit = uint32_t(std::min<uint64_t>({cap, blockSize - at, size - p}));
    uint32_t best = 0, bestDistance = 0;
    for (uint32_t d = 1; d <= std::min(at, maxDistance) && best < limit; ++d) {
      const uint8_t *from = data + p - d;
      if (from[best] != data[p + best]) continue;
      uint32_t run = 0;
      while (run < limit && from[run] == data[p + run]) ++run;
      if (run > best) best = run, bestDistance = d;
    }
    if (best >= minMatchLength) credit[bestDistance] += best;
  }
  credit[1] = UINT64_MAX;
  std::vector<uint32_t> order;
  for (uint32_t d = 1; d <= maxDistance; ++d) order.push_back(d);
  std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return credit[a] > credit[b]; });
  std::array<uint32_t, emd::distanceCount> chosen{};
  for (int i = 0; i < emd::distanceCount; ++i) chosen[i] = i < int(order.size()) ? order[i] : 1;
  std::sort(chosen.begin(), chosen.end());
  return chosen;
}

struct Statistics {
  uint64_t inputBytes = 0, outputBytes = 0;
  uint32_t blocks = 0, storedBlocks = 0;
  int longestCode = 0;
  int codesOver13 = 0;  // used symbols whose code is longer than one table lookup
};

// The whole file for `size` bytes (at least 1); `progress` hears the share
// done (0 .. 1) now and then.
inline std::vector<uint8_t> compress(const uint8_t *data, uint64_t size, int exponent, Statistics *stats,
                                     const std::function<void(double)> &progress = nullptr) {
  const uint32_t blockSize = uint32_t(1) << exponent;
  const uint64_t blockCount = (size + blockSize - 1) / blockSize;
  FileImage image;
  image.exponent = exponent;
  image.distances = chooseDistances(data, size, exponent);
  auto blockLength = [&](uint64_t b) { return uint32_t(std::min<uint64_t>(blockSize, size - b * blockSize)); };

  // Two passes over the blocks: the first counts the symbols for the code,
  // the second packs them (parsing twice costs less memory than keeping the
  // tokens of a big file).
  std::vector<uint64_t> counts(emd::symbolCount, 0);
  for (uint64_t b = 0; b < blockCount; ++b) {
    parseBlock(data + b * blockSize, blockLength(b), image.distances, [&](const Token &t) { ++counts[t.symbol]; });
    if (progress && b % 64 == 0) progress(0.5 * double(b) / double(blockCount));
  }
  image.lengths = codeLengths(counts, emd::maxCodeLength);
  const CanonicalCode code(image.lengths.data(), emd::symbolCount);
  Statistics local;
  std::vector<Token> tokens;
  for (uint64_t b = 0; b < blockCount; ++b) {
    const uint8_t *block = data + b * blockSize;
    const uint32_t length = blockLength(b);
    tokens.clear();
    parseBlock(block, length, image.distances, [&](const Token &t) { tokens.push_back(t); });
    std::vector<uint8_t> packed = packTokens(tokens, code);
    if (packed.size() >= length) {
      packed.assign(block, block + length);
      ++local.storedBlocks;
    }
    image.blocks.push_back(std::move(packed));
    if (progress && b % 64 == 0) progress(0.5 + 0.5 * double(b) / double(blockCount));
  }
  image.lastBlockLength = blockLength(blockCount - 1);
  std::vector<uint8_t> file = assemble(image);
  local.inputBytes = size;
  local.outputBytes = file.size();
  local.blocks = uint32_t(blockCount);
  for (uint8_t l : image.lengths) {
    local.longestCode = std::max<int>(local.longestCode, l);
    local.codesOver13 += l > 13;
  }
  if (stats) *stats = local;
  return file;
}

}  // namespace tbcompress
