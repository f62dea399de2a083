// Helpers of the design rule tests: the example technology, files read
// through the readers, and the tables in a comparable form.
#pragma once

#include <string>

#include "DRdesignrule.h"
#include "PlaneSupport.h"

namespace designrule_test {

// The example technology is loaded, the bridge's technology side filled
// and every rule cleared; LAMBDA_T2 is 0.1.
class RuleTest : public cs_test::PlaneTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Reads `text` with one of the readers; returns its result.
  int bridge(const std::string& text);
  int vendor(int variant, const std::string& text);
  int older(const std::string& text);
  // The same for a file of the source tree.
  int bridgeFile(const std::string& path);
  int vendorFile(int variant, const std::string& path);

  // Slot of a technology layer (-1 when there is none).
  static int slot(const char* layer);
  // Every rule table, flag and grid as one text, to compare states.
  static std::string tables();

  testing_support::ScratchDir scratch;
};

}  // namespace designrule_test
