// View actions that are not built yet.
#include "Dview.h"

#include "Dglobal.h"

void ACdispall(_Gviewport*, _layout*, _layout*) { common::notAvailable("ACdispall"); }
void DVredraw(void*, void*, void*) { common::notAvailable("f.DVredraw"); }
int DVfit() { return common::notAvailable("f.DVfit"); }
int DVzoomin() { return common::notAvailable("f.DVzoomin"); }
int DVzoomout() { return common::notAvailable("f.DVzoomout"); }
int DVpan() { return common::notAvailable("f.DVpan"); }
int DVsuper() { return common::notAvailable("f.DVsuper"); }
