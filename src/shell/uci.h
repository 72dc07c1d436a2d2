// The UCI protocol's command handler.
#pragma once

#include "shell/words.h"

// Handles a UCI command whose first word, lowered to lower case, is
// `command`; its further words come from `words`.  Unknown commands are
// ignored without reply.
void uciCommand(const char *command, WordReader &words);
