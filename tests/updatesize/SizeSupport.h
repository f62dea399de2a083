// Helpers of the size-file tests: a fixture with no devices and empty size
// tables, and parsing from a text.
#pragma once

#include <string>

#include "DUsize.h"
#include "TestSupport.h"

namespace size_test {

class SizeTest : public testing_support::CoreTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Parses `text` as a size file; UStransSizeParse's answer.
  int parse(const std::string& text);
};

}  // namespace size_test
