// The active layer of the fault and yield analyses.
#include "DFfault.h"

#include "DTtechnology.h"

int DFactiveIndex()
{
  for (int i = 0; i < GlayerNum; ++i)
    if (Glayers[i].active == 1)
      return i;
  return -1;
}
