// Helpers of the subpyxis tests.
#include "SubpyxisTestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "Matcher.h"
#include "Output.h"
#include "Program.h"

namespace subpyxis_test {

using namespace abstractor;

Scratch::Scratch()
{
  char pattern[] = "/tmp/subpyxis_test.XXXXXX";
  char* made = mkdtemp(pattern);
  dir_ = made != nullptr ? made : "/tmp";
}

Scratch::~Scratch()
{
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

std::string Scratch::write(const std::string& name, const std::string& text) const
{
  std::string full = path(name);
  std::ofstream(full, std::ios::binary) << text;
  return full;
}

std::string Scratch::read(const std::string& name) const
{
  std::ifstream in(path(name), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string sourceDir()
{
  return SUBPYXIS_SOURCE_DIR;
}

RunResult runProgram(const std::vector<std::string>& arguments)
{
  std::vector<std::string> words = {"subpyxis"};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words)
    argv.push_back(&word[0]);
  argv.push_back(nullptr);
  RunResult result;
  captureOutput(&result.out, &result.err);
  result.status = runSubpyxis(static_cast<int>(words.size()), argv.data());
  captureOutput(nullptr, nullptr);
  return result;
}

ReadResult readNetlist(const std::string& file, bool isSubgraph,
                       const std::function<void(Graph&)>& inspect)
{
  ReadResult result;
  captureOutput(&result.out, &result.err);
  subpyxisInit();
  try {
    Graph graph(file);
    FILE* handle = fopen(file.c_str(), "r");
    if (handle == nullptr)
      throw ProgramExit{99};
    graph.ReadGraph(handle, isSubgraph, true);
    if (inspect)
      inspect(graph);
  } catch (const ProgramExit& exit) {
    result.status = exit.status;
  } catch (const NetlistFatal&) {
    result.status = 1;
  } catch (const UsageRequest&) {
    result.status = 1;
  }
  subpyxisFree();
  captureOutput(nullptr, nullptr);
  return result;
}

std::string nodeName(const Node* node)
{
  if (node->nodeType == NET)
    return node->name;
  if (node->dev != nullptr && node->dev->number == -1)
    return std::string("#") + std::to_string(node->dev->index);
  return deviceName(node);
}

static MatchRun* currentRun = nullptr;

static void collect(Graph& S, Graph& G)
{
  std::vector<std::pair<std::string, std::string>> pairs;
  for (size_t k = 0; k < S.matchList.elems.size(); ++k)
    pairs.emplace_back(nodeName(S.matchList.elems[k].node), nodeName(G.matchList.elems[k].node));
  currentRun->instances.push_back(std::move(pairs));
}

MatchRun matchFiles(const std::string& subcircuit, const std::string& circuit, const MatchOptions& options)
{
  MatchRun run;
  std::string err;
  captureOutput(&run.out, &err);
  subpyxisInit();
  {
    Graph S(subcircuit);
    Graph G(circuit);
    S.ReadGraph(fopen(subcircuit.c_str(), "r"), true);
    G.ReadGraph(fopen(circuit.c_str(), "r"), false);
    matcherSetGraphs(&S, &G);
    MarkUsedNodes = options.overlapping ? 0 : 1;
    MatcherHooks& hooks = matcherHooks();
    hooks.instanceFound = collect;
    hooks.prematch = options.prematch;
    hooks.specialOff = options.specialOff;
    currentRun = &run;
    run.compared = FindInstances(S, G);
    currentRun = nullptr;
    run.found = IsomorphismCount;
  }
  subpyxisFree();
  captureOutput(nullptr, nullptr);
  size_t key = run.out.find("KEYNODE: \n");
  if (key != std::string::npos) {
    std::istringstream line(run.out.substr(key + 10));
    std::string kind;
    line >> kind >> run.keyName;
    if (!run.keyName.empty() && run.keyName.back() == ',')
      run.keyName.pop_back();
  }
  return run;
}

}  // namespace subpyxis_test
