// quorin-batch: runs menu actions of the workbench from a script, without a
// display.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>

#include "BatchRunner.h"
#include "DisplayList.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dview.h"
#ifdef QUORIN_HAVE_CAIRO
#include "ImageSurface.h"
#include "Snapshot.h"
#endif

namespace {

constexpr int kViewWidth = 550;   // pixels of the headless main view
constexpr int kViewHeight = 450;
constexpr int kPlotWidth = 600;   // pixels of the headless plot window
constexpr int kPlotHeight = 400;

void usage(const char* program)
{
  printf("Usage: %s [-bBmMcCsSoOtTf] [script]\n"
         "Runs one menu action per line of the script (standard input when no\n"
         "script is given).  A line is an action name followed by what its\n"
         "dialog would receive, then the points (x,y in layout units) that the\n"
         "interaction started by the action takes:\n"
         "  f.DIldTech lib/example.tech      a file dialog takes the path\n"
         "  f.DIsetForm MaxSize 2.5          a value prompt takes label and value\n"
         "  f.DIhswitch Off                  a switch takes its button label\n"
         "  f.DVzoomin 0,0 1000,400          two clicks in the main view\n"
         "A point goes to the step waiting for it with the button that step\n"
         "wants; a list of points is ended with button 3 after the last one.\n"
         "  layer CMF                        makes a layer active (its LAYERS button)\n"
         "  scale 20                         sets the defect-size scale (tenths of a grid\n"
         "                                   step) as the slider of the window would\n"
         "  snapshot view.png [WxH] [bare]   writes what the main view shows, fitted to\n"
         "                                   W x H pixels (1200x900), with a title line\n"
         "                                   (file, view, what is highlighted) and a\n"
         "                                   legend of the layers, unless bare; a file\n"
         "                                   ending in .svg is written as SVG\n"
         "  summary                          prints the key figures of the loaded layout\n"
         "                                   (\"summary: <what> <value>\" lines)\n"
         "  set PROCESS_INCLUDE_WLM 1        sets a process setting, as its key in the\n"
         "                                   system source file would (see the README)\n"
         "  rows rows.txt                    writes the resize rows of both directions\n"
         "  squeeze [passives]               compacts the layout into sq_out.cif\n"
         "                                   (one per line: number, direction, type,\n"
         "                                   terms coeff*layer.side(coordinates), value)\n"
         "  view 0,0 2000,1000               shows that box in the main view, as a zoom\n"
         "                                   would (the fitted view until then); single\n"
         "                                   critical areas are taken over what it shows\n"
         "  f.DYCarea [file.png]             a plot action writes the plot window (%dx%d)\n"
         "                                   as PNG: sensitivity.png, distribution.png\n"
         "                                   (f.DYdx), pof.png (f.DYpof), yield.png (f.DYyx);\n"
         "                                   as SVG when the file ends in .svg\n"
         "  f.DIsetForm D0(DefectDensity) 5  a layer parameter of the active layer\n"
         "                                   (X0(SizeDistribution), D0(DefectDensity),\n"
         "                                   Y0(ClusterFactor), A(GammaParameter))\n"
         "  f.DIcifMode Full                 reads CIF in full mode from now on\n"
         "  f.DIldGds chip.gds               reads a GDSII file and analyses it (f.DIrdGds:\n"
         "                                   reads it only; f.DIldGdsMap: a layer map)\n"
         "  gds out.gds                      writes the loaded layout, flattened, as GDSII\n"
         "\"#\" starts a comment.  The exit status is 0 when every line ran.\n"
         "-f reads CIF in full mode (CIF 2.0 as layout editors write it) instead of\n"
         "the strict line-oriented subset; so does \"CIFMode full\" in the system\n"
         "source file.\n"
         "SYSRC must name the system source file (lib/sysrc in the source tree).\n",
         program, kPlotWidth, kPlotHeight);
}

}  // namespace

int main(int argc, char** argv)
{
  GCresetGlobals();
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "-h") == 0 || strcmp(argv[i], "--help") == 0) {
      usage(argv[0]);
      return 0;
    }
  }
  if (!init::readFlags(argc, argv))
    return 2;
  init::startHeadless(true);

  batch::Runner runner;
  // The main view keeps what is drawn on it; a snapshot draws it again.
  batch::DisplayList mainView(kViewWidth, kViewHeight);
  runner.setMainView(&mainView);
#ifdef QUORIN_HAVE_CAIRO
  const _GWorkStation& station = GCworkStation[GCstationId];
  unsigned long background = station.ncolor > 0 ? station.color[0].pixel : 0;
  batch::ImageSurface plot(kPlotWidth, kPlotHeight, background);
  view::initViewports(&mainView, nullptr, &plot, nullptr);
  runner.setSnapshot([&mainView, background](const batch::SnapshotRequest& request,
                                             const std::vector<batch::Highlight>& highlights) {
    return batch::writeSnapshot(request, mainView, highlights, background);
  });
  runner.setPlot([&plot, background](const std::string& path) {
    if (!batch::isSvgName(path))
      return plot.writePng(path.c_str());
    // The plot drawn again into the vector file.
    batch::SvgSurface svg(path.c_str(), plot.width(), plot.height(), background);
    struct Restore {
      batch::ImageSurface* plot;
      ~Restore() { Vpopup->surface = plot; }
    } restore{&plot};
    Vpopup->surface = &svg;
    view::redrawPlot();
    return svg.complete();
  });
#else
  view::NullSurface plot(kPlotWidth, kPlotHeight);
  view::initViewports(&mainView, nullptr, &plot, nullptr);
#endif

  if (optind < argc) {
    std::ifstream script(argv[optind]);
    if (!script) {
      fprintf(stderr, "quorin-batch: cannot open script %s\n", argv[optind]);
      return 2;
    }
    return runner.run(script);
  }
  return runner.run(std::cin);
}
