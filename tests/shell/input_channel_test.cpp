// The input channel on pipes and files: how bytes become lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <thread>

#include "engine_process.h"
#include "shell/input.h"
#include "test_support.h"

namespace {

class InputChannelTest : public ::testing::Test {
 protected:
  int writeEnd = -1;
  void SetUp() override {
    alarm(60);  // a read that waits where it must not fails the test instead of hanging it
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    readEnd_ = fds[0];
    writeEnd = fds[1];
    setupInputFrom(readEnd_);
  }
  void TearDown() override {
    alarm(0);
    closeWriter();
    close(readEnd_);
  }
  void put(const std::string &text) { ASSERT_EQ(write(writeEnd, text.data(), text.size()), ssize_t(text.size())); }
  void closeWriter() {
    if (writeEnd >= 0) close(writeEnd);
    writeEnd = -1;
  }
  static std::string line(const char *text) { return text ? std::string(text) : std::string("<none>"); }

 private:
  int readEnd_ = -1;
};

// Nothing waiting, several lines in one write, a line split over writes, and
// line ends: only the CR before the line feed goes.
TEST_F(InputChannelTest, BytesBecomeLinesInOrder) {
  EXPECT_EQ(test::numbers(input.inputIsPipe, input.inputIsFile, inputWaiting()), test::numbers(1, 0, 0));
  EXPECT_EQ(getLine(0), nullptr);
  put("uci\nisready\n");
  EXPECT_EQ(line(getLine(1)), "uci");
  EXPECT_EQ(inputWaiting(), 1);  // the second line is already buffered
  EXPECT_EQ(line(getLine(0)), "isready");
  EXPECT_EQ(getLine(0), nullptr);
  put("posi");
  EXPECT_EQ(inputWaiting(), 4);
  EXPECT_EQ(getLine(0), nullptr);
  put("tion startpos");
  EXPECT_EQ(getLine(0), nullptr);
  put("\ngo");
  EXPECT_EQ(line(getLine(0)), "position startpos");
  EXPECT_EQ(getLine(0), nullptr);
  put("\nquit\r\nbo\rard\n\n\r\n \r\r\n");
  for (const char *expected : {"go", "quit", "bo\rard", "", "", " \r"}) EXPECT_EQ(line(getLine(1)), expected);
}

TEST_F(InputChannelTest, ClosedPipeBecomesQuit) {
  put("isready\nunfinished");
  closeWriter();
  // The last line needs no line feed.
  for (const char *expected : {"isready", "unfinished", "quit"}) EXPECT_EQ(line(getLine(0)), expected);
  EXPECT_EQ(inputWaiting(), -1);
  EXPECT_EQ(line(getLine(1)), "quit");
  EXPECT_EQ(line(getLine(0)), "quit");
}

// Beyond the buffer a line is dropped with an error, also as the last line.
TEST_F(InputChannelTest, OverlongLinesAreDroppedWithAnError) {
  testing::internal::CaptureStdout();
  std::thread writer([&] { put("first\n" + std::string(3 * INPUT_BUFFER_SIZE, 'x') + "\nisready\n"); });
  EXPECT_EQ(line(getLine(1)), "first");
  EXPECT_EQ(line(getLine(1)), "isready");
  writer.join();
  writer = std::thread([&] {
    put(std::string(INPUT_BUFFER_SIZE + 10, 'y'));
    closeWriter();
  });
  EXPECT_EQ(line(getLine(1)), "quit");
  writer.join();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "ERROR (input line too long): getLine\n"
            "ERROR (input line too long): getLine\n");
}

TEST(InputChannelFile, RegularFileIsReadToItsEnd) {
  test::TempDir dir;
  std::string content;
  for (int i = 0; i < 2000; i++) content += "ping " + std::to_string(i) + "\n";
  int fd = open(dir.write("commands", content + "last").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  setupInputFrom(fd);
  EXPECT_EQ(input.inputIsFile, 1);
  for (int i = 0; i < 2000; i++) ASSERT_EQ(std::string(getLine(i & 1)), "ping " + std::to_string(i));
  for (const char *expected : {"last", "quit"}) EXPECT_EQ(std::string(getLine(1)), expected);
  EXPECT_EQ(inputWaiting(), -1);
  close(fd);
}

}  // namespace
