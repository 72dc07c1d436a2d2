// The engine initialised in the test process with UCI chosen, its input a
// pipe the test owns (so a search that polls finds only what the test wrote).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "search/hash_tables.h"
#include "shell/clock.h"
#include "shell/dispatcher.h"
#include "shell/engine_state.h"
#include "shell/input.h"
#include "shell/startup.h"
#include "test_support.h"

namespace test {

class UciTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetEngineState();
    ASSERT_EQ(pipe(inputPipe_), 0);
    setupInputFrom(inputPipe_[0]);
    ASSERT_EQ(initApp(), 1);
    shell.engineFlags = (shell.engineFlags & ~FLAG_XBOARD) | FLAG_UCI;
  }
  void TearDown() override {
    freeEverything();
    close(inputPipe_[0]);
    close(inputPipe_[1]);
    setClockSource(nullptr);
    resetEngineState();
    hashTables.hashShift = DEFAULT_HASH_SHIFT;
  }

  // One line through the dispatcher, as the engine reads it.
  static void send(const std::string &line) {
    std::vector<char> text(line.begin(), line.end());
    text.push_back('\0');
    dispatchLine(text.data());
  }
  // Lines waiting on the engine's input, for a search or the loop to read.
  void queueInput(const std::string &text) {
    ASSERT_EQ(write(inputPipe_[1], text.data(), text.size()), ssize_t(text.size()));
  }
  int inputWriteEnd() const { return inputPipe_[1]; }

 private:
  int inputPipe_[2] = {-1, -1};
};

}  // namespace test
