// The engine's life after start-up: reading and carrying out commands until
// "quit" or the end of input.
#pragma once

// Dispatches input lines, waiting for each, until a handler asks to quit or
// the input channel fails.
void runCommandLoop();
