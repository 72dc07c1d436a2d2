// Cutting a command line into words.  The line is split in place, like
// strtok, but the position lives in the caller's WordReader, so a command
// handled inside a search cannot disturb the line being handled outside it.
#pragma once

#include <cstdint>

struct WordReader {
  char *rest;  // the text not yet split; nullptr when exhausted
};

inline WordReader wordsOf(char *line) { return WordReader{line}; }

// The next word ended by one of the separators (leading separators are
// skipped), or nullptr when the line holds no further word.
char *nextWord(WordReader &words, const char *separators = " ");
// The same, but an empty text when the word is missing.
const char *nextText(WordReader &words, const char *separators = " ");
// The next word read as a number like atoi (leading blanks, a sign, digits,
// anything after them ignored); 0 when missing or not a number, and held to
// the int range instead of overflowing.
int32_t nextNumber(WordReader &words);

// A text read as a number as above, in 64 bits (saturated).
int64_t textToNumber(const char *text);
int32_t clampToInt(int64_t value);
// Lowers a word to lower case in place.
void lowerWord(char *word);
