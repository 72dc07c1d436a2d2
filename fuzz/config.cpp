// The configuration file: any file read as "vorn.cfg" leaves every setting
// in its range.
#include "fuzz_engine.h"
#include "shell/config.h"

#include <cstring>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  fuzz::silenceOutput();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  static fuzz::MemoryFile file;
  static const std::string path = file.path();
  resetEngineState();
  file.fill(data, size);
  readConfigFrom(path.c_str());
  const bool inRange = hashTables.hashShift >= MIN_HASH_SHIFT && hashTables.hashShift <= 23 &&
                       tablebaseSettings.tbCacheMB >= 1 && tablebaseSettings.tbCacheMB <= 64 &&
                       std::memchr(tablebaseSettings.tbPath, '\0', TB_PATH_SIZE) &&
                       (shell.engineFlags & ~(FLAG_PONDER | FLAG_LEARN | FLAG_RESIGN)) == DEFAULT_ENGINE_FLAGS;
  if (!inRange) std::abort();
  return 0;
}
