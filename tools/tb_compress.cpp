// vorn-tb-compress <input file> [output]: writes a tablebase file in the
// engine's compressed form (".emd"; by default <input>.emd, a name the
// registry looks for) and reports the compression ratio.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tablebase/compressed_file.h"
#include "tb_compressor.h"

namespace {

bool readWhole(const char *name, std::vector<uint8_t> &data) {
  FILE *in = std::fopen(name, "rb");
  if (!in) return false;
  uint8_t buffer[1 << 16];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0) data.insert(data.end(), buffer, buffer + got);
  const bool ok = !std::ferror(in);
  std::fclose(in);
  return ok;
}

// Reads the written file back through the engine's reader: every block must
// decode to the plain bytes.
bool decodesTo(const std::string &name, const std::vector<uint8_t> &plain) {
  const int fd = open(name.c_str(), O_RDONLY);
  if (fd < 0) return false;
  const off_t length = lseek(fd, 0, SEEK_END);
  DecodeInfo *info = nullptr;
  BlockDecoder *decoder = CreateBlockDecoder();
  bool ok = length > 0 && decoder && ReadDecodeInfo(fd, uint64_t(length), &info) == DECODE_OK &&
            DecodeUncompressedLength(info) == plain.size();
  std::vector<uint8_t> area(8192 + 36);
  for (uint32_t block = 0; ok && block < DecodeBlockCount(info); ++block) {
    const uint32_t blockLength = DecodeBlockLength(info, block);
    ok = BlockDecoderReset(decoder, area.data(), 8192) == DECODE_OK &&
         ReadBlock(decoder, info, fd, block) == DECODE_OK && DecodeBlock(decoder, info, blockLength) == DECODE_OK &&
         std::memcmp(area.data(), plain.data() + uint64_t(block) * 8192, blockLength) == 0;
  }
  FreeBlockDecoder(decoder);
  FreeDecodeInfo(info);
  close(fd);
  return ok;
}

// Writes under a temporary name first and checks it there, so neither an
// interrupted run nor a faulty packing leaves a file where the engine would
// find it.
bool writeChecked(const std::string &name, const std::vector<uint8_t> &bytes, const std::vector<uint8_t> &plain) {
  const std::string temporary = name + ".tmp" + std::to_string(getpid());
  FILE *out = std::fopen(temporary.c_str(), "wb");
  if (!out) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
  ok = std::fclose(out) == 0 && ok;
  if (ok && !decodesTo(temporary, plain)) {
    std::fprintf(stderr, "vorn-tb-compress: %s does not decode to its input\n", temporary.c_str());
    ok = false;
  }
  if (ok) ok = std::rename(temporary.c_str(), name.c_str()) == 0;
  if (!ok) std::remove(temporary.c_str());
  return ok;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: vorn-tb-compress <input file> [output]\n");
    return 2;
  }
  const std::string input = argv[1];
  const std::string output = argc == 3 ? argv[2] : input + ".emd";
  std::vector<uint8_t> data;
  if (!readWhole(input.c_str(), data)) {
    std::fprintf(stderr, "vorn-tb-compress: cannot read %s\n", input.c_str());
    return 1;
  }
  if (data.empty()) {
    std::fprintf(stderr, "vorn-tb-compress: %s is empty\n", input.c_str());
    return 1;
  }
  // Blocks of 8192 positions, the only size the engine reads.
  constexpr int blockExponent = 13;
  const bool big = data.size() >= (uint64_t(16) << 20);
  int lastPercent = -1;
  auto progress = [&](double done) {
    const int percent = int(done * 100);
    if (percent / 10 == lastPercent / 10) return;
    lastPercent = percent;
    std::fprintf(stderr, "%s: %d%%\n", input.c_str(), percent);
  };
  tbcompress::Statistics stats;
  const std::vector<uint8_t> file =
      tbcompress::compress(data.data(), data.size(), blockExponent, &stats, big ? std::function<void(double)>(progress) : nullptr);
  if (!writeChecked(output, file, data)) {
    std::fprintf(stderr, "vorn-tb-compress: cannot write %s\n", output.c_str());
    return 1;
  }
  std::printf("%s: %llu -> %llu bytes, ratio %.2f (%.2f%%), %u blocks, %u stored, longest code %d bits (%d codes over 13)\n",
              output.c_str(), (unsigned long long)stats.inputBytes, (unsigned long long)stats.outputBytes,
              double(stats.inputBytes) / double(stats.outputBytes),
              100.0 * double(stats.outputBytes) / double(stats.inputBytes), stats.blocks, stats.storedBlocks,
              stats.longestCode, stats.codesOver13);
  return 0;
}
