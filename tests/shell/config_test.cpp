// The configuration file's rules, read in-process from temporary files.
#include "shell/config.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "engine_process.h"
#include "search/hash_tables.h"
#include "shell/engine_state.h"

namespace {

class ConfigTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  void SetUp() override {
    resetEngineState();
    // Values the defaults must replace.
    shell.engineFlags = 0xFF;
    hashTables.hashShift = 9;
    std::snprintf(tablebaseSettings.tbPath, sizeof tablebaseSettings.tbPath, "old");
    tablebaseSettings.tbCacheMB = 33;
  }
  void TearDown() override {
    resetEngineState();
    hashTables.hashShift = DEFAULT_HASH_SHIFT;
  }
  void read(const std::string &content) { readConfigFrom(dir.write("vorn.cfg", content).c_str()); }
};

TEST_F(ConfigTest, MissingFileGivesTheDefaults) {
  readConfigFrom((dir.path + "/absent.cfg").c_str());
  EXPECT_EQ(shell.engineFlags, FLAG_XBOARD | FLAG_POST);
  EXPECT_EQ(hashTables.hashShift, 16);
  EXPECT_STREQ(tablebaseSettings.tbPath, "");
  EXPECT_EQ(tablebaseSettings.tbCacheMB, 2);
}

TEST_F(ConfigTest, ReadsVornCfgInTheWorkingDirectory) {
  char previous[4096];
  ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
  dir.write("vorn.cfg", "LEARN 1\n");
  ASSERT_EQ(chdir(dir.path.c_str()), 0);
  readConfig();
  ASSERT_EQ(chdir(previous), 0);
  EXPECT_EQ(shell.engineFlags, FLAG_XBOARD | FLAG_POST | FLAG_LEARN);
}

TEST_F(ConfigTest, EveryKey) {
  read("PONDER 1\nLEARN 1\nRESIGN 1\nTT_SIZE 24576\nEGTB_PATH /data/tb\nEGTB_CACHE_SIZE 16\n");
  EXPECT_EQ(shell.engineFlags, FLAG_XBOARD | FLAG_POST | FLAG_PONDER | FLAG_LEARN | FLAG_RESIGN);
  EXPECT_EQ(hashTables.hashShift, 13);
  EXPECT_STREQ(tablebaseSettings.tbPath, "/data/tb");
  EXPECT_EQ(tablebaseSettings.tbCacheMB, 16);
}

TEST_F(ConfigTest, TableSizes) {
  const struct {
    const char *line;
    int shift;
  } cases[] = {
      {"TT_SIZE 3100", 16},
      {"TT_SIZE 10", 16},
      {"TT_SIZE 24576", 13},
      {"TT_SIZE -1", 16},
      {"TT_SIZE 48", 22},
      {"TT_SIZE 4294967344", MIN_HASH_SHIFT},
      {"TT_SIZE 8192kb", 15},
      {"TT_SIZE x", 16},
      {"TT_SIZE 100\nTT_SIZE 24576", 13},
      {"TT_SIZE 24576\nTT_SIZE 0", 16},
  };
  for (const auto &c : cases) {
    read(c.line);
    EXPECT_EQ(hashTables.hashShift, c.shift) << c.line;
  }
}

TEST_F(ConfigTest, CacheSizeOutOfRangeBecomesTwo) {
  const struct {
    const char *line;
    int megabytes;
  } cases[] = {
      {"EGTB_CACHE_SIZE 0", 2},
      {"EGTB_CACHE_SIZE 100", 2},
      {"EGTB_CACHE_SIZE 1", 1},
      {"EGTB_CACHE_SIZE 64", 64},
      {"EGTB_CACHE_SIZE 65", 2},
      {"EGTB_CACHE_SIZE -3", 2},
      {"EGTB_CACHE_SIZE 99999999999999999999", 2},
  };
  for (const auto &c : cases) {
    read(c.line);
    EXPECT_EQ(tablebaseSettings.tbCacheMB, c.megabytes) << c.line;
  }
}

TEST_F(ConfigTest, FlagsCanOnlyBeSwitchedOn) {
  read("PONDER 1\nPONDER 0\n");
  EXPECT_TRUE(shell.engineFlags & FLAG_PONDER);
  read("PONDER 2\nLEARN yes\nRESIGN 0\n");
  EXPECT_EQ(shell.engineFlags, FLAG_XBOARD | FLAG_POST);
}

TEST_F(ConfigTest, KeyAndValueSeparators) {
  const struct {
    const char *line;
    bool on;
  } cases[] = {
      {"PONDER 1", true},      {"PONDER = 1", true},  {"PONDER\t1", true},   {"PONDER =1", true}, {"  PONDER 1", true},
      {"PONDER 1 # on", true}, {"PONDER 1\r", true},  {"PONDER=1", false},   {"PONDER", false},   {"ponder 1", false},
      {"PONDER\r\n1", false},  {"# PONDER 1", false}, {"PONDER_X 1", false},
  };
  for (const auto &c : cases) {
    read(c.line);
    EXPECT_EQ((shell.engineFlags & FLAG_PONDER) != 0, c.on) << c.line;
  }
}

TEST_F(ConfigTest, WindowsLineEndsAndAMissingLastLineFeed) {
  read("LEARN 1\r\nEGTB_PATH C:/tb\r\nRESIGN 1");
  EXPECT_EQ(shell.engineFlags, FLAG_XBOARD | FLAG_POST | FLAG_LEARN | FLAG_RESIGN);
  EXPECT_STREQ(tablebaseSettings.tbPath, "C:/tb");
}

TEST_F(ConfigTest, OnlyTheStartOfALongLineCounts) {
  // The key on the same line beyond its first 254 characters is not a new line.
  read(std::string(300, '#') + " TT_SIZE 24576\nEGTB_PATH " + std::string(400, 'p') + "\n");
  EXPECT_EQ(hashTables.hashShift, 16);
  EXPECT_EQ(std::string(tablebaseSettings.tbPath), std::string(254 - 10, 'p'));
}

TEST_F(ConfigTest, GarbageIsHarmless) {
  std::string garbage;
  uint32_t x = 99;
  for (int i = 0; i < 50000; i++) {
    x = x * 1664525 + 1013904223;
    garbage += char(x >> 24);
    if (i % 997 == 0) garbage += "\nTT_SIZE ";
    if (i % 1499 == 0) garbage += std::string("\0EGTB_PATH ", 11);
  }
  read(garbage);
  EXPECT_GE(hashTables.hashShift, MIN_HASH_SHIFT);
  EXPECT_LE(hashTables.hashShift, 23);
  EXPECT_LT(std::strlen(tablebaseSettings.tbPath), sizeof tablebaseSettings.tbPath);
  EXPECT_GE(tablebaseSettings.tbCacheMB, 1);
  EXPECT_LE(tablebaseSettings.tbCacheMB, 64);
}

}  // namespace
