// The fixture of the size-file tests: no devices and empty size tables; the
// extraction's device globals are put back afterwards.
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
