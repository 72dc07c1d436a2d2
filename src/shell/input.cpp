// Reading command lines from standard input on POSIX systems.
//
// The channel is polled with poll() and FIONREAD, so a poll never waits.
// Bytes accumulate in inputBuffer until a line feed arrives; each line is
// then copied to lineBuffer and the rest moved to the front of the buffer.
#include "shell/input.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "shell/clock.h"
#include "shell/dispatcher.h"
#include "shell/engine_state.h"

InputChannel input;

void setupInputFrom(int fd) {
  input.inputHandle = fd;
  input.inputIsPipe = isatty(fd) ? 0 : 1;
  struct stat info;
  input.inputIsFile = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) ? 1 : 0;
  input.endOfInput = 0;
  input.droppingLine = 0;
  input.inputLength = 0;
  input.inputBuffer[0] = '\0';
  input.lineBuffer[0] = '\0';
}

void setupInput() { setupInputFrom(STDIN_FILENO); }

static char *bufferedLineFeed() {
  return static_cast<char *>(std::memchr(input.inputBuffer, '\n', size_t(input.inputLength)));
}

int inputWaiting() {
  if (bufferedLineFeed()) return 1;
  if (input.endOfInput) return -1;
  // A regular file never makes a read wait; its end shows when it is read.
  if (input.inputIsFile) return 1;
  pollfd request = {input.inputHandle, POLLIN, 0};
  int ready;
  do ready = poll(&request, 1, 0);
  while (ready < 0 && errno == EINTR);
  if (ready < 0 || (request.revents & (POLLERR | POLLNVAL))) return -1;
  if (ready == 0) return 0;
  int count = 0;
  if (ioctl(input.inputHandle, FIONREAD, &count) == 0 && count > 0) return count;
  // Readable without bytes: the writer has gone (or a console sent its
  // end-of-file key); the next read reports it.
  return (request.revents & POLLHUP) ? -1 : 1;
}

// Drops bytes of an overlong line up to and including its line feed.
static void dropOverlongLine() {
  char *lineFeed = bufferedLineFeed();
  if (!lineFeed) {
    input.inputLength = 0;
    return;
  }
  int rest = input.inputLength - int(lineFeed + 1 - input.inputBuffer);
  std::memmove(input.inputBuffer, lineFeed + 1, size_t(rest));
  input.inputLength = rest;
  input.droppingLine = 0;
}

int readChunk() {
  if (input.endOfInput) return -1;
  int room = INPUT_BUFFER_SIZE - 1 - input.inputLength;  // one byte stays for the NUL
  ssize_t got;
  do got = read(input.inputHandle, input.inputBuffer + input.inputLength, size_t(room));
  while (got < 0 && errno == EINTR);
  if (got <= 0) {
    input.endOfInput = 1;
    return -1;
  }
  input.inputLength += int(got);
  input.inputBuffer[input.inputLength] = '\0';
  if (input.droppingLine) dropOverlongLine();
  if (!bufferedLineFeed() && input.inputLength == INPUT_BUFFER_SIZE - 1) {
    // No line of a chess protocol is this long: drop it rather than split it
    // into commands that were never sent.
    std::printf("ERROR (input line too long): getLine\n");
    std::fflush(stdout);
    input.droppingLine = 1;
    input.inputLength = 0;
  }
  return 1;
}

// Hands out the first `length` bytes of the buffer as a line and moves the
// bytes after `skip` more to the front.
static char *takeLine(int length, int skip) {
  std::memcpy(input.lineBuffer, input.inputBuffer, size_t(length));
  input.lineBuffer[length] = '\0';
  if (length > 0 && input.lineBuffer[length - 1] == '\r') input.lineBuffer[length - 1] = '\0';
  int rest = input.inputLength - length - skip;
  std::memmove(input.inputBuffer, input.inputBuffer + length + skip, size_t(rest));
  input.inputLength = rest;
  input.inputBuffer[rest] = '\0';
  return input.lineBuffer;
}

// At the end of input: a last line without a line feed, else "quit".
static char *lastLine() {
  if (input.inputLength > 0 && !input.droppingLine) return takeLine(input.inputLength, 0);
  input.inputLength = 0;
  std::strcpy(input.lineBuffer, "quit");
  return input.lineBuffer;
}

char *getLine(int blocking) {
  if (!bufferedLineFeed()) {
    if (!blocking) {
      if (inputWaiting() == 0) return nullptr;
      if (readChunk() < 0) return lastLine();
      if (!bufferedLineFeed()) return nullptr;
    } else {
      while (!bufferedLineFeed()) {
        if (!input.inputIsFile && !input.endOfInput) {
          pollfd request = {input.inputHandle, POLLIN, 0};
          while (poll(&request, 1, -1) < 0 && errno == EINTR) {
          }
        }
        if (readChunk() < 0) return lastLine();
      }
    }
  }
  char *lineFeed = bufferedLineFeed();
  return takeLine(int(lineFeed - input.inputBuffer), 1);
}

void readAndDispatch(int blocking) {
  char *line = getLine(blocking);
  if (!line) return;
  trace("(%lld) < %s\n", static_cast<long long>(elapsedMs()), line);
  dispatchLine(line);
}

void trace(const char *format, ...) {
  if ((shell.engineFlags & (FLAG_UCI | FLAG_DEBUG)) != (FLAG_UCI | FLAG_DEBUG)) return;
  va_list args;
  va_start(args, format);
  std::vfprintf(stdout, format, args);
  va_end(args);
  std::fflush(stdout);
}
