// The configuration file's rules, read in-process from temporary files.
#include "shell/config.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "engine_process.h"
#include "search/hash_tables.h"
#include "shell/engine_state.h"
#include "test_support.h"

namespace {

class ConfigTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  void SetUp() override { resetEngineState(); }
  void TearDown() override {
    resetEngineState();
    hashTables.hashShift = DEFAULT_HASH_SHIFT;
  }
  // Reads the file (none for nullptr) over settings the defaults must replace.
  void read(const char *content) {
    shell.engineFlags = 0xFF;
    hashTables.hashShift = 9;
    std::snprintf(tablebaseSettings.tbPath, sizeof tablebaseSettings.tbPath, "old");
    tablebaseSettings.tbCacheMB = 33;
    readConfigFrom(content ? dir.write("vorn.cfg", content).c_str() : (dir.path + "/absent.cfg").c_str());
  }
};

constexpr int BASE = FLAG_XBOARD | FLAG_POST, PONDER = BASE | FLAG_PONDER;

TEST_F(ConfigTest, EveryRule) {
  const std::tuple<const char *, int, int, int, const char *> cases[] = {
      {nullptr, 16, 2, BASE, ""},  // a missing file gives the defaults
      {"PONDER 1\nLEARN 1\nRESIGN 1\nTT_SIZE 24576\nEGTB_PATH /data/tb\nEGTB_CACHE_SIZE 16\n", 13, 16,
       BASE | FLAG_PONDER | FLAG_LEARN | FLAG_RESIGN, "/data/tb"},
      {"LEARN 1\r\nEGTB_PATH C:/tb\r\nRESIGN 1", 16, 2, BASE | FLAG_LEARN | FLAG_RESIGN, "C:/tb"},
      // The table size in kilobytes, below 48 the default, capped, last line wins.
      {"TT_SIZE 3100", 16, 2, BASE, ""},
      {"TT_SIZE 10", 16, 2, BASE, ""},
      {"TT_SIZE -1", 16, 2, BASE, ""},
      {"TT_SIZE 48", 22, 2, BASE, ""},
      {"TT_SIZE 4294967344", MIN_HASH_SHIFT, 2, BASE, ""},
      {"TT_SIZE 8192kb", 15, 2, BASE, ""},
      {"TT_SIZE x", 16, 2, BASE, ""},
      {"TT_SIZE 100\nTT_SIZE 24576", 13, 2, BASE, ""},
      {"TT_SIZE 24576\nTT_SIZE 0", 16, 2, BASE, ""},
      // The cache from 1 to 64 MB, else 2.
      {"EGTB_CACHE_SIZE 0", 16, 2, BASE, ""},
      {"EGTB_CACHE_SIZE 1", 16, 1, BASE, ""},
      {"EGTB_CACHE_SIZE 64", 16, 64, BASE, ""},
      {"EGTB_CACHE_SIZE 65", 16, 2, BASE, ""},
      {"EGTB_CACHE_SIZE 99999999999999999999", 16, 2, BASE, ""},
      // Flags can only be switched on, by a 1.
      {"PONDER 1\nPONDER 0\n", 16, 2, PONDER, ""},
      {"PONDER 2\nLEARN yes\nRESIGN 0\n", 16, 2, BASE, ""},
      // Separators between key and value.
      {"PONDER = 1", 16, 2, PONDER, ""},
      {"PONDER\t1", 16, 2, PONDER, ""},
      {"PONDER =1", 16, 2, PONDER, ""},
      {"  PONDER 1", 16, 2, PONDER, ""},
      {"PONDER 1 # on", 16, 2, PONDER, ""},
      {"PONDER 1\r", 16, 2, PONDER, ""},
      {"PONDER=1", 16, 2, BASE, ""},
      {"PONDER", 16, 2, BASE, ""},
      {"ponder 1", 16, 2, BASE, ""},
      {"PONDER\r\n1", 16, 2, BASE, ""},
      {"# PONDER 1", 16, 2, BASE, ""},
      {"PONDER_X 1", 16, 2, BASE, ""}};
  for (const auto &[text, shift, cacheMB, flags, path] : cases) {
    read(text);
    const char *file = text ? text : "(none)";
    EXPECT_EQ(test::numbers(hashTables.hashShift, tablebaseSettings.tbCacheMB, shell.engineFlags),
              test::numbers(shift, cacheMB, flags))
        << file;
    EXPECT_STREQ(tablebaseSettings.tbPath, path) << file;
  }
}

TEST_F(ConfigTest, OnlyTheStartOfALongLineCounts) {
  // The key on the same line beyond its first 254 characters is not a new line.
  read((std::string(300, '#') + " TT_SIZE 24576\nEGTB_PATH " + std::string(400, 'p') + "\n").c_str());
  EXPECT_EQ(hashTables.hashShift, 16);
  EXPECT_EQ(std::string(tablebaseSettings.tbPath), std::string(254 - 10, 'p'));
}

}  // namespace
