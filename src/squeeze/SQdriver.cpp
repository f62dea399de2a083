// The compaction of a loaded layout as one action: rows of both directions,
// their graphs, the two solves and the output, with symmetry, resizing and
// the passive devices left out.
#include <memory>
#include <optional>

#include "CS.h"
#include "CXcapacitor.h"
#include "Dcompact.h"
#include "DSsymmetry.h"
#include "Dglobal.h"
#include "LXinductor.h"
#include "SQint.h"
#include "SQsqueeze.h"

namespace squeeze {

namespace {

// The process settings this run turns off, put back however it ends.
class ProcessSettings {
 public:
  explicit ProcessSettings(bool passives)
      : symmetry_(PROCESS_INCLUDE_SYMMETRY),
        resizing_(PROCESS_INCLUDE_RESIZING),
        passive_(PROCESS_INCLUDE_PASSIVE),
        inductor_(PROCESS_INCLUDE_INDUCTOR)
  {
    PROCESS_INCLUDE_RESIZING = 0;
    PROCESS_INCLUDE_PASSIVE = PROCESS_INCLUDE_INDUCTOR = passives ? 1 : 0;
  }
  ~ProcessSettings()
  {
    PROCESS_INCLUDE_SYMMETRY = symmetry_;
    PROCESS_INCLUDE_RESIZING = resizing_;
    PROCESS_INCLUDE_PASSIVE = passive_;
    PROCESS_INCLUDE_INDUCTOR = inductor_;
    SQfree_all();
    compact::freeStaff();
    X_direction = 1;
  }
  ProcessSettings(const ProcessSettings&) = delete;
  ProcessSettings& operator=(const ProcessSettings&) = delete;

 private:
  int symmetry_, resizing_, passive_, inductor_;
};

struct RowsRelease {
  void operator()(_rhs_list* rows) const { compact::freeRows(rows); }
};
using Rows = std::unique_ptr<_rhs_list, RowsRelease>;

}  // namespace

int compactLayout(bool passives)
{
  if (DlayerNum == 0 || !DlayerTile[0].layertile) {
    GCmessage(0, 'E', "No corner stitch layout: load a layout before compacting it");
    return 1;
  }
  // The wells and other layers without a plane take part as planes of
  // their own, made after the passive devices' stand-ins; they outlive
  // everything the run builds on them.
  std::optional<cs::OtherLayerPlanes> otherLayers;
  ProcessSettings settings(passives);
  if (PROCESS_INCLUDE_SYMMETRY == 1)
    checksym::keepConsistentPairs();
  if (PROCESS_INCLUDE_INDUCTOR == 1)
    LXindRemoval();
  if (PROCESS_INCLUDE_PASSIVE == 1)
    CXcapRemoval();
  otherLayers.emplace();
  init_staff();
  scan_toget_variables();
  mps_column_num = 1;
  Rows xRows(compact::newRows()), yRows(compact::newRows());
  X_direction = 1;
  scan_queue->sweep(equat_bucket, xRows.get());
  // The pairs of the last symmetry detection stay mirrored about their axes.
  const bool symmetric = PROCESS_INCLUDE_SYMMETRY == 1 && final_sym_list;
  if (symmetric)
    user_defined_sym_constraint_generate(equat_bucket, xRows.get(), 1);
  PHASEII = 1;
  X_direction = 0;
  scan_queue_y->sweep(equat_bucket_y, yRows.get());
  if (symmetric)
    user_defined_sym_constraint_generate(equat_bucket_y, yRows.get(), 2);
  PHASEII = 1;
  X_direction = 1;

  ++SQstep;
  if (SQmain_graph(equat_bucket, xRows.get(), LEFT_RIGHT) != 0)
    return 1;
  // Nothing after a graph reads its direction's rows, variables or events;
  // nothing after both reads anything else the scan made.
  xRows.reset();
  compact::releaseDirection(true);
  if (SQmain_graph(equat_bucket_y, yRows.get(), TOP_BOTTOM) != 0)
    return 1;
  yRows.reset();
  compact::releaseScan();
  SQmain_resize(nullptr, nullptr, LEFT_RIGHT);
  SQmain_resize(nullptr, nullptr, TOP_BOTTOM);
  SQmain_solve(nullptr, nullptr, LEFT_RIGHT);
  SQmain_solve(nullptr, nullptr, TOP_BOTTOM);
  SQmain_output(2);
  return 0;
}

}  // namespace squeeze
