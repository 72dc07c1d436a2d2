// The building blocks of the ".emd" format that the reader, the compressor
// and their tests share: the file's fixed numbers, our signature, the header
// checksum and the bit reader.
//
// All multi-byte numbers are big-endian and all bit fields are read most
// significant bit first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace emd {

constexpr int signatureLength = 64;
// The first 64 bytes of every compressed file this project writes.
extern const uint8_t signature[signatureLength];

constexpr uint32_t fixedHeaderLength = 80;  // signature .. format word
constexpr uint32_t formatWord = 0x004001F5;
constexpr int distanceCount = 24;
constexpr int symbolCount = 1024;           // 256 literals + 24 slots x 32 lengths
constexpr int lengthSymbolCount = 128;      // the code-length code's alphabet
constexpr int maxCodeLength = 31;
constexpr int maxBlockExponent = 16;

// The header checksum: a table-driven shift register over the bytes, no final
// inversion.
uint32_t checksum(const uint8_t *data, size_t length);

inline uint32_t readBigEndian32(const uint8_t *p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

// Reads bits from a byte range, most significant first.  A 32-bit window
// holds the next bits; `count` is the number of buffered bits below the top
// 16, and two more bytes are shifted in whenever it drops below 1, so at
// least 17 bits are always visible.  Bytes past the end of the range read as
// zero; `consumed` counts every bit taken, so callers can tell how far a
// stream really reached.
struct BitReader {
  const uint8_t *data;
  uint64_t length;
  uint64_t position;
  uint32_t window;
  int count;
  uint64_t consumed;

  void start(const uint8_t *bytes, uint64_t byteCount) {
    data = bytes;
    length = byteCount;
    position = 0;
    window = 0;
    for (int i = 0; i < 4; ++i) window = window << 8 | nextByte();
    count = 16;
    consumed = 0;
  }
  uint32_t nextByte() { return position < length ? data[position++] : (++position, 0u); }
  // The next k bits (1 .. 16) without taking them.
  uint32_t peek(int k) const { return window >> (32 - k); }
  // Drops k bits (0 .. 16).
  void skip(int k) {
    window <<= k;
    count -= k;
    consumed += uint32_t(k);
    if (count < 1) {
      uint32_t next = nextByte() << 8;
      next |= nextByte();
      window |= next << -count;
      count += 16;
    }
  }
  // Takes k bits (0 .. 32); wide fields come 16 bits at a time.
  uint32_t take(int k) {
    if (k <= 0) return 0;
    if (k > 16) {
      uint32_t high = take(16);
      return high << (k - 16) | take(k - 16);
    }
    uint32_t value = peek(k);
    skip(k);
    return value;
  }
};

}  // namespace emd
