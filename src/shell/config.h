// The configuration file "vorn.cfg" in the working directory: pondering,
// book learning, resigning, the transposition table size and the tablebase
// directory and cache.  It is optional; every setting has a default.
#pragma once

// Applies the defaults, then the file "vorn.cfg" if it can be read.
void readConfig();
// The same with another file (tests).
void readConfigFrom(const char *path);
// Applies one line of the file.
void applyConfigLine(char *line);
