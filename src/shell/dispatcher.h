// Every input line passes through the dispatcher: it chooses the protocol,
// serves the console commands and hands everything else to the protocol's
// handler.  Before a protocol is chosen only those and "quit" work.
#pragma once

// Handles one input line; the line is split into words in place.
void dispatchLine(char *line);
