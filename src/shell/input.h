// The input channel: commands arrive as text lines on standard input, from a
// console, a pipe or a file.  The game loop waits for lines; the search polls
// between nodes and must never be made to wait.
#pragma once

#include <cstdint>

// Holds raw input not yet handed out.  Lines of any practical length fit
// (a "position ... moves" line of a long game is far shorter); a longer line
// is dropped with an error line.
constexpr int INPUT_BUFFER_SIZE = 1 << 18;

struct InputChannel {
  int inputHandle;   // file descriptor
  int inputIsPipe;   // 1 unless a console (terminal)
  int inputIsFile;   // 1 for a regular file: reading it never waits
  int endOfInput;    // the channel has reported its end (or failed)
  int droppingLine;  // the current line overflowed the buffer: skip to its line feed
  int inputLength;   // bytes held in inputBuffer
  char inputBuffer[INPUT_BUFFER_SIZE];
  char lineBuffer[INPUT_BUFFER_SIZE];  // the line most recently handed out
};
extern InputChannel input;

// Finds out what standard input is (once, at start-up).
void setupInput();
// The same for any descriptor; the buffer starts empty (tests).
void setupInputFrom(int fd);
// 1 when a complete line is buffered; otherwise the number of bytes waiting
// on the channel (0 = none); -1 when the channel has ended or failed.
// Never waits.
int inputWaiting();
// Reads what is available into the buffer: 1 when bytes were read, -1 at the
// end of input or on a failure.  May wait when nothing is available.
int readChunk();
// The next line without its line end (a CR before the line feed is dropped),
// or nullptr when no complete line is there and `blocking` is 0.  The end of
// input yields a last unterminated line, if any, and then the line "quit".
char *getLine(int blocking);
// Reads one line and hands it to the command dispatcher, echoing it to the
// trace first.
void readAndDispatch(int blocking);

// Diagnostic output, printed only when UCI is chosen and "debug" is on.
void trace(const char *format, ...) __attribute__((format(printf, 1, 2)));
