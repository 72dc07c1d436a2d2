// The UCI commands the engine answers so far: identification, readiness,
// debugging and quitting.
#include "shell/uci.h"

#include <cstdio>
#include <cstring>

#include "shell/engine_state.h"

void uciCommand(const char *command, WordReader &words) {
  if (!std::strcmp(command, "uci")) {
    std::printf("id name %s\nid author Hestrel\n", shell.engineName);
    // Under UCI the tablebase directory comes from the NalimovPath option.
    tablebaseSettings.tbPath[0] = '\0';
    std::printf("uciok\n");
    std::fflush(stdout);
  } else if (!std::strcmp(command, "isready")) {
    std::printf("readyok\n");
    std::fflush(stdout);
  } else if (!std::strcmp(command, "debug")) {
    const char *value = nextText(words);
    bool on = (value[0] == 'o' || value[0] == 'O') && (value[1] == 'n' || value[1] == 'N');
    if (on)
      shell.engineFlags |= FLAG_DEBUG;
    else
      shell.engineFlags &= ~FLAG_DEBUG;
  } else if (!std::strcmp(command, "quit")) {
    shell.pendingCommand = COMMAND_QUIT;
    shell.searchAbort = ABORT_STOP;
  }
}
