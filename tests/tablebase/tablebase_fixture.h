// Shared by the tablebase tests: tables generated into a temporary
// directory once per test program, and registering a directory list the
// way the shell does.
#pragma once

#include <cstdio>
#include <map>

#include "../../tools/tb_tables.h"
#include "shell/engine_process.h"
#include "shell/engine_state.h"
#include "tablebase/registry.h"
#include "tablebase/tablebase.h"
#include "test_support.h"

namespace tbtest {

inline int idOf(const std::string &name) {
  for (int id = 1; id < TB_TABLE_COUNT; id++)
    if (name == tbTableNames[id]) return id;
  return 0;
}

// A directory holding the named tables (generated in order: list the
// tables a table leads into before it), kept until the program ends.
inline const std::string &generatedTables(const std::vector<std::string> &names) {
  static std::map<std::vector<std::string>, test::TempDir> made;
  static tbsolver::KnownTables *known = new tbsolver::KnownTables;
  auto found = made.find(names);
  if (found != made.end()) return found->second.path;
  test::TempDir &dir = made[names];
  initBoardTables();
  buildPieceSquareTables();
  TbBuildTables();
  for (const std::string &name : names) {
    int id = idOf(name);
    if (!known->known[id]) {
      EXPECT_TRUE(tbsolver::generate(dir.path, id, *known, true)) << name;
    }
    for (int side = 0; side < (tbIsSymmetric(id) ? 1 : 2); side++)
      tbsolver::writeFile(tbsolver::fileName(dir.path, id, side), known->bytes[id][side]);
  }
  return dir.path;
}

inline const std::vector<std::string> threeMen = {"knk", "kbk", "krk", "kqk", "kpk"};

// The FEN of a board given by tablebase squares (a1 = 0), empty = 0.
inline std::string fenOf(const char board[64], int side, const std::string &ep = "-") {
  std::string fen;
  for (int rank = 7; rank >= 0; rank--) {
    for (int file = 0; file < 8; file++) fen += board[rank * 8 + file] ? board[rank * 8 + file] : '1';
    if (rank) fen += '/';
  }
  return fen + (side == 0 ? " w - " : " b - ") + ep + " 0 1";
}

// Registers the tables of a directory list as the shell does.
inline int registerTables(const std::string &path, int cacheMB = 2) {
  TbRelease();
  std::snprintf(tablebaseSettings.tbPath, TB_PATH_SIZE, "%s", path.c_str());
  tablebaseSettings.tbCacheMB = cacheMB;
  TbInitialise();
  return tablebaseSettings.tbMaxPieces;
}

// The probe's score of a position, or 32767 when not found.
inline int probe(const char *fen) {
  if (setupFromFen(fen) != FEN_OK) return -32768;
  int score;
  return TbProbe(&score) ? score : TB_NO_VALUE;
}

}  // namespace tbtest
