// libFuzzer target for the SIM netlist reader of subpyxis.  Each input is
// run through the whole program as the subcircuit file (against a small
// fixed circuit) and as the circuit file (searched for a fixed differential
// pair, once with -m -f and once with -s -O -r).  A part after a line "%%alias" becomes the alias file
// beside the netlist.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
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
                          "DEFINE diffpair in1 in2 out1 out2 tail\n"
                          "mn_1 in1 tail out1\nmn_2 in2 tail out2\nsym 1=2\n";
  writeFile(scratch + "/diffpair", diffpair, sizeof diffpair - 1);
  const char circuit[] = "| units: 100 format: MIT\n"
                         "mn_1 a t x\nmn_2 b t y\nmn_3 bias gnd t\nmp_4 x x vdd\nmp_5 x y vdd\n"
                         "n a b c\np c d e\nmn_8 e gnd d\n";
  writeFile(scratch + "/circuit.sim", circuit, sizeof circuit - 1);
}

// Runs subpyxis on the two files with the given options.
static void run(const std::string& subgraph, const std::string& graph, std::vector<std::string> options)
{
  std::vector<std::string> words = {"subpyxis", subgraph, graph};
  words.insert(words.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (std::string& word : words)
    argv.push_back(&word[0]);
  argv.push_back(nullptr);
  abstractor::runSubpyxis(static_cast<int>(words.size()), argv.data());
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
  run(netlist, scratch + "/circuit.sim", {"-m", "-f", scratch + "/found"});
  run(scratch + "/diffpair", netlist, {"-m", "-f", scratch + "/found"});
  run(scratch + "/diffpair", netlist, {"-s", "-O", "-r", scratch + "/result"});
  abstractor::captureOutput(nullptr, nullptr);
  return 0;
}
