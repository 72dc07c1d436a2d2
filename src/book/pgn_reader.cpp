// Splitting a PGN file into games for book creation.  Only what the book
// needs is read: the Result tag and the move text up to move 26.  Games set
// up from a FEN are skipped, since the book follows games from the initial
// position only.
#include <cstring>

#include "book/book_creation.h"

namespace {

int readLine(PgnReader &reader) {
  if (reader.lineHeld) {
    reader.lineHeld = false;
    return 1;
  }
  if (!std::fgets(reader.line, PGN_LINE_SIZE, reader.file)) return 0;
  reader.bytesRead += std::strlen(reader.line);
  return 1;
}

// The result of a line that is a Result tag: 1 and the result, else 0.
int resultTag(const char *line, int &result) {
  if (line[0] != '[') return 0;
  const char *at = std::strstr(line, "esult \"");
  if (!at) return 0;
  at += 7;
  result = !std::strncmp(at, "1-0", 3) ? 1 : !std::strncmp(at, "0-1", 3) ? -1 : 0;
  return 1;
}

// Appends `piece` to the game text; at the size limit the text is cut at
// its last blank so that no move is cut in two.  Returns 0 when full.
int append(char *text, int &length, const char *piece) {
  const int size = int(std::strlen(piece));
  if (length + size < GAME_TEXT_SIZE) {
    std::memcpy(text + length, piece, size_t(size) + 1);
    length += size;
    return 1;
  }
  std::memcpy(text + length, piece, size_t(GAME_TEXT_SIZE - 1 - length));
  length = GAME_TEXT_SIZE - 1;
  while (length > 0 && static_cast<unsigned char>(text[length - 1]) > 32) length--;
  text[length] = '\0';
  return 0;
}

}  // namespace

int readPgnGame(PgnReader &reader, char *text, int &result) {
  for (;;) {
    // The tag section: a Result tag starts a game; another Result tag
    // before the move text starts another one.
    bool haveResult = false, fromFen = false, inTags = false;
    while (!haveResult) {
      if (!readLine(reader)) return 0;
      haveResult = resultTag(reader.line, result) != 0;
      if (reader.line[0] == '[' && !std::strncmp(reader.line, "[FEN ", 5)) fromFen = true;
      inTags = reader.line[0] == '[';
      if (!inTags) fromFen = false;
    }
    for (;;) {
      if (!readLine(reader)) return 0;
      if (reader.line[0] == '[') {
        if (!inTags) fromFen = false;  // a new tag section after text without moves
        inTags = true;
        resultTag(reader.line, result);
        if (!std::strncmp(reader.line, "[FEN ", 5)) fromFen = true;
        continue;
      }
      inTags = false;
      if (std::strstr(reader.line, "1.")) break;
    }
    // The move text, to the next tag line (kept for the next game), the end
    // of the file or move 26.
    int length = 0;
    text[0] = '\0';
    bool open = true;
    for (bool firstLine = true;; firstLine = false) {
      if (!firstLine) {
        if (!readLine(reader)) break;
        if (reader.line[0] == '[') {
          reader.lineHeld = true;
          break;
        }
      }
      if (!open) continue;
      char *cut = std::strstr(reader.line, "26.");
      if (cut) *cut = '\0';
      open = append(text, length, reader.line) && !cut;
    }
    if (!fromFen) return 1;
  }
}
