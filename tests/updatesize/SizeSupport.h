// The fixture of the size-file tests: no devices and empty size tables; the
// extraction's device globals are put back afterwards.
#pragma once

#include <string>

#include "DEextract.h"
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

// Four hand-made transistors m1..m4 in one element list, newest first.
class FourTransistors : public SizeTest {
 protected:
  void SetUp() override;
  _Dtransistor t[4];
  _Dtransistor* head = nullptr;
};

}  // namespace size_test
