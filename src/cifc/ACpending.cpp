// Entry points of this subsystem that are not built yet.
#include "Dcif.h"

#include "Dglobal.h"

FILE* cifin = nullptr;

void ACinit() {}
int CIFparse()
{
  if (cifin)
    fclose(cifin);
  cifin = nullptr;
  common::notAvailable("CIFparse");
  return 1;
}
