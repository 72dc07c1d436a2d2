// The signature and the checksum of ".emd" files.
#include "tablebase/compressed_format.h"

namespace emd {

// Files from other compressors start differently and are refused.
const uint8_t signature[signatureLength] =
    "Vorn 2.0 compressed endgame tablebase, blocks of 2^e positions\n";

namespace {

struct ChecksumTable {
  uint32_t entry[256];
  // For each byte value: eight shifts right, XORing 0xEDB88320 in after a
  // shift that drops a 0 bit (the common CRC-32 table does so after a 1 bit;
  // this format's files are checked with the former).
  constexpr ChecksumTable() : entry() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t h = i;
      for (int bit = 0; bit < 8; ++bit) h = (h & 1) ? h >> 1 : (h >> 1) ^ 0xEDB88320u;
      entry[i] = h;
    }
  }
};

constexpr ChecksumTable checksumTable;

}  // namespace

uint32_t checksum(const uint8_t *data, size_t length) {
  uint32_t h = 0;
  for (size_t i = 0; i < length; ++i) h = checksumTable.entry[(h ^ data[i]) & 255] ^ (h >> 8);
  return h;
}

}  // namespace emd
