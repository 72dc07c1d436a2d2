// Registration: directory lists, file-name variants, the largest table
// size found, files that are refused, and material lookup.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "../../tools/tb_compressor.h"
#include "tablebase_fixture.h"

namespace {

// A file of the given size in positions (sparse: nothing is written).
void makeFile(const std::string &name, uint64_t size) {
  int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0) << name;
  ASSERT_EQ(ftruncate(fd, off_t(size)), 0);
  close(fd);
}

uint64_t sizeOf(const char *table, int side) { return tbExpectedSizes[tbtest::idOf(table)][side]; }

// The result of registering a directory list, and what it printed.
std::pair<int, std::string> registerCapturing(const std::string &path) {
  testing::internal::CaptureStdout();
  const int result = TbRegisterAll(path.c_str());
  return {result, testing::internal::GetCapturedStdout()};
}

std::string fileOf(const char *table, int side) {
  const char *name = tbRegistry.tables[tbtest::idOf(table)].file[side].fileName;
  return name ? name : "not registered";
}

class TablebaseRegistry : public testing::Test {
 protected:
  void SetUp() override { resetEngineState(); }
  void TearDown() override { TbRelease(); }
  test::TempDir one, two;
};

// The first directory that has a side's file wins; an empty part of the
// list (between "," or ";") is the working directory.
TEST_F(TablebaseRegistry, FirstDirectoryWinsPerSide) {
  test::TempDir working;
  makeFile(one.path + "/kqk.nbw", sizeOf("kqk", 0));
  makeFile(two.path + "/kqk.nbw", sizeOf("kqk", 0));
  makeFile(two.path + "/kqk.nbb", sizeOf("kqk", 1));
  makeFile(working.path + "/krk.nbw", sizeOf("krk", 0));
  char previous[4096];
  ASSERT_TRUE(getcwd(previous, sizeof previous));
  ASSERT_EQ(chdir(working.path.c_str()), 0);
  const auto registered = registerCapturing(one.path + ";" + two.path + ",," + two.path);
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(registered, std::pair(3, std::string()));
  EXPECT_EQ(std::tuple(fileOf("kqk", 0), fileOf("kqk", 1), fileOf("krk", 0)),
            std::tuple(one.path + "/kqk.nbw", two.path + "/kqk.nbb", std::string("krk.nbw")));
}

TEST_F(TablebaseRegistry, LargestTableDecidesTheResult) {
  const std::tuple<const char *, const char *, int, int> steps[] = {
      {"kqk.nbb", "kqk", 1, 3}, {"kqkr.nbw", "kqkr", 0, 4}, {"kqqkq.nbb", "kqqkq", 1, 5}};
  EXPECT_EQ(registerCapturing(one.path).first, 0);
  for (const auto &[file, table, side, result] : steps) {
    makeFile(one.path + "/" + file, sizeOf(table, side));
    EXPECT_EQ(registerCapturing(one.path).first, result) << file;
  }
}

// Refused files are reported and left out; the engine goes on.  Under UCI
// the reports are info strings; a long list of missing directories in front
// does not lose them.
TEST_F(TablebaseRegistry, RefusedFilesAreReported) {
  makeFile(one.path + "/kqk.nbw", sizeOf("kqk", 0) + 1);           // wrong size
  makeFile(one.path + "/krkp_nbb.emd", 5000);                       // not a compressed file of ours
  makeFile(one.path + "/kpk.nbw.emd", 100);
  ASSERT_EQ(mkfifo((one.path + "/kbk.nbw").c_str(), 0644), 0);      // must not block
  ASSERT_EQ(mkdir((one.path + "/knk.nbw").c_str(), 0755), 0);       // not a file
  const std::vector<uint8_t> draws(sizeOf("kbk", 1), 0), packed = tbcompress::compress(draws.data(), draws.size(), 14, nullptr);
  ASSERT_TRUE(tbsolver::writeFile(one.path + "/kbk.nbb.emd", std::vector<int8_t>(packed.begin(), packed.end())));
  for (bool uci : {false, true}) {
    std::string path;
    for (int i = 0; uci && i < 30; i++) path += two.path + "/missing" + std::to_string(i) + ";";
    shell.engineFlags = uci ? FLAG_UCI : 0;
    const auto [result, output] = registerCapturing(path + one.path);
    EXPECT_EQ(result, 0);
    // Four reports, one line each, and nothing about the missing directories.
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 4) << output;
    const std::string stars = uci ? "info string *** " : "*** ";
    for (const auto &[before, after] : {std::pair("", "/kqk.nbw corrupted\n"),
                                        std::pair("Unable to read ", "/krkp_nbb.emd - "),
                                        std::pair("Unable to read ", "/kpk.nbw.emd - "),
                                        std::pair("", "/kbk.nbb.emd: Unsupported block size 16384\n")})
      EXPECT_NE(output.find(stars + before + one.path + after), std::string::npos) << output;
  }
  for (const char *t : {"kqk", "krkp", "kpk", "kbk", "knk"}) EXPECT_FALSE(TbIsRegistered(tbtest::idOf(t), 0)) << t;
  for (const char *t : {"krkp", "kbk"}) EXPECT_FALSE(TbIsRegistered(tbtest::idOf(t), 1)) << t;
}

// Material lookup: the table's colours, the exchanged colours, counts
// beyond the budget.
TEST_F(TablebaseRegistry, MaterialLookup) {
  TbBuildTables();
  const struct {
    uint32_t counts[10];  // white pawns to queens, then black
    int id;
  } cases[] = {
      {{0, 0, 0, 0, 1}, 5},                  // kqk
      {{0, 0, 0, 0, 0, 0, 0, 0, 0, 1}, -5},  // black queen: kqk exchanged
      {{1, 0, 0, 0, 0, 1}, -6},              // kpkp always exchanged
      {{0, 0, 0, 1, 0, 0, 0, 0, 1}, 15},     // krkr, symmetric
      {{}, 0}, {{4}, 0}, {{0, 0, 0, 0, 2, 0, 0, 0, 0, 2}, 0},  // two kings; over the budget
  };
  for (const auto &c : cases) EXPECT_EQ(TbLookupMaterial(c.counts), c.id) << c.id;
}

}  // namespace
