// Interaction chains that are not built yet.
#include "Devent.h"

void DEinit() {}
