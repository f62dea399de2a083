// The subpyxis program: options, the phases of a run, the timing report, the
// summary line and the failure report.
#include "Program.h"

#include <sys/times.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "Graph.h"
#include "Matcher.h"
#include "Output.h"
#include "Report.h"

namespace abstractor {

namespace {

struct Options {
  bool timing = false;            // -t
  bool listRemovedNets = false;   // -z
  bool specialOff = false;        // -s
  bool prematch = false;          // -O
  bool printCandidates = false;   // -P
  bool debug = false;             // -d
  int markUsedNodes = 1;          // -m, -y, -r
  std::string matchFile;          // -f
  std::string symmetryFile;       // -y
  std::string resultFile;         // -r
};

// CPU times in clock ticks.
struct Stamp {
  long user = 0;
  long system = 0;
};

struct ProgramState {
  std::string programName = "subpyxis";
  Options options;
  Stamp last;
};

}  // namespace

static ProgramState* state = nullptr;

void subpyxisInit()
{
  subpyxisFree();
  // The generator's state at program start (seed 1), so that every run in
  // one process repeats a fresh program's labels.
  srand(1);
  state = new ProgramState;
  readerInit();
  matcherInit();
  reportInit("");
}

void subpyxisFree()
{
  reportFree();
  matcherFree();
  readerFree();
  partitionFree();
  delete state;
  state = nullptr;
}

static void printUsage()
{
  const char* name = state->programName.c_str();
  outf("\nUsage: %s <subgraph-filename> <graph-filename> [options]\n\n", name);
  outf("Options:\n");
  outf("\t-h\t\t: Print a short description of options <this>\n");
  outf("\t-m\t\t: Find overlapping matches\n");
  outf("\t-f <file>\t: Print matches found to file <file>\n");
  outf("\t-y <file>\t: Print symmetry pairs found to file <file>.  Auto turn on -m\n");
  outf("\t-t\t\t: Print amount of time taken during each phase\n");
  outf("\t-r <file>\t: Replace matches with subcircuit instance and print resulting circuit to file "
       "<file>\n");
  outf("\t-s\t\t: Turn off \"special nets\" mode.  See documentation for details.\n");
  outf("\t-O\t\t: Pre-match all external nets that connect to only one device in the subcircuit.\n");
  outf("\n");
}

static Stamp now()
{
  struct tms buffer;
  times(&buffer);
  return {static_cast<long>(buffer.tms_utime), static_cast<long>(buffer.tms_stime)};
}

// Ticks since `since`, divided by 6 as the report has always shown them.
static int ticks(long value, long since)
{
  return static_cast<int>((value - since) / 6);
}

static void reportPhaseOne()
{
  if (!state->options.timing)
    return;
  Stamp stamp = now();
  outf("Phase I Time:\n\tUser %d ", ticks(stamp.user, state->last.user));
  outf("\n\tSystem %d", ticks(stamp.system, state->last.system));
  state->last = stamp;
}

// Opens `name` in `mode` to see that it can be written.
static bool testOpen(const std::string& name, const char* mode)
{
  FILE* file = fopen(name.c_str(), mode);
  if (file == nullptr) {
    outf("Error in opening %s\n", name.c_str());
    return false;
  }
  fclose(file);
  return true;
}

// The options that name a file in the next word.
static bool takesFile(char letter)
{
  return letter == 'f' || letter == 'y' || letter == 'r';
}

// Looks at every word from the third on before any of them acts: each must
// be an option, "-" and a letter this program knows, or the file name that
// follows -f, -y or -r.  The first word that is not ends the run with the
// usage text, before any file is opened.
static void checkOptions(int argc, char** argv)
{
  for (int i = 3; i < argc; ++i) {
    const char* argument = argv[i];
    if (argument[0] != '-') {
      outf("Argument %s is not an option.\n", argument);
      throw UsageRequest{};
    }
    const char letter = argument[1];
    if (letter == 'h')
      throw UsageRequest{};
    if (takesFile(letter)) {
      if (i + 1 >= argc) {
        outf("Option -%c needs a file name.\n", letter);
        throw UsageRequest{};
      }
      ++i;
      continue;
    }
    if (letter == '\0' || !strchr("mtsOPdzn", letter)) {
      outf("Option %c not understood.\n", letter != '\0' ? letter : '-');
      throw UsageRequest{};
    }
  }
}

// Reads the options from the third argument on, in order; false when an
// output file cannot be opened.
static bool readOptions(int argc, char** argv)
{
  checkOptions(argc, argv);
  Options& options = state->options;
  for (int i = 3; i < argc; ++i) {
    const char letter = argv[i][1];
    switch (letter) {
      case 'm': options.markUsedNodes = 0; break;
      case 't': options.timing = true; break;
      case 's': options.specialOff = true; break;
      case 'O': options.prematch = true; break;
      case 'P': options.printCandidates = true; break;
      case 'd': options.debug = true; break;
      case 'z': options.listRemovedNets = true; break;
      default: break;  // -n, and the file options below
    }
    if (!takesFile(letter))
      continue;
    std::string* file = &options.matchFile;
    const char* announce = "printing matches to file %s\n";
    const char* mode = "w";
    if (letter == 'y') {
      file = &options.symmetryFile;
      announce = "printing symmetry to file %s\n";
      mode = "a";
      options.markUsedNodes = 0;
    } else if (letter == 'r') {
      file = &options.resultFile;
      announce = "printing results to file %s\n";
      options.markUsedNodes = 1;
    }
    *file = argv[++i];
    outf(announce, file->c_str());
    if (!testOpen(*file, mode))
      return false;
  }
  return true;
}

static void printSummary()
{
  outf("\n\n%d INSTANCE", IsomorphismCount);
  if (IsomorphismCount != 1)
    outf("S");
  outf(" OF ISOMORPHISM FOUND ***************************\n");
  if (!state->options.timing)
    return;
  outf("\nRecursive Calls = %d\n", RecursiveCalls);
  outf("Failures = %d\n", Failures);
  Stamp stamp = now();
  outf("Phase II Time:\n\tUser %d", ticks(stamp.user, state->last.user));
  outf("\n\tSystem %d\n", ticks(stamp.system, state->last.system));
  outf("Total Time:\n\tUser %d\n", ticks(stamp.user, 0));
  outf("\n\tSystem %d\n", ticks(stamp.system, 0));
}

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

static int run(int argc, char** argv)
{
  if (argc < 3)
    throw UsageRequest{};
  FilePtr subgraphFile(fopen(argv[1], "r"));
  if (!subgraphFile) {
    outf("Error in opening file %s\n", argv[1]);
    return 1;
  }
  FilePtr graphFile(fopen(argv[2], "r"));
  if (!graphFile) {
    outf("Error in opening file %s\n", argv[2]);
    return 1;
  }
  outf("\n\t%s\n\t%s\n\n", argv[1], argv[2]);
  reportInit(argv[1]);
  if (!readOptions(argc, argv))
    return 1;
  const Options& options = state->options;
  Debug = options.debug ? 1 : 0;
  setMatchFile(options.matchFile);
  setSymmetryFile(options.symmetryFile);
  setReplaceInstances(!options.resultFile.empty());

  Graph subgraph(argv[1]);
  Graph graph(argv[2]);
  subgraph.ReadGraph(subgraphFile.release(), true, options.listRemovedNets);
  graph.ReadGraph(graphFile.release(), false, options.listRemovedNets);
  if (subgraph.numDevs + subgraph.numNets > graph.numDevs + graph.numNets) {
    outf("Subgraph is bigger than main graph.  Do you have the argument order right?\n");
    throw UsageRequest{};
  }
  if (options.timing) {
    state->last = now();
    outf("Setup Time:\n\tUser %d ", ticks(state->last.user, 0));
    outf("\n\tSystem %d\n", ticks(state->last.system, 0));
  }

  matcherSetGraphs(&subgraph, &graph);
  MarkUsedNodes = options.markUsedNodes;
  MatcherHooks& hooks = matcherHooks();
  hooks.keyNodeReported = reportPhaseOne;
  hooks.instanceFound = WriteInstance;
  hooks.printCandidates = options.printCandidates;
  hooks.prematch = options.prematch;
  hooks.specialOff = options.specialOff;
  if (!FindInstances(subgraph, graph)) {
    outf("\n=== Subgraph comparison failed before candidate nodes ");
    outf("were found.\n0 INSTANCES OF ISOMORHPISM FOUND\n");
    return 0;
  }
  printSummary();
  if (!options.resultFile.empty() && !PrintGraphToFile(graph, options.resultFile)) {
    outf("Error in opening %s\n", options.resultFile.c_str());
    return 1;
  }
  return 0;
}

int runSubpyxis(int argc, char** argv)
{
  subpyxisInit();
  if (argc > 0 && argv[0] != nullptr)
    state->programName = argv[0];
  int status = 0;
  try {
    status = run(argc, argv);
  } catch (const ProgramExit& exit) {
    status = exit.status;
  } catch (const NetlistFatal&) {
    outf("Longjump returned to main(); terminating ... \n");
    status = 1;
  } catch (const UsageRequest&) {
    printUsage();
    status = 1;
  } catch (const std::bad_alloc&) {
    outf("Not enough space for malloc\n");
    status = 1;
  }
  subpyxisFree();
  flushOutput();
  return status;
}

}  // namespace abstractor
