// A third-party UCI client: Debian's polyglot adapter runs the engine as its
// UCI engine and speaks xboard to us.  A short game through it must get legal
// moves back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine_process.h"
#include "position/move_text.h"
#include "test_support.h"

namespace {

const char *const polyglotPath = "/usr/games/polyglot";

// polyglot with pipes on both ends, its home and working directory a
// temporary one (it may keep settings there).
class Polyglot {
 public:
  explicit Polyglot(const std::string &home) {
    signal(SIGPIPE, SIG_IGN);
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      dup2(out[1], 2);
      if (chdir(home.c_str()) != 0) _exit(127);
      setenv("HOME", home.c_str(), 1);
      std::string engine = test::enginePath();
      execl(polyglotPath, "polyglot", "-noini", "-ec", engine.c_str(), static_cast<char *>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toPolyglot_ = in[1];
    fromPolyglot_ = out[0];
  }
  ~Polyglot() {
    if (toPolyglot_ >= 0) close(toPolyglot_);
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (fromPolyglot_ >= 0) close(fromPolyglot_);
  }
  void send(const std::string &text) {
    if (write(toPolyglot_, text.data(), text.size()) != ssize_t(text.size())) ADD_FAILURE() << "write failed";
  }
  // Waits for the `n`-th line starting with `start`; returns it, or "" after
  // the time-out.
  std::string waitForLine(const std::string &start, size_t n, int timeoutMs = 30000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      std::vector<std::string> found;
      size_t at = 0, end;
      while ((end = output_.find('\n', at)) != std::string::npos) {
        std::string line = output_.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, start.size(), start) == 0) found.push_back(line);
        at = end + 1;
      }
      if (found.size() >= n) return found[n - 1];
      int left = int(
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
      pollfd fd = {fromPolyglot_, POLLIN, 0};
      if (left <= 0 || poll(&fd, 1, left) <= 0) return "";
      char buffer[4096];
      ssize_t got = read(fromPolyglot_, buffer, sizeof buffer);
      if (got <= 0) return "";
      output_.append(buffer, size_t(got));
    }
  }
  int finish() {
    close(toPolyglot_);
    toPolyglot_ = -1;
    while (!waitForLine("\x01 never", 1, 10000).empty()) {
    }
    int status = 0;
    for (int i = 0; i < 100; i++) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      usleep(50000);
    }
    return -1;
  }
  const std::string &output() const { return output_; }

 private:
  pid_t pid_ = -1;
  int toPolyglot_ = -1, fromPolyglot_ = -1;
  bool reaped_ = false;
  std::string output_;
};

// The move of an xboard "move" line, if it is legal on the test's board; it
// is then played there.
bool playReply(const std::string &line) {
  if (line.compare(0, 5, "move ") != 0) return false;
  Move move = test::findMove(line.substr(5));
  if (!move) return false;
  makeMove(move);
  pos.searchPly = 0;
  return true;
}

// A legal move for the side to move (a knight or pawn move if there is one),
// played on the test's board and returned as text.
std::string playSomething() {
  std::vector<Move> legal = test::legalMoves();
  Move chosen = legal.empty() ? 0 : legal.front();
  for (Move m : legal)
    if (wordType(pos.board[moveFrom(m)]) == KNIGHT) chosen = m;
  std::string text = moveToUciCoordinates(chosen);
  makeMove(chosen);
  pos.searchPly = 0;
  return text;
}

TEST(PolyglotAdapter, AShortGameGetsLegalMoves) {
  struct stat info;
  if (stat(polyglotPath, &info) != 0) GTEST_SKIP() << "polyglot is not installed";
  test::TempDir home;
  Polyglot polyglot(home.path);
  polyglot.send("xboard\nprotover 2\n");
  ASSERT_NE(polyglot.waitForLine("feature done=1", 1), "") << polyglot.output();

  test::setUp();
  ASSERT_NE(test::findMove("e2e4"), 0u);
  makeMove(test::findMove("e2e4"));
  pos.searchPly = 0;
  // Five seconds left on each clock, as an interface reports before a move.
  polyglot.send("new\nlevel 40 1 0\ntime 500\notim 500\ne2e4\n");
  std::string reply = polyglot.waitForLine("move ", 1);
  ASSERT_TRUE(playReply(reply)) << reply << "\n" << polyglot.output();

  polyglot.send("time 480\notim 480\n" + playSomething() + "\n");
  reply = polyglot.waitForLine("move ", 2);
  ASSERT_TRUE(playReply(reply)) << reply << "\n" << polyglot.output();

  // In force mode the moves are only recorded; "go" lets the engine play the
  // side to move.
  std::string first = playSomething();
  std::string second = playSomething();
  polyglot.send("force\n" + first + "\n" + second + "\ntime 460\notim 460\ngo\n");
  reply = polyglot.waitForLine("move ", 3);
  ASSERT_TRUE(playReply(reply)) << reply << "\n" << polyglot.output();

  polyglot.send("quit\n");
  EXPECT_EQ(polyglot.finish(), 0);
  EXPECT_EQ(polyglot.output().find("Illegal move"), std::string::npos) << polyglot.output();
}

}  // namespace
