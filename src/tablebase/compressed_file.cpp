// Reading ".emd" files: the header once per file, then single blocks on
// demand.
//
// Every number in a file is distrusted: the header is checked against the
// file length before anything is allocated, every size is computed in 64
// bits, the bit readers never look past their bytes, and a block decoder
// refuses matches that reach outside the block's output or a block that reads
// far past its own bytes.  Nothing is allocated while a block is read or
// decoded.
#include "tablebase/compressed_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "tablebase/compressed_format.h"
#include "tablebase/huffman_table.h"

using emd::BitReader;

struct DecodeInfo {
  int blockExponent;
  uint32_t blockSize;
  uint32_t blockCount;
  uint32_t lastBlockLength;
  uint32_t distances[emd::distanceCount];
  uint64_t *offsets;  // blockCount + 1 file offsets; block i is [offsets[i], offsets[i+1])
  emd::DecodeTable<13, emd::symbolCount> code;
};

namespace {

constexpr uint32_t decoderStamp = 0x454D4442;  // "EMDB"
// Big enough for any block of any exponent the header accepts.
constexpr uint32_t inputCapacity = uint32_t(1) << emd::maxBlockExponent;

}  // namespace

struct BlockDecoder {
  uint32_t stamp;
  uint8_t *output;
  uint32_t capacity;
  // The block read last: its file and number, and its compressed bytes.
  const DecodeInfo *info;
  uint32_t block;
  uint32_t compressedLength;
  uint32_t blockLength;
  bool stored;
  bool ready;
  uint8_t input[inputCapacity];
};

namespace {

// pread until `length` bytes are in or the file ends; the bytes read.
uint64_t readAt(int fd, uint8_t *buffer, uint64_t length, uint64_t offset) {
  uint64_t done = 0;
  while (done < length) {
    ssize_t got = pread(fd, buffer + done, length - done, off_t(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += uint64_t(got);
  }
  return done;
}

// Reads `count` code lengths.  The 1024 lengths of the block code are sent
// with a code of their own, whose 128 lengths come first in a plain form: a
// width, then each length in that many bits, a zero length followed by four
// bits of further zeros.  Of those 128, the first 64 are a code for "length
// 0..31" and "repeat length 0..31", the second 64 a code for the repeat
// counts.
bool readCodeLengths(BitReader &bits, uint8_t *lengths, uint32_t count) {
  if (bits.take(1)) {
    std::memset(lengths, 0, count);
    return true;
  }
  if (count <= uint32_t(emd::lengthSymbolCount)) {
    const int width = int(bits.take(5));
    for (uint32_t produced = 0; produced < count;) {
      const uint32_t length = bits.take(width);
      if (length > uint32_t(emd::maxCodeLength)) return false;
      lengths[produced++] = uint8_t(length);
      if (length) continue;
      const uint32_t zeros = bits.take(4);
      if (zeros > count - produced) return false;
      std::memset(lengths + produced, 0, zeros);
      produced += zeros;
    }
    return true;
  }
  uint8_t lengthCode[emd::lengthSymbolCount];
  if (!readCodeLengths(bits, lengthCode, emd::lengthSymbolCount)) return false;
  emd::DecodeTable<8, 64> lengthSymbols, repeatCounts;
  if (!lengthSymbols.build(lengthCode, 64) || !repeatCounts.build(lengthCode + 64, 64)) return false;
  for (uint32_t produced = 0; produced < count;) {
    const int symbol = lengthSymbols.decode(bits);
    if (symbol < 0) return false;
    if (symbol < 32) {
      lengths[produced++] = uint8_t(symbol);
      continue;
    }
    const int countSymbol = repeatCounts.decode(bits);
    if (countSymbol < 0) return false;
    uint64_t repeats = uint64_t(countSymbol);
    if (countSymbol >= 32) {
      const int k = countSymbol - 32;
      if (k > 10) return false;
      repeats = (uint64_t(1) << k) + bits.take(k) + 31;
    }
    if (repeats + 2 > count - produced) return false;
    std::memset(lengths + produced, symbol - 32, repeats + 2);
    produced += uint32_t(repeats + 2);
  }
  return true;
}

// Checks the fixed part of the header and the bounds of the variable part;
// the header length H on success.
int checkFixedHeader(const uint8_t *head, uint64_t fileLength, uint64_t *headerLength) {
  if (std::memcmp(head, emd::signature, emd::signatureLength) != 0) return DECODE_READ_ERROR;
  const uint64_t length = emd::readBigEndian32(head + 64);
  const uint64_t exponent = head[70];
  const uint64_t blocks = emd::readBigEndian32(head + 72);
  if (exponent < 1 || exponent > uint64_t(emd::maxBlockExponent) || head[71] != emd::distanceCount ||
      emd::readBigEndian32(head + 76) != emd::formatWord || blocks < 1 || length < 84 ||
      length > fileLength)
    return DECODE_FILE_BROKEN;
  const uint64_t fieldBytes = ((blocks + 25) * exponent + 7) / 8;
  if (emd::fixedHeaderLength + 8 * blocks + fieldBytes + 1 > length - 4) return DECODE_FILE_BROKEN;
  *headerLength = length;
  return DECODE_OK;
}

// Fills *info from the checked header bytes.
int parseHeader(const uint8_t *header, uint64_t headerLength, uint64_t fileLength, DecodeInfo *info) {
  const int exponent = header[70];
  const uint32_t blocks = emd::readBigEndian32(header + 72);
  const uint64_t blockSize = uint64_t(1) << exponent;
  info->blockExponent = exponent;
  info->blockSize = uint32_t(blockSize);
  info->blockCount = blocks;

  // n + 1 size fields and 24 distances, e bits each; the bounds check made
  // sure they end before the checksum.
  const uint64_t fieldStart = emd::fixedHeaderLength + 8 * uint64_t(blocks);
  BitReader bits;
  bits.start(header + fieldStart, headerLength - 4 - fieldStart);
  info->offsets[0] = headerLength;
  for (uint32_t i = 0; i < blocks; ++i) {
    uint64_t compressed = bits.take(exponent);
    if (compressed == 0) compressed = blockSize;
    info->offsets[i + 1] = info->offsets[i] + compressed;
  }
  if (info->offsets[blocks] > fileLength) return DECODE_FILE_BROKEN;
  const uint32_t last = bits.take(exponent);
  info->lastBlockLength = last ? last : uint32_t(blockSize);
  for (uint32_t &distance : info->distances) distance = bits.take(exponent);

  const uint64_t lengthStart = fieldStart + ((uint64_t(blocks) + 25) * exponent + 7) / 8;
  const uint64_t lengthBytes = headerLength - 4 - lengthStart;
  bits.start(header + lengthStart, lengthBytes);
  uint8_t lengths[emd::symbolCount];
  if (!readCodeLengths(bits, lengths, emd::symbolCount) || bits.consumed > 8 * lengthBytes)
    return DECODE_FILE_BROKEN;
  if (!info->code.build(lengths, emd::symbolCount)) return DECODE_FILE_BROKEN;
  return DECODE_OK;
}

}  // namespace

int ReadDecodeInfo(int fd, uint64_t fileLength, DecodeInfo **info) {
  if (!info) return DECODE_BAD_CALL;
  *info = nullptr;
  uint8_t head[emd::fixedHeaderLength];
  if (readAt(fd, head, sizeof head, 0) < sizeof head) return DECODE_READ_ERROR;
  uint64_t headerLength = 0;
  if (int failure = checkFixedHeader(head, fileLength, &headerLength)) return failure;

  uint8_t *header = new (std::nothrow) uint8_t[headerLength];
  if (!header) return DECODE_OUT_OF_MEMORY;
  std::memcpy(header, head, sizeof head);
  int result = DECODE_OK;
  if (readAt(fd, header + sizeof head, headerLength - sizeof head, sizeof head) < headerLength - sizeof head ||
      emd::checksum(header, headerLength - 4) != emd::readBigEndian32(header + headerLength - 4))
    result = DECODE_FILE_BROKEN;

  DecodeInfo *decoded = nullptr;
  if (result == DECODE_OK) {
    decoded = new (std::nothrow) DecodeInfo;
    const uint64_t offsetCount = uint64_t(emd::readBigEndian32(head + 72)) + 1;
    if (decoded) decoded->offsets = new (std::nothrow) uint64_t[offsetCount];
    if (!decoded || !decoded->offsets)
      result = DECODE_OUT_OF_MEMORY;
    else
      result = parseHeader(header, headerLength, fileLength, decoded);
  }
  delete[] header;
  if (result != DECODE_OK) {
    FreeDecodeInfo(decoded);
    return result;
  }
  *info = decoded;
  return DECODE_OK;
}

void FreeDecodeInfo(DecodeInfo *info) {
  if (!info) return;
  delete[] info->offsets;
  delete info;
}

int DecodeBlockExponent(const DecodeInfo *info) { return info ? info->blockExponent : 0; }
uint32_t DecodeBlockCount(const DecodeInfo *info) { return info ? info->blockCount : 0; }

uint64_t DecodeUncompressedLength(const DecodeInfo *info) {
  if (!info) return 0;
  return uint64_t(info->blockCount - 1) * info->blockSize + info->lastBlockLength;
}

uint32_t DecodeBlockLength(const DecodeInfo *info, uint32_t block) {
  if (!info || block >= info->blockCount) return 0;
  return block + 1 == info->blockCount ? info->lastBlockLength : info->blockSize;
}

BlockDecoder *CreateBlockDecoder() {
  BlockDecoder *decoder = new (std::nothrow) BlockDecoder;
  if (!decoder) return nullptr;
  decoder->stamp = 0;
  decoder->output = nullptr;
  decoder->capacity = 0;
  decoder->info = nullptr;
  decoder->ready = false;
  return decoder;
}

void FreeBlockDecoder(BlockDecoder *decoder) {
  if (!decoder) return;
  decoder->stamp = 0;
  delete decoder;
}

int BlockDecoderReset(BlockDecoder *decoder, uint8_t *output, uint32_t capacity) {
  if (!decoder || !output || capacity == 0) return DECODE_BAD_CALL;
  decoder->stamp = decoderStamp;
  decoder->output = output;
  decoder->capacity = capacity;
  decoder->info = nullptr;
  decoder->ready = false;
  return DECODE_OK;
}

int ReadBlock(BlockDecoder *decoder, const DecodeInfo *info, int fd, uint32_t block) {
  if (!decoder || decoder->stamp != decoderStamp || !info || block >= info->blockCount) return DECODE_BAD_CALL;
  decoder->ready = false;
  const uint64_t compressed = info->offsets[block + 1] - info->offsets[block];
  const uint32_t length = DecodeBlockLength(info, block);
  if (length > decoder->capacity || compressed > inputCapacity) return DECODE_BAD_CALL;
  if (readAt(fd, decoder->input, compressed, info->offsets[block]) < compressed) return DECODE_READ_ERROR;
  decoder->info = info;
  decoder->block = block;
  decoder->compressedLength = uint32_t(compressed);
  decoder->blockLength = length;
  decoder->stored = compressed == length;
  if (decoder->stored) std::memcpy(decoder->output, decoder->input, length);
  decoder->ready = true;
  return DECODE_OK;
}

// Symbols below 256 are bytes; symbol 256 + 32 j + q copies from distance
// slot j a match of q + 1 bytes (q <= 14) or of 2^k + (k more bits) + 14
// bytes with k = q - 14.
int DecodeBlock(BlockDecoder *decoder, const DecodeInfo *info, uint32_t length) {
  if (!decoder || decoder->stamp != decoderStamp || !decoder->ready || !info || decoder->info != info ||
      length < 1 || length > decoder->blockLength)
    return DECODE_BAD_CALL;
  if (decoder->stored) return DECODE_OK;
  BitReader bits;
  bits.start(decoder->input, decoder->compressedLength);
  // A block may read a little past its own bytes (the reader fetches ahead),
  // never further.
  const uint64_t bitLimit = 8 * (uint64_t(decoder->compressedLength) + 4);
  uint8_t *const out = decoder->output;
  uint32_t produced = 0;
  while (produced < length) {
    const int symbol = info->code.decode(bits);
    if (symbol < 0) return DECODE_FILE_BROKEN;
    if (symbol < 256) {
      out[produced++] = uint8_t(symbol);
    } else {
      const int slot = (symbol - 256) >> 5, q = (symbol - 256) & 31;
      uint32_t match = uint32_t(q) + 1;
      if (q >= 15) match = (uint32_t(1) << (q - 14)) + bits.take(q - 14) + 14;
      const uint32_t distance = info->distances[slot];
      if (distance == 0 || distance > produced) return DECODE_FILE_BROKEN;
      if (match > length - produced) match = length - produced;
      const uint8_t *from = out + produced - distance;
      if (distance >= match) {
        std::memcpy(out + produced, from, match);
      } else {
        // Overlapping copies repeat the last `distance` bytes.
        for (uint32_t i = 0; i < match; ++i) out[produced + i] = from[i];
      }
      produced += match;
    }
    if (bits.consumed > bitLimit) return DECODE_FILE_BROKEN;
  }
  return DECODE_OK;
}
