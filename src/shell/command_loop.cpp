// Waiting for commands and dispatching them.  The handlers only set shared
// variables; this loop notices when they ask to quit.
#include "shell/command_loop.h"

#include "shell/engine_state.h"
#include "shell/input.h"

void runCommandLoop() {
  for (;;) {
    if (inputWaiting() < 0 && input.inputLength == 0) return;
    readAndDispatch(1);
    if (shell.pendingCommand == COMMAND_QUIT) return;
  }
}
