#include "TestSupport.h"

#include "Dinit.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace testing_support {

bool CapturingFrontEnd::saw(char kind, const std::string& text) const
{
  for (const Message& m : messages)
    if (m.kind == kind && m.line.find(text) != std::string::npos)
      return true;
  return false;
}

void CoreTest::SetUp()
{
  GCresetGlobals();
  // The releases of the device kinds, as at start-up: without them a device
  // list of one test outlives its tiles and meets the next test's.
  init::installHooks();
  setenv("SYSRC", sourcePath("lib/sysrc").c_str(), 1);
  common::setFrontEnd(&ui);
  common::captureOutput(&out, &err);
}

void CoreTest::TearDown()
{
  common::captureOutput(nullptr, nullptr);
  common::setFrontEnd(nullptr);
  GCresetGlobals();
}

std::string sourcePath(const std::string& relative)
{
  return std::string(QUORIN_SOURCE_DIR) + "/" + relative;
}

ScratchDir::ScratchDir()
{
  char pattern[] = "/tmp/quorin-test-XXXXXX";
  const char* made = mkdtemp(pattern);
  dir_ = made ? made : "/tmp";
}

ScratchDir::~ScratchDir()
{
  std::string command = "rm -rf '" + dir_ + "'";
  if (dir_.rfind("/tmp/quorin-test-", 0) == 0 && system(command.c_str()) != 0)
    fprintf(stderr, "could not remove %s\n", dir_.c_str());
}

std::string ScratchDir::write(const std::string& name, const std::string& content) const
{
  std::string file = path(name);
  std::ofstream(file, std::ios::binary) << content;
  return file;
}

std::string readFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream buffer;
  buffer << in.rdbuf();
  return buffer.str();
}

}  // namespace testing_support
