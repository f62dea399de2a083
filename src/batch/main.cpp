// quorin-batch: runs menu actions of the workbench from a script, without a
// display.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

#include "BatchRunner.h"
#include "Dglobal.h"
#include "Dinit.h"
#include "Dview.h"

namespace {

constexpr int kViewWidth = 550;   // pixels of the headless main view
constexpr int kViewHeight = 450;

void usage(const char* program)
{
  printf("Usage: %s [-bBmMcCsSoOtT] [script]\n"
         "Runs one menu action per line of the script (standard input when no\n"
         "script is given).  A line is an action name followed by what its\n"
         "dialog would receive:\n"
         "  f.DIldTech lib/example.tech      a file dialog takes the path\n"
         "  f.DIsetForm MaxSize 2.5          a value prompt takes label and value\n"
         "  f.DIhswitch Off                  a switch takes its button label\n"
         "\"#\" starts a comment.  The exit status is 0 when every line ran.\n"
         "SYSRC must name the system source file (lib/sysrc in the source tree).\n",
         program);
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
  init::startHeadless(false);
  view::NullSurface surface(kViewWidth, kViewHeight);
  DIvpInit(Vmain, &surface, nullptr);

  batch::Runner runner;
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
