// The cut-count requests of the passive-device resizers.  The via records
// they act on are made when the squeeze sizes the vias, which it does only
// with via removal on; without them a request abandons the running action.
#include <algorithm>

#include "CS.h"
#include "DRdesignrule.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "VCvia.h"

namespace {

bool ruleLayer(int l) { return l >= 0 && l < kRuleLayers; }
int width(int l) { return ruleLayer(l) && WIDTH_VALID[l] == 1 ? WIDTH[l] : 0; }
int spacing(int l) { return ruleLayer(l) && SPACING_VALID[l][l] == 1 ? SPACING[l][l] : 0; }
int layerOf(const _Dtile* t) { return t && t->layer() ? t->layer()->layer : -1; }

}  // namespace

int VCchange_number(_Dtile* /*tile*/, int /*columns*/, int /*rows*/)
{
  // The via records are made when the squeeze sizes the vias, which it does
  // only with via removal on.
  common::outf("VCchange_number:  The vc size is not initialized yet (or the via_removal is not "
               "turned on).  The change cannot be made.\n");
  GCmessage(0, 'F', "A resistor port lies over contacts that can not be resized without via "
                    "removal: the resize is abandoned");
  common::abandonAction(0);
}

int VCchange_size(_Dtile* tile, long w, long h)
{
  const int c = layerOf(tile);
  const long wc = static_cast<long>(width(c)) * SCALE;
  const long sc = static_cast<long>(spacing(c)) * SCALE;
  auto cuts = [&](long side) {
    const long n = wc + sc > 0 ? (side + sc) / (wc + sc) : 1;
    return static_cast<int>(std::max(1L, n));
  };
  return VCchange_number(tile, cuts(w), cuts(h));
}
