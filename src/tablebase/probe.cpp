#include "tablebase/probe.h"

bool TbProbe(int *) { return false; }
