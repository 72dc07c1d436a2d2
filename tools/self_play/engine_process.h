// An engine process for the self-play referee: started through the shell,
// spoken to over two pipes, read line by line with deadlines, and ended with
// "quit" and, when it does not go, SIGKILL.  Every line can be logged with
// the time since the start.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace selfplay {

inline int64_t nowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Set by SIGINT or SIGTERM: the running game ends unterminated.
inline volatile sig_atomic_t stopRequested = 0;

inline FILE *logFile = nullptr;
inline int64_t logStart = 0;

inline void logLine(const std::string &who, const char *direction, const std::string &line) {
  if (!logFile) return;
  std::fprintf(logFile, "%8lld %s %s %s\n", static_cast<long long>(nowMs() - logStart), who.c_str(), direction,
               line.c_str());
}

// How an engine is started and set up: its command line, a name that
// replaces the one it reports, its options (UCI only), the protocol it
// speaks, its own depth limit (0: the match's control) and whether it
// ponders (-1: as the match says).
struct EngineConfig {
  std::string command;
  std::string name;
  std::vector<std::pair<std::string, std::string>> options;
  bool xboard = false;
  int depth = 0;
  int ponder = -1;
};

class Engine {
 public:
  explicit Engine(const EngineConfig &config, int index) : config_(config), tag_("[" + std::to_string(index) + "]") {}
  ~Engine() { terminate(); }

  const std::string &name() const { return name_; }
  const EngineConfig &config() const { return config_; }
  bool running() const { return pid_ > 0 && !dead_; }

  // Starts the process and runs the handshake: "uci" ... "uciok", the
  // options, "isready" ... "readyok".  Returns false with a reason.
  bool start(std::string &error) {
    terminate();
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
      error = "cannot create pipes";
      return false;
    }
    pid_ = fork();
    if (pid_ < 0) {
      for (int fd : {in[0], in[1], out[0], out[1]}) close(fd);
      error = "cannot start the process";
      return false;
    }
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      std::string exec = "exec " + config_.command;
      execl("/bin/sh", "sh", "-c", exec.c_str(), static_cast<char *>(nullptr));
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toEngine_ = in[1];
    fromEngine_ = out[0];
    dead_ = false;
    buffer_.clear();
    pondering = false;
    handshakeDone_ = false;
    name_ = config_.name;
    if (config_.xboard) return startXboard(error);
    send("uci");
    std::string line;
    for (;;) {
      int got = readLine(line, nowMs() + 10000);
      if (got <= 0) {
        error = got == 0 ? "no uciok within 10 s" : "ended during the handshake";
        return false;
      }
      if (line == "uciok") break;
      if (line.compare(0, 8, "id name ") == 0 && config_.name.empty()) name_ = line.substr(8);
    }
    if (name_.empty()) name_ = config_.command;
    handshakeDone_ = true;
    for (const auto &option : config_.options) send("setoption name " + option.first + " value " + option.second);
    return synchronise(error);
  }

  // "isready" and its "readyok" (xboard: "ping N" and "pong N"), ignoring
  // what else arrives meanwhile.  An xboard engine without the ping feature
  // is taken as ready.
  bool synchronise(std::string &error) {
    if (config_.xboard && !pingFeature_) return true;
    const std::string question = config_.xboard ? "ping " + std::to_string(++pings_) : "isready";
    const std::string answer = config_.xboard ? "pong " + std::to_string(pings_) : "readyok";
    send(question);
    std::string line;
    for (;;) {
      int got = readLine(line, nowMs() + 10000);
      if (got <= 0) {
        error = (got == 0 ? "no " : "ended before ") + answer + (got == 0 ? " within 10 s" : "");
        return false;
      }
      if (line == answer) return true;
    }
  }

  void send(const std::string &line) {
    logLine(tag_, ">", line);
    std::string text = line + "\n";
    size_t done = 0;
    while (done < text.size() && !dead_) {
      ssize_t n = write(toEngine_, text.data() + done, text.size() - done);
      if (n <= 0) {
        if (n < 0 && errno == EINTR) continue;
        dead_ = true;
        return;
      }
      done += size_t(n);
    }
  }

  // The next complete line: 1, or 0 when the deadline passed, -1 when the
  // engine closed its output.
  int readLine(std::string &line, int64_t deadline) {
    for (;;) {
      if (takeLine(line)) return 1;
      if (dead_) return -1;
      int64_t left = deadline - nowMs();
      if (left <= 0) return 0;
      pollfd fd = {fromEngine_, POLLIN, 0};
      int ready = poll(&fd, 1, int(std::min<int64_t>(left, 1000)));
      if (ready < 0 && errno == EINTR) continue;
      if (ready > 0 && !readSome()) dead_ = true;
    }
  }
  // A line if one is already complete in the buffer.
  bool takeLine(std::string &line) {
    size_t end = buffer_.find('\n');
    if (end == std::string::npos) return false;
    line = buffer_.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    buffer_.erase(0, end + 1);
    logLine(tag_, "<", line);
    noteLine(line);
    return true;
  }
  // Reads what is waiting without blocking; false at the end of output.
  bool readSome() {
    char chunk[65536];
    ssize_t n = read(fromEngine_, chunk, sizeof chunk);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
    if (n <= 0) return false;
    buffer_.append(chunk, size_t(n));
    return true;
  }
  int outputFd() const { return fromEngine_; }
  void markDead() { dead_ = true; }

  // Ends the process: "quit", a moment's grace, then SIGKILL.
  void terminate() {
    if (pid_ <= 0) return;
    if (!dead_) send("quit");
    if (toEngine_ >= 0) close(toEngine_);
    toEngine_ = -1;
    int status;
    bool ended = false;
    for (int i = 0; i < 50 && !ended; i++) {
      if (waitpid(pid_, &status, WNOHANG) == pid_)
        ended = true;
      else
        usleep(20000);
    }
    if (!ended) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
    if (fromEngine_ >= 0) close(fromEngine_);
    fromEngine_ = -1;
    pid_ = -1;
  }

  // The xboard handshake: "xboard", "protover 2", and the features up to
  // "feature done=1".  An engine that announces no feature within two
  // seconds speaks the first version of the protocol.
  bool startXboard(std::string &error) {
    send("xboard");
    send("protover 2");
    pingFeature_ = false;
    bool anyFeature = false;
    std::string line;
    for (;;) {
      int got = readLine(line, nowMs() + (anyFeature ? 10000 : 2000));
      if (got < 0) {
        error = "ended during the handshake";
        return false;
      }
      if (got == 0) {
        if (!anyFeature) break;
        error = "no \"feature done=1\" within 10 s";
        return false;
      }
      if (line.compare(0, 8, "feature ") != 0) continue;
      anyFeature = true;
      if (line.find("ping=1") != std::string::npos) pingFeature_ = true;
      size_t name = line.find("myname=\"");
      if (name != std::string::npos && config_.name.empty()) {
        size_t end = line.find('"', name + 8);
        if (end != std::string::npos) name_ = line.substr(name + 8, end - name - 8);
      }
      if (line.find("done=1") != std::string::npos) break;
    }
    if (name_.empty()) name_ = config_.command;
    handshakeDone_ = true;
    return synchronise(error);
  }

  // Bookkeeping of what the engine printed.
  bool pondering = false;
  bool forced = false;    // xboard: in force mode, waiting for "go"
  size_t sentPlies = 0;   // xboard: the moves of the game it has been sent
  std::string ponderMove;
  int64_t lowestClockLeft = INT64_MAX;
  int64_t longestThink = 0;
  int nonUciLines = 0;
  std::string firstNonUciLine;

 private:
  // Counts the lines after the handshake that are no UCI message (a strict
  // interface might reject them).
  void noteLine(const std::string &line) {
    if (!handshakeDone_ || config_.xboard) return;
    static const char *known[] = {"id ",          "uciok", "readyok", "bestmove ", "copyprotection",
                                  "registration", "info",  "option "};
    for (const char *k : known)
      if (line.compare(0, std::strlen(k), k) == 0) return;
    if (line.empty()) return;
    if (nonUciLines++ == 0) firstNonUciLine = line;
  }

  EngineConfig config_;
  std::string tag_;
  std::string name_;
  pid_t pid_ = -1;
  int toEngine_ = -1, fromEngine_ = -1;
  bool dead_ = true;
  bool handshakeDone_ = false;
  bool pingFeature_ = false;
  int pings_ = 0;
  std::string buffer_;
};

}  // namespace selfplay
