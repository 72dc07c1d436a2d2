// Debian's Gaviota tablebases as an outside oracle for the three-man
// tables, loaded at run time so that the tests build without them.
#pragma once

#include <dlfcn.h>

#include <string>

namespace tbtest {

class Gaviota {
 public:
  Gaviota() {
    library_ = dlopen("libgaviotatb.so.1", RTLD_NOW);
    if (!library_) return;
    auto pathsInit = reinterpret_cast<const char **(*)()>(dlsym(library_, "tbpaths_init"));
    auto pathsAdd = reinterpret_cast<const char **(*)(const char **, const char *)>(dlsym(library_, "tbpaths_add"));
    auto init = reinterpret_cast<char *(*)(int, int, const char **)>(dlsym(library_, "tb_init"));
    auto cacheInit = reinterpret_cast<int (*)(size_t, int)>(dlsym(library_, "tbcache_init"));
    auto availability = reinterpret_cast<unsigned (*)()>(dlsym(library_, "tb_availability"));
    probe_ = reinterpret_cast<Probe>(dlsym(library_, "tb_probe_hard"));
    if (!pathsInit || !pathsAdd || !init || !cacheInit || !availability || !probe_) return;
    paths_ = pathsAdd(pathsInit(), "/usr/share/gaviotatb/gtb4");
    init(0, 4, paths_);  // scheme 4: the .cp4 files
    cacheInit(32 << 20, 0);
    ready_ = (availability() & 1) != 0;  // bit 0: all three-man tables
  }
  bool ready() const { return ready_; }

  // Squares a1 = 0 .. h8 = 63; pieces 1 pawn .. 6 king; lists end with 64
  // and 0.  True with the winner (0 draw, 1 White, 2 Black) and plies to mate.
  bool probe(int sideToMove, const unsigned *white, const unsigned *black, const unsigned char *whitePieces,
             const unsigned char *blackPieces, unsigned *winner, unsigned *plies) const {
    unsigned info = 0;
    if (!probe_(unsigned(sideToMove), 64, 0, white, black, whitePieces, blackPieces, &info, plies)) return false;
    *winner = info;
    return info <= 2;
  }

 private:
  using Probe = int (*)(unsigned, unsigned, unsigned, const unsigned *, const unsigned *, const unsigned char *,
                        const unsigned char *, unsigned *, unsigned *);
  void *library_ = nullptr;
  const char **paths_ = nullptr;
  Probe probe_ = nullptr;
  bool ready_ = false;
};

}  // namespace tbtest
