// Compressed tablebase files: the checksum rule, round trips through the
// compressor and the reader on data of several shapes, and the format's
// corner cases built by hand.
#include "compressed_fixture.h"
#include "test_support.h"

namespace {

using namespace emdtest;
using tbcompress::FileImage;

TEST(CompressedChecksum, FollowsTheRuleOfTheFormat) {
  // Worked from the rule: the table entry for 0 shifts a 0 bit out eight
  // times, so each step XORs 0xEDB88320 in.
  const uint8_t bytes[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9', 0};
  EXPECT_EQ(test::numbers(emd::checksum(bytes, 0), emd::checksum(bytes + 9, 1), emd::checksum(bytes, 9)),
            test::numbers(0, 0x2D02EF8D, 0x20D421B6));
}

struct Shape {
  const char *name;
  std::vector<uint8_t> data;
  bool stored;  // expect stored blocks
};

TEST(CompressedRoundTrip, EveryBlockDecodesToThePlainBytes) {
  const Shape shapes[] = {
      {"runs", runs(5 * 8192 + 1234, 1), false}, {"random", randomBytes(3 * 8192 + 17, 2), true},
      {"tablebase-like, the last block full", tablebaseLike(1 << 19), false}, {"one byte", {42}, true},
  };
  for (const Shape &shape : shapes) {
    SCOPED_TRACE(shape.name);
    tbcompress::Statistics stats;
    const std::vector<uint8_t> file = tbcompress::compress(shape.data.data(), shape.data.size(), 13, &stats);
    std::vector<uint8_t> decoded;
    ASSERT_EQ(decodeFile(file, &decoded), DECODE_OK);
    EXPECT_TRUE(decoded == shape.data);
    EXPECT_EQ(stats.storedBlocks > 0, shape.stored);
  }
}

TEST(CompressedEdgeCases, DecodeAsTheFormatSays) {
  const std::vector<uint8_t> plain = tablebaseLike(2 * 8192 + 500);
  const std::vector<uint8_t> good = tbcompress::compress(plain.data(), plain.size(), 13, nullptr);
  const std::vector<uint8_t> wide = tbcompress::compress(plain.data(), plain.size(), 14, nullptr);
  struct Case {
    const char *name;
    std::vector<uint8_t> file;
    std::vector<uint8_t> expected;  // empty: only the header is read
    int result;
  };
  std::vector<uint8_t> foreign = good;
  foreign[10] ^= 0x20;
  std::vector<uint8_t> stored(8192);
  for (size_t i = 0; i < stored.size(); ++i) stored[i] = uint8_t(i * 7);
  FileImage storedImage;  // an empty code: only stored blocks can be read
  storedImage.blocks = {stored, std::vector<uint8_t>(stored.begin(), stored.begin() + 300)};
  storedImage.lastBlockLength = 300;
  std::vector<uint8_t> storedPlain = stored;
  storedPlain.insert(storedPlain.end(), stored.begin(), stored.begin() + 300);

  const Case cases[] = {
      {"a foreign signature is a read error", foreign, {}, DECODE_READ_ERROR},
      {"exponent 14 passes the reader", wide, plain, DECODE_OK},
      {"a last size field of 0 is a full block; distance 1 repeats the last byte",
       oneBlock({{'x', 1}, {tbcompress::matchToken(0, 8191).symbol, 1}},
                {tbcompress::literalToken('x'), tbcompress::matchToken(0, 8191)}),
       std::vector<uint8_t>(8192, 'x'), DECODE_OK},
      {"stored blocks are copied without a code", tbcompress::assemble(storedImage), storedPlain, DECODE_OK},
      {"a single code of length 1 takes no bits", oneBlock({{'A', 1}}, {}),
       std::vector<uint8_t>(8192, 'A'), DECODE_OK},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> decoded;
    EXPECT_EQ(decodeFile(c.file, &decoded), c.result);
    if (c.result == DECODE_OK) {
      EXPECT_TRUE(decoded == c.expected);
    }
  }
}

}  // namespace
