// The active layer of the fault and yield analyses.
#include "DFfault.h"

#include <cstring>

#include "CS.h"
#include "DTtechnology.h"

/*
 * DFactiveIndex --
 *   The plane of the first technology layer whose active switch is on.
 * Returns: its index in DlayerTile, or -1 when no layer is active or the
 *   active layer has no plane.
 */
int DFactiveIndex()
{
  for (int i = 0; i < GlayerNum; ++i) {
    if (Glayers[i].active != 1)
      continue;
    for (int plane = 0; plane < DlayerNum; ++plane)
      if (strcmp(DlayerTile[plane].name, Glayers[i].name) == 0)
        return plane;
    return -1;
  }
  return -1;
}
