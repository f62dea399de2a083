// Drawing the planes and the inspection commands.
#include "CS.h"

#include "DCint.h"
#include "Dglobal.h"
#include "Dview.h"

void TestTile(const _Dtile*, int) {}
void BoundTile(const _Dtile*, int) {}
void FlagTile(const _Dtile*, int) {}
void ListDisplay(_Gviewport*, const _Dtilelist*, int) {}
void TileDisplay(_Gviewport*, int, int, int, int) {}
void DisplayTranNames(_Gviewport* view)
{
  if (cs::ViewHook draw = cs::hooks().tranNames)
    draw(view);
}
void DisplayNetNames(_Gviewport* view)
{
  if (cs::ViewHook draw = cs::hooks().netNames)
    draw(view);
}

int DCtile() { return common::notAvailable("f.DCtile"); }
int DCupper() { return common::notAvailable("f.DCupper"); }
int DClower() { return common::notAvailable("f.DClower"); }
int DCright() { return common::notAvailable("f.DCright"); }
int DCleft() { return common::notAvailable("f.DCleft"); }
int DCneighbors() { return common::notAvailable("f.DCneighbors"); }
