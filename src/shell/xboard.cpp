// The xboard commands the engine answers so far: the feature announcement
// and quitting.
#include "shell/xboard.h"

#include <cstdio>
#include <cstring>

#include "shell/engine_state.h"

void xboardCommand(const char *command, WordReader &) {
  if (!std::strcmp(command, "xboard")) {
    std::printf("feature ping=1 setboard=1 san=0 time=1 draw=0\n");
    std::printf("feature sigint=0 sigterm=0 reuse=1 analyze=1\n");
    std::printf("feature myname=\"%s\" name=1\n", shell.engineName);
    std::printf("feature playother=1 colors=0\n");
    std::printf("feature variants=\"normal\"\n");
    std::printf("feature done=1\n");
    std::fflush(stdout);
  } else if (!std::strcmp(command, "quit")) {
    shell.pendingCommand = COMMAND_QUIT;
    shell.searchAbort = ABORT_STOP;
  }
}
