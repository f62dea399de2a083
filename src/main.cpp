// quorin: the interactive workbench.
#include "Dglobal.h"
#include "Dinit.h"
#include "Dinterface.h"

int main(int argc, char** argv)
{
  GCresetGlobals();
  if (!init::readFlags(argc, argv))
    return 0;
  DInterface(argc, argv);
}
