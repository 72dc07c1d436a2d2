// Helpers for the tests of compressed tablebase files: sample data of several
// shapes, files in memory handed to the reader through a real descriptor, and
// decoding a whole file the way the block cache does.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "../../tools/tb_compressor.h"
#include "tablebase/compressed_file.h"

namespace emdtest {

// A file on disk for as long as the object lives.
struct TempFile {
  FILE *file;
  int fd;
  uint64_t length;
  explicit TempFile(const std::vector<uint8_t> &bytes) : file(std::tmpfile()), length(bytes.size()) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fflush(file);
    fd = fileno(file);
  }
  ~TempFile() { std::fclose(file); }
};

// Bytes shaped like a tablebase: three squares per index, 127 where two
// coincide, draws in whole regions and distances that change smoothly with
// the squares elsewhere.
inline std::vector<uint8_t> tablebaseLike(size_t size) {
  std::vector<uint8_t> data(size);
  for (size_t i = 0; i < size; ++i) {
    const int a = int(i & 63), b = int(i >> 6 & 63), c = int(i >> 12 & 63), side = int(i >> 18 & 3);
    if (a == b || b == c || a == c) {
      data[i] = 127;
    } else if (((a ^ c) & 7) < 3 + side) {
      data[i] = 0;
    } else {
      const int distance = 1 + (std::abs((a & 7) - (b & 7)) + std::abs((a >> 3) - (c >> 3)) + side) % 30;
      data[i] = uint8_t((a + c) & 1 ? distance : 256 - distance);
    }
  }
  return data;
}

inline std::vector<uint8_t> randomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> data(size);
  for (uint8_t &b : data) b = uint8_t(random());
  return data;
}

inline std::vector<uint8_t> runs(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> data;
  while (data.size() < size) data.insert(data.end(), 1 + random() % 600, uint8_t(random() % 4 * 60));
  data.resize(size);
  return data;
}

// Decodes every block of `bytes` into `out` as the block cache does (output
// area of 8192 + 36 bytes); the first failure class, or DECODE_OK.
inline int decodeFile(const std::vector<uint8_t> &bytes, std::vector<uint8_t> *out = nullptr) {
  TempFile file(bytes);
  DecodeInfo *info = nullptr;
  int result = ReadDecodeInfo(file.fd, file.length, &info);
  if (result != DECODE_OK) return result;
  BlockDecoder *decoder = CreateBlockDecoder();
  const uint32_t capacity = std::max<uint32_t>(8192, uint32_t(1) << DecodeBlockExponent(info));
  std::vector<uint8_t> area(capacity + 36);
  for (uint32_t block = 0; block < DecodeBlockCount(info) && result == DECODE_OK; ++block) {
    result = BlockDecoderReset(decoder, area.data(), capacity);
    if (result == DECODE_OK) result = ReadBlock(decoder, info, file.fd, block);
    const uint32_t length = DecodeBlockLength(info, block);
    if (result == DECODE_OK) result = DecodeBlock(decoder, info, length);
    if (result == DECODE_OK && out) out->insert(out->end(), area.begin(), area.begin() + length);
  }
  FreeBlockDecoder(decoder);
  FreeDecodeInfo(info);
  return result;
}

// A one-block file with the given code and symbols (distance slot 0 holds
// `distance0`); `blockBytes` cuts or pads the packed block.
inline std::vector<uint8_t> oneBlock(const std::vector<std::pair<int, int>> &code,
                                     const std::vector<tbcompress::Token> &tokens, uint32_t distance0 = 1,
                                     size_t blockBytes = 0, uint32_t blockLength = 8192) {
  tbcompress::FileImage image;
  for (auto [symbol, length] : code) image.lengths[symbol] = uint8_t(length);
  image.distances[0] = distance0;  // the other slots stay 0, unused
  std::vector<uint8_t> block = tbcompress::packTokens(tokens, tbcompress::CanonicalCode(image.lengths.data(), 1024));
  if (blockBytes) block.resize(blockBytes);
  image.blocks.push_back(block);
  image.lastBlockLength = blockLength;
  return tbcompress::assemble(image);
}

// Rewrites the checksum after a header byte was changed on purpose.
inline void reseal(std::vector<uint8_t> &bytes) {
  const uint32_t length = emd::readBigEndian32(&bytes[64]);
  if (length < 84 || length > bytes.size()) return;
  const uint32_t sum = emd::checksum(bytes.data(), length - 4);
  for (int i = 0; i < 4; ++i) bytes[length - 4 + i] = uint8_t(sum >> (24 - 8 * i));
}

}  // namespace emdtest
