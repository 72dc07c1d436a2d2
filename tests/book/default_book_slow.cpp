// The committed default book is what tools/make-default-book builds: the
// whole build is rerun (thousands of short games) and compared byte for byte.
#include "book_files.h"
#include "shell/engine_process.h"

TEST(DefaultBookSlow, RebuildsByteForByte) {
  test::TempDir work;
  const std::string source = VORN_SOURCE_DIR;
  const test::EngineRun run = test::runCommand(source + "/tools/make-default-book --build '" + VORN_BINARY_DIR +
                                                   "' --work '" + work.path + "/work' --out '" + work.path + "/out'",
                                               4 * 3600 * 1000);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(test::readFile(work.path + "/out/VornBook.bin") == test::readFile(source + "/data/VornBook.bin"));
}
