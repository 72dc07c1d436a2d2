// Broken compressed files: every damage ends in its failure class, at the
// header or at the block that shows it, and never in a crash (the Debug build
// runs these under the address and undefined-behaviour sanitizers).
#include <functional>

#include "compressed_fixture.h"

namespace {

using namespace emdtest;
using tbcompress::FileImage;
using tbcompress::LengthToken;
using tbcompress::Token;

std::vector<uint8_t> sample() {
  static const std::vector<uint8_t> plain = tablebaseLike(3 * 8192 + 700);
  return plain;
}

std::vector<uint8_t> goodFile() {
  static const std::vector<uint8_t> file = tbcompress::compress(sample().data(), sample().size(), 13, nullptr);
  return file;
}

// The good file with header bytes at `offset` replaced and the checksum
// made right again, so that the check under test is the one that fails.
std::vector<uint8_t> patched(size_t offset, std::vector<uint8_t> bytes, bool fixChecksum = true) {
  std::vector<uint8_t> file = goodFile();
  std::copy(bytes.begin(), bytes.end(), file.begin() + long(offset));
  if (fixChecksum) reseal(file);
  return file;
}

std::vector<uint8_t> cut(size_t length) {
  std::vector<uint8_t> file = goodFile();
  file.resize(length);
  return file;
}

// A file with one stored block whose code-length stream is written by `write`.
std::vector<uint8_t> lengthStream(const std::function<void(tbcompress::BitWriter &)> &write) {
  tbcompress::BitWriter stream;
  write(stream);
  FileImage image;
  image.lengthStream = stream.finish();
  image.blocks.push_back(std::vector<uint8_t>(8192, 0));
  image.lastBlockLength = 8192;
  return tbcompress::assemble(image);
}

std::vector<uint8_t> lengthTokens(const std::vector<LengthToken> &tokens) {
  return lengthStream([&](tbcompress::BitWriter &w) { tbcompress::writeLengthTokens(w, tokens); });
}

std::vector<std::pair<int, int>> allBytes(int length) {
  std::vector<std::pair<int, int>> code;
  for (int s = 0; s < 256; ++s) code.push_back({s, length});
  return code;
}

TEST(CompressedMutations, EndInTheirFailureClass) {
  const std::vector<uint8_t> good = goodFile();
  const uint32_t headerLength = emd::readBigEndian32(&good[64]);
  const Token a = tbcompress::literalToken('a'), b = tbcompress::literalToken('b');
  const Token match4 = tbcompress::matchToken(0, 4);
  const int matchSymbol = match4.symbol;
  const std::tuple<const char *, std::vector<uint8_t>, int> cases[] = {
      {"intact", good, DECODE_OK},
      // The fixed header and its bounds.
      {"shorter than the fixed header", cut(79), DECODE_READ_ERROR},
      {"cut inside the header", cut(headerLength - 1), DECODE_FILE_BROKEN},
      {"cut inside the last block", cut(good.size() - 1), DECODE_FILE_BROKEN},
      {"signature off by one bit", patched(63, {1}, false), DECODE_READ_ERROR},
      {"checksum off by one bit", patched(headerLength - 1, {uint8_t(good[headerLength - 1] ^ 1)}, false),
       DECODE_FILE_BROKEN},
      {"huge header length", patched(64, {0xFF, 0xFF, 0xFF, 0xF0}), DECODE_FILE_BROKEN},
      {"header length 83", patched(64, {0, 0, 0, 83}, false), DECODE_FILE_BROKEN},
      {"block count 0", patched(72, {0, 0, 0, 0}), DECODE_FILE_BROKEN},
      {"block count 2^32 - 1", patched(72, {0xFF, 0xFF, 0xFF, 0xFF}), DECODE_FILE_BROKEN},
      {"one block more than the header holds", patched(72, {0, 0, 0, 5}), DECODE_FILE_BROKEN},
      {"exponent 0", patched(70, {0}), DECODE_FILE_BROKEN}, {"exponent 17", patched(70, {17}), DECODE_FILE_BROKEN},
      {"23 distances", patched(71, {23}), DECODE_FILE_BROKEN},
      {"wrong format word", patched(79, {0xF4}), DECODE_FILE_BROKEN},
      // The code lengths.
      // One-byte blocks that such a code could still decode, so that only the
      // check of the code itself can fail them.
      {"complete code", oneBlock({{'a', 1}, {'b', 2}, {'c', 2}}, {a}, 1, 0, 1), DECODE_OK},
      {"over-subscribed code", oneBlock({{'a', 1}, {'b', 1}, {'c', 1}}, {a}, 1, 0, 1), DECODE_FILE_BROKEN},
      {"incomplete code", oneBlock({{'a', 1}, {'b', 2}}, {a}, 1, 0, 1), DECODE_FILE_BROKEN},
      {"one code of length 2", oneBlock({{'a', 2}}, {}), DECODE_FILE_BROKEN},
      {"codes of 31 bits are read", oneBlock([] {
         std::vector<std::pair<int, int>> code;
         for (int s = 0; s < 31; ++s) code.push_back({s, s + 1});
         code.push_back({31, 31});
         return code;
       }(), {tbcompress::literalToken(30), tbcompress::literalToken(31), tbcompress::literalToken(14)}, 1, 0, 3),
       DECODE_OK},
      {"repeat with k = 31", lengthTokens({{32, 63, 0, 0}}), DECODE_FILE_BROKEN},
      {"repeat with k = 11", lengthTokens({{32, 43, 0, 0}}), DECODE_FILE_BROKEN},
      {"a zero run past 1024 lengths", lengthTokens({tbcompress::repeatToken(0, 1030)}), DECODE_FILE_BROKEN},
      {"a zero run past 128 lengths", lengthStream([](tbcompress::BitWriter &w) {
         w.put(0, 1), w.put(0, 1), w.put(1, 5), w.put(1, 1);
         for (int i = 0; i < 8; ++i) w.put(0, 1), w.put(15, 4);
       }), DECODE_FILE_BROKEN},
      {"code lengths that need bytes past the header", lengthStream([](tbcompress::BitWriter &w) { w.put(0, 8); }),
       DECODE_FILE_BROKEN},
      // The blocks.
      // Blocks just as long as their symbols, so that only the distance can fail.
      {"distance 0", oneBlock({{'a', 1}, {matchSymbol, 1}}, {a, match4}, 0, 0, 5), DECODE_FILE_BROKEN},
      {"distance 1 decodes", oneBlock({{'a', 1}, {matchSymbol, 1}}, {a, match4}, 1, 0, 5), DECODE_OK},
      {"a distance before the block start",
       oneBlock({{'a', 2}, {'b', 2}, {matchSymbol, 1}}, {a, b, match4}, 3, 0, 6), DECODE_FILE_BROKEN},
      {"a distance back to the block start",
       oneBlock({{'a', 2}, {'b', 2}, {matchSymbol, 1}}, {a, b, match4}, 2, 0, 6), DECODE_OK},
      {"a block that reads far past its bytes", oneBlock(allBytes(8), {a}, 1, 1), DECODE_FILE_BROKEN},
      {"an empty code with a packed block", oneBlock({}, {}, 1, 5), DECODE_FILE_BROKEN},
  };
  for (const auto &[name, file, result] : cases) EXPECT_EQ(decodeFile(file), result) << name;
}

TEST(CompressedMutations, DecoderCallsAreChecked) {
  TempFile file(goodFile());
  DecodeInfo *info = nullptr;
  ASSERT_EQ(ReadDecodeInfo(file.fd, file.length, &info), DECODE_OK);
  EXPECT_EQ(ReadDecodeInfo(file.fd, file.length, nullptr), DECODE_BAD_CALL);
  BlockDecoder *decoder = CreateBlockDecoder();
  std::vector<uint8_t> area(8228);
  const uint32_t blocks = DecodeBlockCount(info);
  EXPECT_EQ(ReadBlock(decoder, info, file.fd, 0), DECODE_BAD_CALL);  // never reset
  ASSERT_EQ(BlockDecoderReset(decoder, area.data(), 8192), DECODE_OK);
  EXPECT_EQ(DecodeBlock(decoder, info, 1), DECODE_BAD_CALL);  // nothing read
  EXPECT_EQ(ReadBlock(decoder, info, file.fd, blocks), DECODE_BAD_CALL);
  EXPECT_EQ(ReadBlock(decoder, info, -1, 0), DECODE_READ_ERROR);
  ASSERT_EQ(ReadBlock(decoder, info, file.fd, blocks - 1), DECODE_OK);
  EXPECT_EQ(DecodeBlock(decoder, info, 0), DECODE_BAD_CALL);
  EXPECT_EQ(DecodeBlock(decoder, info, DecodeBlockLength(info, blocks - 1) + 1), DECODE_BAD_CALL);
  EXPECT_EQ(DecodeBlock(decoder, info, DecodeBlockLength(info, blocks - 1)), DECODE_OK);
  ASSERT_EQ(ReadBlock(decoder, info, file.fd, 0), DECODE_OK);
  ASSERT_EQ(DecodeBlock(decoder, info, 100), DECODE_OK);  // a prefix of the block
  EXPECT_TRUE(std::equal(area.begin(), area.begin() + 100, sample().begin()));
  ASSERT_EQ(BlockDecoderReset(decoder, area.data(), 100), DECODE_OK);
  EXPECT_EQ(ReadBlock(decoder, info, file.fd, 0), DECODE_BAD_CALL);  // the output is too small
  FreeBlockDecoder(decoder);
  FreeDecodeInfo(info);
}

}  // namespace
