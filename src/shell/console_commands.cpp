// The "board" listing and the memory report.
#include "shell/console_commands.h"

#include <cstdio>

#include "search/hash_tables.h"
#include "shell/engine_state.h"

void printBoard() {
  static const char letters[] = "PNBRQK";
  char text[8 * 16 + 1];
  int n = 0;
  for (int s = 63; s >= 0; s--) {
    int word = pos.board[s];
    char c = '.';
    if (!isEmptyWord(word) && wordType(word) < NO_PIECE) {
      c = letters[wordType(word)];
      if (isBlackWord(word)) c = char(c - 'A' + 'a');
    }
    text[n++] = c;
    text[n++] = squareFile(s) == 0 ? '\n' : ' ';
  }
  text[n] = '\0';
  std::fputs(text, stdout);
  std::fflush(stdout);
}

void memoryReport() {
  unsigned long long transKilobytes = (ttBucketCount() * TT_BUCKET_BYTES + QUIESCE_TABLE_BYTES) / 1024;
  unsigned long long pawnKilobytes = PAWN_HASH_BYTES / 1024;
  int found = tablebaseSettings.tbMaxPieces >= 1;
  std::printf(
      "Memory Usage:\n    Transposition Table: %llu KB\n    Pawn Hash          : %llu KB\n"
      "    Endgame Tablebase  : %d MB\n\nEGTB Status: ",
      transKilobytes, pawnKilobytes, found ? int(tablebaseSettings.tbCacheMB) : 0);
  if (found)
    std::printf("Maximum %d piece tablebases found\n\n", int(tablebaseSettings.tbMaxPieces));
  else if (shell.engineFlags & FLAG_UCI)
    std::printf("Not set yet by UCI\n\n");
  else
    std::printf("Not found\n\n");
  std::fflush(stdout);
}
