// The xboard protocol's command handler.
#pragma once

#include "shell/words.h"

// Handles an xboard command whose first word, lowered to lower case, is
// `command`; its further words come from `words`.
void xboardCommand(const char *command, WordReader &words);
