// A compressed tablebase file: any bytes whose header is accepted give
// blocks that are each read and decoded to their full length, or refused
// with a failure class, without reading or writing outside the buffers.
#include <cstdlib>
#include <vector>

#include "fuzz_engine.h"
#include "tablebase/registry.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

bool isFailureClass(int result) {
  return result == DECODE_OK || result == DECODE_READ_ERROR || result == DECODE_OUT_OF_MEMORY ||
         result == DECODE_FILE_BROKEN || result == DECODE_BAD_CALL;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz::silenceOutput();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static fuzz::MemoryFile file;
  static BlockDecoder *decoder = CreateBlockDecoder();
  static std::vector<uint8_t> output(TB_DATA_AREA);
  if (!decoder) std::abort();
  file.fill(data, size);
  DecodeInfo *info = nullptr;
  const int result = ReadDecodeInfo(file.fd(), size, &info);
  check(isFailureClass(result));
  if (result != DECODE_OK) return 0;
  if (DecodeBlockExponent(info) == 13) {
    const uint32_t blocks = DecodeBlockCount(info);
    for (uint32_t block = 0; block < blocks && block < 512; block++) {
      const uint32_t length = DecodeBlockLength(info, block);
      check(length >= 1 && length <= TB_BLOCK_SIZE);
      check(BlockDecoderReset(decoder, output.data(), uint32_t(output.size())) == DECODE_OK);
      const int read = ReadBlock(decoder, info, file.fd(), block);
      check(isFailureClass(read));
      if (read != DECODE_OK) continue;
      check(isFailureClass(DecodeBlock(decoder, info, length)));
    }
  }
  FreeDecodeInfo(info);
  return 0;
}
