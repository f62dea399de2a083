// Helpers of the hierarchy tests: extracted layouts whose nets get their
// connection lists the way the re-extraction fills them, hand-made pins,
// and text forms of the groups.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "DHhierarchy.h"
#include "DTtechnology.h"
#include "Dlayout.h"
#include "ExtractSupport.h"

namespace hierarchy_test {

class GroupTest : public extract_test::ExtractTest {
 protected:
  void TearDown() override;

  // Reads, flattens and extracts an example layout (or the layout at an
  // absolute path); false on failure.
  bool loadExample(const std::string& name);
  // Gives every net its connection list (the re-extraction of the load).
  void connect();
  // A pin at (x, y) on `layer`, put in front of Gpin.
  _pin* pin(const char* label, int x, int y, const char* layer);

  // "g<gate> s<source> d<drain>: m1 m2 | m3" for every group in MFTList
  // order, fingers by run.
  std::vector<std::string> groups() const;
  // The group's fingers from left to right as their gate tiles' left x.
  static std::vector<int> gateXs(const MultiFingerTran* group);
  // The transistor whose gate tile holds the active-plane point (x, y).
  _Dtransistor* gateAt(int x, int y);

  // Runs a hierarchy step in a scratch folder and returns the text of
  // "netlist_subpyxis" written there.
  std::string netlist();
  // Runs `work` with `folder` as the current folder; false when the folder
  // could not be changed to or back.
  static bool inFolder(const std::string& folder, const std::function<void()>& work);

 private:
  std::vector<_pin*> pins_;
  bool fromExample_ = false;
};

}  // namespace hierarchy_test
