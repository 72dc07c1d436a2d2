// The tablebase directory list: any text given as the list registers only
// the tables found in the directories it names, and a probe of a position
// of a registered table then reads within the file.  The run works in a
// scratch directory holding:
//   a/  knk white to move as a plain file, kbk black to move compressed
//   b/  a plain kpk file of the wrong size and a broken compressed kqk file
//   c/  nothing
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "../tools/tb_compressor.h"
#include "fuzz_engine.h"
#include "tablebase/registry.h"
#include "tablebase/tablebase.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void writeFile(const char *name, const std::vector<uint8_t> &bytes) {
  FILE *file = std::fopen(name, "wb");
  if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0)
    std::abort();
}

// Table values: draws (0) and small distances of both signs.
std::vector<uint8_t> tableBytes(size_t size) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; i++) bytes[i] = uint8_t(i % 7 == 0 ? 0 : i % 2 ? 1 + i % 5 : 256 - 1 - i % 5);
  return bytes;
}

char scratch[] = "/tmp/vorn-fuzz-tbpath-XXXXXX";

// The scratch directory goes when the fuzzer ends normally.
void removeScratchDirectory() {
  if (chdir(scratch) != 0) return;
  for (const char *name : {"a/knk.nbw", "a/kbk.nbb.emd", "b/kpk.nbw", "b/kqk_nbw.emd"}) unlink(name);
  for (const char *name : {"a", "b", "c"}) rmdir(name);
  if (chdir("/") == 0) rmdir(scratch);
}

void makeScratchDirectory() {
  if (!mkdtemp(scratch) || chdir(scratch) != 0) std::abort();
  std::atexit(removeScratchDirectory);
  for (const char *directory : {"a", "b", "c"})
    if (mkdir(directory, 0755) != 0) std::abort();
  writeFile("a/knk.nbw", tableBytes(tbExpectedSizes[2][0]));
  const std::vector<uint8_t> kbk = tableBytes(tbExpectedSizes[3][1]);
  tbcompress::Statistics stats;
  writeFile("a/kbk.nbb.emd", tbcompress::compress(kbk.data(), kbk.size(), 13, &stats, nullptr));
  writeFile("b/kpk.nbw", tableBytes(100));
  std::vector<uint8_t> broken = tbcompress::compress(kbk.data(), kbk.size(), 13, &stats, nullptr);
  broken.resize(broken.size() / 2);
  writeFile("b/kqk_nbw.emd", broken);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz::startEngine();
  makeScratchDirectory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  TbRelease();
  fuzz::resetEngine(FLAG_XBOARD);
  TablebaseSettings &s = tablebaseSettings;
  size_t length = 0, parts = 1;
  for (; length < size && length < TB_PATH_SIZE - 1 && data[length]; length++)
    if (data[length] == ',' || data[length] == ';') parts++;
  // Every part costs some 900 opens: long lists only time out.
  if (parts > 16) return -1;
  std::memcpy(s.tbPath, data, length);
  s.tbPath[length] = '\0';
  s.tbCacheMB = 1;
  s.tbMaxPieces = -1;
  TbInitialise();
  check(s.tbMaxPieces == -1 || (s.tbMaxPieces >= 0 && s.tbMaxPieces <= 5));
  // The directory of the two good tables alone registers them both.
  if (std::strcmp(s.tbPath, "a") == 0) check(s.tbMaxPieces == 3 && TbIsRegistered(2, 0) && TbIsRegistered(3, 1));
  check(!TbIsRegistered(4, 0) && !TbIsRegistered(5, 0) && !TbIsRegistered(5, 1));
  for (const char *fen : {"8/8/3k4/8/8/2NK4/8/8 w - - 0 1", "8/8/3k4/8/8/2NK4/8/8 b - - 0 1",
                          "8/8/3k4/8/8/2BK4/8/8 b - - 0 1", "8/8/8/2k5/8/8/6B1/6K1 w - - 0 1",
                          "8/8/3k4/8/8/2PK4/8/8 w - - 0 1", "8/8/3k4/8/8/2QK4/8/8 w - - 0 1"}) {
    if (setupFromFen(fen) != FEN_OK) {
      std::fprintf(stderr, "bad set-up %s\n", fen);
      std::abort();
    }
    int score = 0;
    TbProbe(&score);
  }
  TbRelease();
  check(s.tbMaxPieces == -1);
  return 0;
}
