// Reading "vorn.cfg".
//
// One setting per line: a key, then its value as the next word.  The key
// ends at a blank or tab; the value may follow after blanks, tabs or "=", so
// "TT_SIZE 8192", "TT_SIZE = 8192" and "TT_SIZE<tab>8192" are the same, while
// "TT_SIZE=8192" is a single unknown word.  Anything else on a line, and
// every line whose first word is not a key, is ignored: that is how the file
// carries comments.  Numbers read like atoi, and out-of-range values fall
// back to fixed ones silently.
#include "shell/config.h"

#include <cstdio>
#include <cstring>

#include "search/hash_tables.h"
#include "shell/engine_state.h"
#include "shell/words.h"

// The part of a line that is looked at; the rest of a longer line is ignored.
constexpr int CONFIG_LINE_LENGTH = 254;

static void setFlagWhenOne(const char *value, int flag) {
  if (textToNumber(value) == 1) shell.engineFlags |= flag;
}

void applyConfigLine(char *line) {
  WordReader words = wordsOf(line);
  const char *key = nextWord(words, " \t");
  const char *value = nextWord(words, " =\t\r\n");
  if (!key || !value) return;

  if (!std::strcmp(key, "PONDER")) {
    setFlagWhenOne(value, FLAG_PONDER);
  } else if (!std::strcmp(key, "LEARN")) {
    setFlagWhenOne(value, FLAG_LEARN);
  } else if (!std::strcmp(key, "RESIGN")) {
    setFlagWhenOne(value, FLAG_RESIGN);
  } else if (!std::strcmp(key, "TT_SIZE")) {
    setTransTableKilobytes(textToNumber(value));
  } else if (!std::strcmp(key, "EGTB_PATH")) {
    std::snprintf(tablebaseSettings.tbPath, sizeof tablebaseSettings.tbPath, "%s", value);
  } else if (!std::strcmp(key, "EGTB_CACHE_SIZE")) {
    int64_t megabytes = textToNumber(value);
    tablebaseSettings.tbCacheMB = megabytes < 1 || megabytes > 64 ? 2 : int32_t(megabytes);
  }
}

void readConfigFrom(const char *path) {
  shell.engineFlags = DEFAULT_ENGINE_FLAGS;
  hashTables.hashShift = DEFAULT_HASH_SHIFT;
  tablebaseSettings.tbPath[0] = '\0';
  tablebaseSettings.tbCacheMB = 2;

  // Binary mode: a file written on Windows has CR LF line ends, and the CR
  // ends the value like any separator.
  FILE *file = std::fopen(path, "rb");
  if (!file) return;
  char line[CONFIG_LINE_LENGTH + 1];
  int length = 0;
  for (;;) {
    int c = std::fgetc(file);
    if (c == EOF || c == '\n') {
      line[length] = '\0';
      applyConfigLine(line);
      length = 0;
      if (c == EOF) break;
    } else if (length < CONFIG_LINE_LENGTH) {
      line[length++] = char(c);
    }
  }
  std::fclose(file);
}

void readConfig() { readConfigFrom("vorn.cfg"); }
