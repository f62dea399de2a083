// Entry points of this subsystem that are not built yet.
#include "Dcompact.h"

#include "Dglobal.h"

int new_resize() { return common::notAvailable("f.new_resize"); }
int new_resize60() { return common::notAvailable("f.new_resize60"); }
