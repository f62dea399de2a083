// The resize of the loaded layout: passives out, rows of both directions,
// the user's symmetry rows, and the squeeze with transistor resizing and
// the synthesis check, with the phase lines and "time_rpt.txt".
#include <sys/times.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "CS.h"
#include "CXcapacitor.h"
#include "DSsymmetry.h"
#include "DUsize.h"
#include "Dcif.h"
#include "Dcompact.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "LXinductor.h"
#include "SQsqueeze.h"
#include "SYsynthesis.h"

int RES_START_u = 0, RES_START_s = 0, RES_STOP_u = 0, RES_STOP_s = 0;
int SQCORE_START_HOR_u = 0, SQCORE_START_HOR_s = 0, SQCORE_START_HOR_valid = 0;
int SQCORE_STOP_HOR_u = 0, SQCORE_STOP_HOR_s = 0, SQCORE_STOP_HOR_valid = 0;
int SQCORE_START_VER_u = 0, SQCORE_START_VER_s = 0, SQCORE_START_VER_valid = 0;
int SQCORE_STOP_VER_u = 0, SQCORE_STOP_VER_s = 0, SQCORE_STOP_VER_valid = 0;

namespace {

// Runs "date" and shows what it printed.
void printDate()
{
  std::string out;
  common::runCommand({"date"}, &out);
  common::outText(out.c_str());
}

void stamp(const char* line)
{
  common::outf("%s", line);
  printDate();
}

void sampleTimes(int* user, int* system)
{
  struct tms t;
  times(&t);
  *user = static_cast<int>(t.tms_utime);
  *system = static_cast<int>(t.tms_stime);
}

struct RowsRelease {
  void operator()(_rhs_list* rows) const { compact::freeRows(rows); }
};
using Rows = std::unique_ptr<_rhs_list, RowsRelease>;

// Whatever way the run ends, the graphs and the run's rows go.
struct RunState {
  ~RunState()
  {
    SQfree_all();
    USdeletecontactlist();
    X_direction = 1;
  }
};

int writeTimeReport()
{
  FILE* f = fopen("time_rpt.txt", "w");
  if (!f) {
    GCmessage(0, 'E', "Cannot write time_rpt.txt");
    return 1;
  }
  fprintf(f, "Resize Start Time:   \t User %7d\t System %7d\n", RES_START_u, RES_START_s);
  fprintf(f, "Resize Stop Time:    \t User %7d\t System %7d\n", RES_STOP_u, RES_STOP_s);
  if (SQCORE_START_HOR_valid == 1)
    fprintf(f, "Core Hor Start Time :\t User %7d\t System %7d\n", SQCORE_START_HOR_u,
            SQCORE_START_HOR_s);
  if (SQCORE_STOP_HOR_valid == 1)
    fprintf(f, "Core Hor Stop Time : \t User %7d\t System %7d\n", SQCORE_STOP_HOR_u,
            SQCORE_STOP_HOR_s);
  if (SQCORE_START_VER_valid == 1)
    fprintf(f, "Core Ver Start Time :\t User %7d\t System %7d\n", SQCORE_START_VER_u,
            SQCORE_START_VER_s);
  if (SQCORE_STOP_VER_valid == 1)
    fprintf(f, "Core Ver Stop Time : \t User %7d\t System %7d\n", SQCORE_STOP_VER_u,
            SQCORE_STOP_VER_s);
  fprintf(f, "       Note: CLK_TCK = %ld\n", sysconf(_SC_CLK_TCK));
  fclose(f);
  return 0;
}

}  // namespace

int SQ_resize(sweep_list* xEvents, AdjacencyArray* xVars, sweep_list* yEvents,
              AdjacencyArray* yVars, int /*flag*/)
{
  mps_column_num = 1;
  Rows xRows(compact::newRows());
  X_direction = 1;
  stamp("\n^^^ SWEEP:  Sweep of X direction starts at\n     ");
  common::outf("\n");
  xEvents->sweep(xVars, xRows.get());
  stamp("\n^^^ SWEEP:  Sweep of X direction ends at\n     ");
  common::outf("\n");
  PHASEII = 1;
  if (Bound_Box)
    user_defined_sym_constraint_generate(xVars, xRows.get(), 1);

  X_direction = 0;
  Rows yRows(compact::newRows());
  stamp("\n^^^ SWEEP:  Sweep of Y direction starts at\n     ");
  common::outf("\n");
  yEvents->sweep(yVars, yRows.get());
  stamp("\n^^^ SWEEP:  Sweep of Y direction ends at\n     ");
  common::outf("\n");
  PHASEII = 1;
  if (Bound_Box)
    user_defined_sym_constraint_generate(yVars, yRows.get(), 2);
  X_direction = 1;
  stamp("SYM: symmetry equations are generated at\n     ");

  ++SQstep;
  if (SQmain_graph(xVars, xRows.get(), LEFT_RIGHT) != 0)
    return 1;
  stamp("^^^ GRAPH: graph for X direction ends at\n     ");
  common::outf("\n");
  // Nothing after its graph reads the rows, variables or events of X.
  xRows.reset();
  compact::releaseDirection(true);
  if (SQmain_graph(yVars, yRows.get(), TOP_BOTTOM) != 0)
    return 1;
  stamp("^^^ GRAPH: graph for Y direction ends at\n     ");
  common::outf("\n");
  // Nor, after both graphs, anything else the scan made.
  yRows.reset();
  compact::releaseScan();

  if (TRANSISTOR_SIZE_CHECK)
    SYtran_netlist_output();
  stamp("^^^ SYNTHESIS: Synthesis (all) is done at\n     ");
  common::outf("\n");

  SQmain_resize(nullptr, nullptr, LEFT_RIGHT);
  stamp("^^^ GRAPH: Solving Graph of X direction done at\n     ");
  common::outf("\n");
  SQmain_resize(nullptr, nullptr, TOP_BOTTOM);
  stamp("^^^ GRAPH: Solving Graph of Y direction done at\n     ");
  common::outf("\n");

  // A failed synthesis check abandons the resize; the layout stays loaded.
  const int errors = SYtran_check();
  if (errors != 0) {
    common::outf("SQtran_check: Total Error Counts = %i\n", errors);
    common::flushOutput();
    SQfree_all();
    USdeletecontactlist();
    compact::freeStaff();
    X_direction = 1;
    GCmessage(0, 'F', "The resize is abandoned: %d transistor size errors", errors);
    common::abandonAction(1);
  }

  SQmain_solve(nullptr, nullptr, LEFT_RIGHT);
  stamp("^^^ GRAPH: Solving Graph of X direction done at\n     ");
  common::outf("\n");
  SQmain_solve(nullptr, nullptr, TOP_BOTTOM);
  stamp("^^^ GRAPH: Solving Graph of Y direction done at\n     ");
  common::outf("\n");
  SQmain_output(2);
  return 0;
}

int resize()
{
  if (DlayerNum == 0 || !DlayerTile[0].layertile) {
    GCmessage(0, 'E', "No corner stitch layout: load a layout before resizing it");
    return 1;
  }
  common::outf("\n\nRunning the resizer\n");
  common::outf("==============================\n");
  if (AC_initial_halfscale_error >= 1) {
    common::outf(
        "Potential problem: Input box scale is not in half_scale unit.  Check error message "
        "above\n");
    GCmessage(0, 'F', "The resize is refused: the input boxes are not in half-scale units");
    common::abandonAction(1);
  }
  // The wells and other layers without a plane take part as planes of
  // their own, made after the passive devices' stand-ins; they outlive
  // everything the run builds on them.
  std::optional<cs::OtherLayerPlanes> otherLayers;
  RunState state;
  USdesignruleactivecontact();
  LXindRemoval();
  stamp("\n^^^ LXindRemoval is done (in resizing+symm) at\n     ");
  common::outf("\n");
  CXcapRemoval();
  stamp("\n^^^ CXcapRemoval is done (in resizing+symm) at\n     ");
  common::outf("\n");
  otherLayers.emplace();
  init_staff();
  stamp("\n^^^ init_staff is done (in resizing+symm), going to call scan_toget_variables at\n     ");
  common::outf("\n");
  common::outf("\n***\nstart = \n");
  printDate();
  common::outf("\n***\n");
  scan_toget_variables();
  stamp("\n^^^ scan_togetvariables is done (in resizing+symm), going to call symmetry at\n     ");
  common::outf("\n");
  Bound_Box = 1;
  common::outf("Symmetry is detected by BoundBox or Textual function earlier by user.\n");
  checksym::keepConsistentPairs();
  stamp("\n^^^ Symmetry detection is done (in resizing+symm) at\n     ");
  common::outf("\n");

  // The preset of the action; what the user set outlasts it, and factor
  // mode stays the mode of the factor preset.
  COMPACT_ALGORITHM = 1;
  PROCESS_INCLUDE_SYMMETRY = common::presetValue(PROCESS_INCLUDE_SYMMETRY, 1);
  PROCESS_INCLUDE_TRANSISTOR_PARASITIC =
      common::presetValue(PROCESS_INCLUDE_TRANSISTOR_PARASITIC, 0);
  PROCESS_INCLUDE_RESIZING =
      PROCESS_OPTION == 1 ? common::presetValue(PROCESS_INCLUDE_RESIZING, 5) : 2;

  sampleTimes(&RES_START_u, &RES_START_s);
  SQCORE_START_HOR_valid = SQCORE_STOP_HOR_valid = 0;
  SQCORE_START_VER_valid = SQCORE_STOP_VER_valid = 0;
  common::outf("\nStarting resizing... (Graph)\n");
  if (SQ_resize(scan_queue, equat_bucket, scan_queue_y, equat_bucket_y, 1) != 0)
    return 1;
  common::outf("\nCompleted resizing!\n");
  common::outf("\nCheck the output file at sq_out.cif\n");
  sampleTimes(&RES_STOP_u, &RES_STOP_s);
  writeTimeReport();
  common::flushOutput();
  return 0;
}

int new_resize()
{
  PROCESS_OPTION = common::presetValue(PROCESS_OPTION, 1);
  return resize();
}

int new_resize60()
{
  PROCESS_OPTION = 0;
  return resize();
}
