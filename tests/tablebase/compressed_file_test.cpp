// Compressed tablebase files: the checksum rule, round trips through the
// compressor and the reader on data of several shapes, and the format's
// corner cases built by hand.  (Damaged files: compressed_mutation_test.)
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

// Round trips through the compressor on data of several shapes, and files
// built by hand for the corners of the format.
TEST(CompressedFiles, EveryBlockDecodesToThePlainBytes) {
  std::vector<std::tuple<std::string, std::vector<uint8_t>, std::vector<uint8_t>>> cases;  // name, file, plain
  const std::tuple<const char *, std::vector<uint8_t>, bool> shapes[] = {  // name, plain, stored blocks expected
      {"runs", runs(5 * 8192 + 1234, 1), false}, {"random", randomBytes(3 * 8192 + 17, 2), true},
      {"tablebase-like, the last block full", tablebaseLike(1 << 19), false}, {"one byte", {42}, true},
  };
  for (const auto &[name, plain, stored] : shapes) {
    tbcompress::Statistics stats;
    cases.push_back({name, tbcompress::compress(plain.data(), plain.size(), 13, &stats), plain});
    EXPECT_EQ(stats.storedBlocks > 0, stored) << name;
  }
  const std::vector<uint8_t> sample = tablebaseLike(2 * 8192 + 500);
  cases.push_back({"exponent 14 passes the reader", tbcompress::compress(sample.data(), sample.size(), 14, nullptr),
                   sample});
  const tbcompress::Token x = tbcompress::literalToken('x'), match = tbcompress::matchToken(0, 8191);
  cases.push_back({"a last size field of 0 is a full block; distance 1 repeats the last byte",
                   oneBlock({{'x', 1}, {match.symbol, 1}}, {x, match}), std::vector<uint8_t>(8192, 'x')});
  cases.push_back({"a single code of length 1 takes no bits", oneBlock({{'A', 1}}, {}),
                   std::vector<uint8_t>(8192, 'A')});
  std::vector<uint8_t> block(8192);
  for (size_t i = 0; i < block.size(); ++i) block[i] = uint8_t(i * 7);
  FileImage storedImage;  // an empty code: only stored blocks can be read
  const std::vector<uint8_t> tail(block.begin(), block.begin() + 300);
  storedImage.blocks = {block, tail};
  storedImage.lastBlockLength = 300;
  block.insert(block.end(), tail.begin(), tail.end());
  cases.push_back({"stored blocks are copied without a code", tbcompress::assemble(storedImage), block});
  for (const auto &[name, file, expected] : cases) {
    std::vector<uint8_t> decoded;
    EXPECT_EQ(decodeFile(file, &decoded), DECODE_OK) << name;
    EXPECT_TRUE(decoded == expected) << name;
  }
}

}  // namespace
