// libFuzzer target for the SIM netlist reader of subpyxis.  Each input is
// run twice through the whole program: once as the subcircuit file (against
// a small fixed circuit) and once as the circuit file (searched for a fixed
// differential pair).  A part after a line "%%alias" becomes the alias file
// beside the netlist.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "Output.h"
#include "Program.h"

static std::string scratch;

static void writeFile(const std::string& name, const char* data, size_t size)
{
  FILE* file = fopen(name.c_str(), "wb");
  if (file == nullptr)
    abort();
  fwrite(data, 1, size, file);
  fclose(file);
}

static void prepare()
{
  char pattern[] = "/tmp/sim_reader_fuzz.XXXXXX";
  if (mkdtemp(pattern) == nullptr)
    abort();
  scratch = pattern;
  const char diffpair[] = "SUBCIRCUIT diffpair in1 in2 out1 out2 tail\n"
                          "mn_1 in1 tail out1\nmn_2 in2 tail out2\nsym 1=2\n";
  writeFile(scratch + "/diffpair", diffpair, sizeof diffpair - 1);
  const char circuit[] = "| units: 100 format: MIT\n"
                         "mn_1 a t x\nmn_2 b t y\nmn_3 bias gnd t\nmp_4 x x vdd\nmp_5 x y vdd\n"
                         "n a b c\np c d e\nmn_8 e gnd d\n";
  writeFile(scratch + "/circuit.sim", circuit, sizeof circuit - 1);
}

static void run(const std::string& subgraph, const std::string& graph)
{
  std::string sub = subgraph;
  std::string main = graph;
  std::string outputs = scratch + "/found";
  char program[] = "subpyxis";
  char dashM[] = "-m";
  char dashF[] = "-f";
  char* argv[] = {program, &sub[0], &main[0], dashM, dashF, &outputs[0], nullptr};
  abstractor::runSubpyxis(6, argv);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  if (scratch.empty())
    prepare();
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string alias;
  size_t marker = text.find("%%alias\n");
  if (marker != std::string::npos) {
    alias = text.substr(marker + 8);
    text.resize(marker);
  }
  std::string netlist = scratch + "/input.sim";
  writeFile(netlist, text.data(), text.size());
  std::string aliasFile = scratch + "/input.al";
  if (marker != std::string::npos)
    writeFile(aliasFile, alias.data(), alias.size());
  else
    unlink(aliasFile.c_str());

  std::string out;
  std::string err;
  abstractor::captureOutput(&out, &err);
  run(netlist, scratch + "/circuit.sim");
  run(scratch + "/diffpair", netlist);
  abstractor::captureOutput(nullptr, nullptr);
  return 0;
}
