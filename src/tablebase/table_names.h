// The 110 tablebases the engine knows, by id (row 0, the two bare kings, is
// never registered).  Each name is "k", the first side's pieces, "k", the
// second side's pieces, strongest first.
#pragma once

#include <cstdint>

constexpr int TB_TABLE_COUNT = 111;

inline constexpr const char *tbTableNames[TB_TABLE_COUNT] = {
    "kk",    "kpk",   "knk",   "kbk",   "krk",   "kqk",   "kpkp",  "knkp",  "knkn",  "kbkp",  "kbkn",  "kbkb",
    "krkp",  "krkn",  "krkb",  "krkr",  "kqkp",  "kqkn",  "kqkb",  "kqkr",  "kqkq",  "kppk",  "knpk",  "knnk",
    "kbpk",  "kbnk",  "kbbk",  "krpk",  "krnk",  "krbk",  "krrk",  "kqpk",  "kqnk",  "kqbk",  "kqrk",  "kqqk",
    "kppkp", "kppkn", "kppkb", "kppkr", "kppkq", "knpkp", "knpkn", "knpkb", "knpkr", "knpkq", "knnkp", "knnkn",
    "knnkb", "knnkr", "knnkq", "kbpkp", "kbpkn", "kbpkb", "kbpkr", "kbpkq", "kbnkp", "kbnkn", "kbnkb", "kbnkr",
    "kbnkq", "kbbkp", "kbbkn", "kbbkb", "kbbkr", "kbbkq", "krpkp", "krpkn", "krpkb", "krpkr", "krpkq", "krnkp",
    "krnkn", "krnkb", "krnkr", "krnkq", "krbkp", "krbkn", "krbkb", "krbkr", "krbkq", "krrkp", "krrkn", "krrkb",
    "krrkr", "krrkq", "kqpkp", "kqpkn", "kqpkb", "kqpkr", "kqpkq", "kqnkp", "kqnkn", "kqnkb", "kqnkr", "kqnkq",
    "kqbkp", "kqbkn", "kqbkb", "kqbkr", "kqbkq", "kqrkp", "kqrkn", "kqrkb", "kqrkr", "kqrkq", "kqqkp", "kqqkn",
    "kqqkb", "kqqkr", "kqqkq",
};

// Tables whose two sides have the same material: one file serves both sides to move.
inline bool tbIsSymmetric(int id) { return id == 8 || id == 11 || id == 15 || id == 20; }

// The size of each table's file in positions, white to move and black to
// move (expected_sizes.cpp).
extern const uint32_t tbExpectedSizes[TB_TABLE_COUNT][2];
