// Until the tablebase files are read, no table is ever registered and the
// probe never finds a position.
#include "tablebase/tablebase.h"

#include "shell/engine_state.h"

void TbInitialise() {
  if (tablebaseSettings.tbMaxPieces >= 0 || !tablebaseSettings.tbPath[0]) return;
  tablebaseSettings.tbMaxPieces = 0;
}

void TbRelease() { tablebaseSettings.tbMaxPieces = -1; }

bool TbProbe(int *) { return false; }
