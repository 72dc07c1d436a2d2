// Splitting command lines into words and reading numbers without overflow.
#include "shell/words.h"

#include <climits>
#include <cstring>

char *nextWord(WordReader &words, const char *separators) {
  char *s = words.rest;
  if (!s) return nullptr;
  s += std::strspn(s, separators);
  if (*s == '\0') {
    words.rest = nullptr;
    return nullptr;
  }
  char *end = s + std::strcspn(s, separators);
  if (*end == '\0') {
    words.rest = nullptr;
  } else {
    *end = '\0';
    words.rest = end + 1;
  }
  return s;
}

const char *nextText(WordReader &words, const char *separators) {
  const char *word = nextWord(words, separators);
  return word ? word : "";
}

int32_t nextNumber(WordReader &words) { return clampToInt(textToNumber(nextText(words))); }

int64_t textToNumber(const char *text) {
  const char *s = text;
  while (*s == ' ' || (*s >= '\t' && *s <= '\r')) s++;
  bool negative = *s == '-';
  if (*s == '-' || *s == '+') s++;
  int64_t value = 0;
  for (; *s >= '0' && *s <= '9'; s++) {
    int digit = *s - '0';
    if (value > (INT64_MAX - digit) / 10) return negative ? INT64_MIN : INT64_MAX;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

int32_t clampToInt(int64_t value) {
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return int32_t(value);
}

void lowerWord(char *word) {
  for (char *s = word; *s; s++)
    if (*s >= 'A' && *s <= 'Z') *s = char(*s - 'A' + 'a');
}
