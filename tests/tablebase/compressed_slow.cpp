// Generated tables packed by the compressor: the engine reads the same
// value at every index from the compressed files as from the plain ones.
#include <fstream>
#include <iterator>

#include "compressed_fixture.h"
#include "tablebase_fixture.h"

namespace {

TEST(CompressedTables, ReadLikeThePlainFiles) {
  const std::vector<std::string> names = {"kqk", "krk", "kqkr"};
  const std::string &plainDirectory = tbtest::generatedTables(names);
  test::TempDir packedDirectory;
  // Both sides under two of the names the registry accepts.
  const char *const packedSuffix[2] = {".nbw.emd", "_nbb.emd"};
  for (const std::string &name : names) {
    for (int side = 0; side < 2; side++) {
      std::ifstream in(tbsolver::fileName(plainDirectory, tbtest::idOf(name), side), std::ios::binary);
      const std::vector<uint8_t> plain{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      const std::vector<uint8_t> packed = tbcompress::compress(plain.data(), plain.size(), 13, nullptr);
      packedDirectory.write(name + packedSuffix[side], std::string(packed.begin(), packed.end()));
    }
  }

  std::vector<int32_t> values[3][2];
  ASSERT_EQ(tbtest::registerTables(plainDirectory), 4);
  for (size_t t = 0; t < names.size(); t++)
    for (int side = 0; side < 2; side++)
      for (uint32_t index = 0; index < tbExpectedSizes[tbtest::idOf(names[t])][side]; index++)
        values[t][side].push_back(TbProbeTable(tbtest::idOf(names[t]), side, index));
  ASSERT_EQ(tbtest::registerTables(packedDirectory.path), 4);
  for (size_t t = 0; t < names.size(); t++) {
    for (int side = 0; side < 2; side++) {
      const int id = tbtest::idOf(names[t]);
      ASSERT_TRUE(TbIsRegistered(id, side)) << names[t];
      uint32_t differences = 0;
      for (uint32_t index = 0; index < values[t][side].size(); index++)
        differences += TbProbeTable(id, side, index) != values[t][side][index];
      EXPECT_EQ(differences, 0u) << names[t] << " side " << side;
    }
  }
  tbtest::registerTables("");
}

}  // namespace
