// Entry points of this subsystem that are not built yet.
#include "DEextract.h"

#include "Dglobal.h"

/*
 * DExCirPassive --
 *   The re-extraction with passive devices is not built yet.  Its last
 *   step, naming the nets after the labels, is done here meanwhile, so a
 *   load names the nets.
 */
int DExCirPassive()
{
  common::notAvailable("DExCirPassive");
  DExCrtNameTb();
  return 0;
}
