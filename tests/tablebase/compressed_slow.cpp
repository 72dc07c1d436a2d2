// Generated tables packed by the compressor: the engine reads the same
// value at every index from the compressed files as from the plain ones.
#include "compressed_fixture.h"
#include "tablebase_fixture.h"

namespace {

TEST(CompressedTables, ReadLikeThePlainFiles) {
  const std::vector<std::string> names = {"kqk", "krk", "kqkr"};
  const std::string &plainDirectory = tbtest::generatedTables(names);
  test::TempDir packedDirectory;
  // Both sides under two of the names the registry accepts.
  const char *const packedSuffix[2] = {".nbw.emd", "_nbb.emd"};
  for (const std::string &name : names)
    for (int side = 0; side < 2; side++) {
      const std::string plain = test::readFile(tbsolver::fileName(plainDirectory, tbtest::idOf(name), side));
      const std::vector<uint8_t> packed =
          tbcompress::compress(reinterpret_cast<const uint8_t *>(plain.data()), plain.size(), 13, nullptr);
      packedDirectory.write(name + packedSuffix[side], std::string(packed.begin(), packed.end()));
    }

  // Every value of every table, read from the plain files and then the packed ones.
  auto allValues = [&](const std::string &directory) {
    EXPECT_EQ(tbtest::registerTables(directory), 4);
    std::vector<int32_t> values;
    for (const std::string &name : names)
      for (int side = 0; side < 2; side++) {
        EXPECT_TRUE(TbIsRegistered(tbtest::idOf(name), side)) << name;
        for (uint32_t index = 0; index < tbExpectedSizes[tbtest::idOf(name)][side]; index++)
          values.push_back(TbProbeTable(tbtest::idOf(name), side, index));
      }
    return values;
  };
  EXPECT_TRUE(allValues(plainDirectory) == allValues(packedDirectory.path));
  tbtest::registerTables("");
}

}  // namespace
