// Same-circuit comparison on hand-made circuits, and the size file reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "SameCircuit.h"
#include "TestSupport.h"

namespace {

using namespace layout_check;

Device mos(const char* kind, int number, long w, int gate, int source, int drain)
{
  Device d;
  d.kind = kind;
  d.name = "m" + std::to_string(number);
  d.number = number;
  d.width = w;
  d.length = 6;
  d.gate = gate;
  d.pins[0] = source;
  d.pins[1] = drain;
  return d;
}

// A chain of `n` inverters between the supplies 1 and 2; stage k drives
// net 10 + k + 1 from net 10 + k.  `last` closes it into a ring.
Circuit inverters(int n, bool ring = false)
{
  Circuit c;
  for (int k = 0; k < n; ++k) {
    int in = 10 + k, out = ring && k == n - 1 ? 10 : 10 + k + 1;
    c.devices.push_back(mos("transistor_P", 2 * k + 1, 40, in, 1, out));
    c.devices.push_back(mos("transistor_N", 2 * k + 2, 20, in, 2, out));
  }
  return c;
}

// The same circuit with other net numbers, devices in another order and
// source and drain swapped here and there.
Circuit renamed(Circuit c, unsigned seed)
{
  std::mt19937 random(seed);
  std::vector<int> names(1000);
  for (size_t i = 0; i < names.size(); ++i)
    names[i] = static_cast<int>(i) + 5000;
  std::shuffle(names.begin(), names.end(), random);
  for (Device& d : c.devices) {
    d.gate = names[d.gate];
    d.pins[0] = names[d.pins[0]];
    d.pins[1] = names[d.pins[1]];
    if (random() % 2)
      std::swap(d.pins[0], d.pins[1]);
  }
  std::shuffle(c.devices.begin(), c.devices.end(), random);
  return c;
}

TEST(SameCircuit, RenamedNetsAndSwappedTerminalsAreTheSame)
{
  for (int n : {1, 5, 300})
    EXPECT_TRUE(compareCircuits(inverters(n), renamed(inverters(n), n)).same) << n;
  EXPECT_TRUE(compareCircuits(inverters(7, true), renamed(inverters(7, true), 3)).same);
}

TEST(SameCircuit, DifferencesAreFoundAndNamed)
{
  struct Case {
    const char* name;
    Circuit second;
    const char* line;  // a piece of one difference line
  };
  Circuit rewired = inverters(6);
  rewired.devices[5].gate = 13;  // the third inverter's n-channel gate on the wrong net
  Circuit wider = inverters(6);
  wider.devices[4].width = 50;
  Circuit fewer = inverters(6);
  fewer.devices.pop_back();
  Circuit kinds = inverters(6);
  kinds.devices[0].kind = "transistor_N";
  const Case cases[] = {
      {"rewired", rewired, "connected differently"},
      {"wider", wider, "m5 at (0, 0): transistor_P W 40 L 6 um expected, transistor_P W 50"},
      {"one device fewer", fewer, "transistor_N W 20 L 6 um: 6 expected, 5 found"},
      {"other kind", kinds, "transistor_P W 40 L 6 um: 6 expected, 5 found"},
  };
  for (const Case& c : cases) {
    CircuitComparison result = compareCircuits(inverters(6), renamed(c.second, 9));
    EXPECT_FALSE(result.same) << c.name;
    std::string lines;
    for (const std::string& l : result.differences)
      lines += l + "\n";
    EXPECT_NE(lines.find(c.line), std::string::npos) << c.name << ":\n" << lines;
  }
}

TEST(SameCircuit, LookAlikesThatRefinementCannotTellApart)
{
  // A ring of six inverters and two rings of three: every device and net
  // sees the same neighbourhood, only fixing one pair tells them apart.
  Circuit six = inverters(6, true), threes = inverters(3, true);
  for (Device d : inverters(3, true).devices) {
    d.gate += 100;
    d.pins[1] += 100;
    threes.devices.push_back(d);
  }
  EXPECT_FALSE(compareCircuits(six, threes).same);
}

TEST(SameCircuit, RequestedSizesAndDrawnOnes)
{
  Circuit resized = inverters(4);
  resized.devices[2].width = 60;  // m3
  SizeRequests sizes = {{{'m', 3}, {6, 0.6, 60, 6}}};
  EXPECT_TRUE(compareCircuits(inverters(4), renamed(resized, 2), sizes).same);
  // The request not carried out, or carried out on the wrong transistor.
  EXPECT_FALSE(compareCircuits(inverters(4), renamed(inverters(4), 2), sizes).same);
  Circuit elsewhere = inverters(4);
  elsewhere.devices[4].width = 60;
  EXPECT_FALSE(compareCircuits(inverters(4), renamed(elsewhere, 2), sizes).same);
}

TEST(SameCircuit, SizeFiles)
{
  testing_support::ScratchDir scratch;
  struct Case {
    const char* text;
    const char* error;  // "" when it reads
  } cases[] = {
      {"# sizes\nTransistors_sizes:\n  M3 2.4 0.6\n  m12 (times 2 1.2) (difference 1 0.4) 0.5 0\n"
       "Capacitors_sizes:\n  C1 20 20\nTransistors_sizes:\n  M4 1.2e+1 =0.6\n",
       ""},
      {"Transistors_sizes:\n  M3 2.4\n", "M3 needs 2 or 4 values"},
      {"Transistors_sizes:\n  M3 2.4 0.6 1\n", "M3 needs 2 or 4 values"},
      {"Transistors_sizes:\n  X3 2.4 0.6\n", "not a device line at \"X3\""},
      {"Transistors_sizes:\n  M3 (plus 2 1) 0.6\n", "M3 needs 2 or 4 values"},
      {"M3 2.4 0.6\n", "not a device line at \"M3\""},
      {"Inductors_sizes:\n  L1 4 40 20\n", "L1 needs 5 values"},
  };
  for (const Case& c : cases) {
    SizeRequests sizes;
    std::string why = readSizes(scratch.write("sizes.txt", c.text), &sizes);
    if (*c.error) {
      EXPECT_NE(why.find(c.error), std::string::npos) << c.text << "\n" << why;
      continue;
    }
    ASSERT_EQ(why, "");
    ASSERT_EQ(sizes.size(), 4u);
    EXPECT_DOUBLE_EQ((sizes[{'m', 3}].width), 2.4);
    EXPECT_DOUBLE_EQ((sizes[{'m', 12}].width), 2.4);
    EXPECT_DOUBLE_EQ((sizes[{'m', 12}].length), 0.6);
    EXPECT_DOUBLE_EQ((sizes[{'m', 4}].width), 12);
    EXPECT_EQ((sizes[{'m', 4}].widthUnits), 4800);  // 40 units a 0.1 um step
    EXPECT_EQ((sizes[{'c', 1}].lengthUnits), 8000);
  }
  SizeRequests none;
  EXPECT_EQ(readSizes(scratch.path("missing.txt"), &none), "cannot open " + scratch.path("missing.txt"));
}

}  // namespace
