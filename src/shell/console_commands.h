// Diagnostic output for a person at the console: the board and the memory
// report.
#pragma once

// Eight lines, rank 8 first, a8 to h8 left to right: "." for an empty square,
// "PNBRQK" for White's pieces and "pnbrqk" for Black's, separated by blanks.
void printBoard();
// The sizes of the hash tables and the tablebase cache, and what tablebases
// were found.
void memoryReport();
