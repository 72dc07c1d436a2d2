// Compressed tablebase files are not read yet: every header is refused.
#include "tablebase/compressed_file.h"

int ReadDecodeInfo(int, uint64_t, DecodeInfo **info) {
  if (info) *info = nullptr;
  return DECODE_READ_ERROR;
}
void FreeDecodeInfo(DecodeInfo *) {}
int DecodeBlockExponent(const DecodeInfo *) { return 0; }
uint32_t DecodeBlockCount(const DecodeInfo *) { return 0; }
uint64_t DecodeUncompressedLength(const DecodeInfo *) { return 0; }
BlockDecoder *CreateBlockDecoder() { return nullptr; }
void FreeBlockDecoder(BlockDecoder *) {}
int BlockDecoderReset(BlockDecoder *, uint8_t *, uint32_t) { return DECODE_BAD_CALL; }
int ReadBlock(BlockDecoder *, const DecodeInfo *, int, uint32_t) { return DECODE_BAD_CALL; }
int DecodeBlock(BlockDecoder *, const DecodeInfo *, uint32_t) { return DECODE_BAD_CALL; }
uint32_t DecodeBlockLength(const DecodeInfo *, uint32_t) { return 0; }
