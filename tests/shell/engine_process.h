// Running the real engine binary (or an adapter in front of it) over pipes,
// as an interface does.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace test {

inline std::string enginePath() { return std::string(VORN_BINARY_DIR) + "/vorn"; }

// What every start prints before it reads anything.
inline std::string banner(const std::string &name = "Vorn 2.0") {
  return name + "\nChess engine for xboard and UCI interfaces; send \"xboard\" or \"uci\" to begin\n\n";
}

inline const char *const startBoard =
    "r n b q k b n r\n"
    "p p p p p p p p\n"
    ". . . . . . . .\n"
    ". . . . . . . .\n"
    ". . . . . . . .\n"
    ". . . . . . . .\n"
    "P P P P P P P P\n"
    "R N B Q K B N R\n";

inline std::string memoryReport(int transKilobytes, const char *status) {
  return "Memory Usage:\n    Transposition Table: " + std::to_string(transKilobytes) +
         " KB\n    Pawn Hash          : 1120 KB\n    Endgame Tablebase  : 0 MB\n\nEGTB Status: " + status + "\n\n";
}

// The answer to "uci" after the memory report.
inline const char *const uciIdentification =
    "id name Vorn 2.0\n"
    "id author Hestrel\n"
    "option name Hash type spin default 4 min 1 max 256\n"
    "option name NalimovPath type string default \n"
    "option name NalimovCache type spin default 2 min 1 max 64\n"
    "option name Ponder type check default false\n"
    "option name OwnBook type check default true\n"
    "option name MultiPV type spin default 1 min 1 max 5\n"
    "option name UCI_Opponent type string\n"
    "option name EnableBookLearning type check default true\n"
    "option name CanResign type check default true\n"
    "uciok\n";

inline const char *const xboardFeatures =
    "feature ping=1 setboard=1 san=0 time=1 draw=0\n"
    "feature sigint=0 sigterm=0 reuse=1 analyze=1\n"
    "feature myname=\"Vorn 2.0\" name=1\n"
    "feature playother=1 colors=0\n"
    "feature variants=\"normal\"\n"
    "feature done=1\n";

// The finished lines of `text` that start with `start`, without a CR before
// the line feed.
inline std::vector<std::string> linesStartingWith(const std::string &text, const std::string &start) {
  std::vector<std::string> found;
  for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, start.size(), start) == 0) found.push_back(line);
  }
  return found;
}

inline bool fileExists(const std::string &path) { return access(path.c_str(), F_OK) == 0; }

// The whole file, empty if it cannot be read.
inline std::string fileText(const std::string &path) {
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  return text.str();
}

// Knights going out and back, `plies` moves separated by spaces: g1f3 g8f6
// f3g1 f6g8 ...
inline std::string knightShuffle(int plies) {
  static const char *const cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  std::string moves;
  for (int i = 0; i < plies; i++) (moves += i ? " " : "") += cycle[i % 4];
  return moves;
}

// A fresh empty directory, removed with its files when the object goes.
struct TempDir {
  std::string path;
  TempDir() {
    char name[] = "/tmp/vorn-test-XXXXXX";
    path = mkdtemp(name) ? name : "";
  }
  ~TempDir() {
    if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
  }
  std::string write(const std::string &file, const std::string &content) const {
    std::string full = path + "/" + file;
    std::ofstream(full, std::ios::binary) << content;
    return full;
  }
};

struct EngineRun {
  std::string output;
  int exitCode = -1;  // -1: killed after the time-out
};

// The engine started as a child process with pipes on both ends (or, with
// `stdinFd` >= 0, with that descriptor as its standard input).  `argv`
// starts with the invocation name; with a `workDir` the child runs there and
// has it as its home.  Another `program` than the engine may be run.
class EngineProcess {
 public:
  explicit EngineProcess(const std::vector<std::string> &argv = {"vorn"}, const std::string &workDir = "",
                         int stdinFd = -1, std::string program = "") {
    if (program.empty()) program = enginePath();
    signal(SIGPIPE, SIG_IGN);  // an engine that has quit must not kill the test
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      if (!workDir.empty() && (chdir(workDir.c_str()) != 0 || setenv("HOME", workDir.c_str(), 1) != 0)) _exit(127);
      dup2(stdinFd >= 0 ? stdinFd : in[0], 0);
      dup2(out[1], 1);
      std::vector<char *> args;
      for (const std::string &a : argv) args.push_back(const_cast<char *>(a.c_str()));
      args.push_back(nullptr);
      execv(program.c_str(), args.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toEngine_ = in[1];
    fromEngine_ = out[0];
    if (stdinFd >= 0) closeInput();
  }
  ~EngineProcess() {
    closeInput();
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (fromEngine_ >= 0) close(fromEngine_);
  }

  // Writes everything while reading what the engine says meanwhile, so
  // neither side can block the other.
  void send(const std::string &text) {
    size_t done = 0;
    while (done < text.size() && toEngine_ >= 0) {
      pollfd fds[2] = {{toEngine_, POLLOUT, 0}, {fromEngine_, POLLIN, 0}};
      if (poll(fds, 2, 10000) <= 0) return;
      if (fds[1].revents) readSome();
      if (fds[0].revents & (POLLERR | POLLHUP)) return;
      if (fds[0].revents & POLLOUT) {
        ssize_t n = write(toEngine_, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += size_t(n);
      }
    }
  }
  void closeInput() {
    if (toEngine_ >= 0) close(toEngine_);
    toEngine_ = -1;
  }
  // Reads until the output holds `n` lines starting with `start` (true), or
  // the output ends or the time runs out (false).  An empty `start` waits
  // for the end.
  bool waitForLines(const std::string &start, size_t n, int timeoutMs = 60000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (start.empty() || linesStartingWith(output_, start).size() < n) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
      pollfd fd = {fromEngine_, POLLIN, 0};
      if (left <= 0 || poll(&fd, 1, int(left)) <= 0 || !readSome()) return false;
    }
    return true;
  }
  // Closes the input, reads to the end and returns the output and exit code.
  EngineRun finish(int timeoutMs = 20000) {
    closeInput();
    waitForLines("", 0, timeoutMs);
    if (!ended_) kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
    reaped_ = true;
    EngineRun run;
    run.output = output_;
    if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    return run;
  }
  const std::string &output() const { return output_; }

 private:
  bool readSome() {
    char buffer[65536];
    ssize_t n = read(fromEngine_, buffer, sizeof buffer);
    ended_ = n <= 0;
    if (ended_) return false;
    output_.append(buffer, size_t(n));
    return true;
  }
  pid_t pid_ = -1;
  int toEngine_ = -1;
  int fromEngine_ = -1;
  bool reaped_ = false, ended_ = false;
  std::string output_;
};

// Runs the engine on `input` (then the end of input) and collects everything.
inline EngineRun runEngine(const std::string &input, const std::string &workDir = "") {
  EngineProcess engine({"vorn"}, workDir);
  engine.send(input);
  return engine.finish();
}

// A shell command run to its end, its output with its error output.
inline EngineRun runCommand(const std::string &command, int timeoutMs) {
  return EngineProcess({"sh", "-c", command + " 2>&1"}, "", -1, "/bin/sh").finish(timeoutMs);
}

}  // namespace test
