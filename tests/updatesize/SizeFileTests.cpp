// The size file: its values, its syntax errors, the tables and their growth,
// and what a refused file leaves behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "CXcapacitor.h"
#include "DUsize.h"
#include "RXresistor.h"
#include "SizeSupport.h"
#include "TestSupport.h"

namespace {

using SizeFile = size_test::SizeTest;

std::string firstLine(const std::string& text) { return text.substr(0, text.find('\n') + 1); }

// Every form of a value, read through a capacitor line (the forms are the
// same for every kind of line).
TEST_F(SizeFile, ValueForms)
{
  struct Case {
    const char* value;
    double expected;
  } cases[] = {
      {"2.4", 2.4}, {"+3", 3}, {"-2", -2}, {".5", 0.5}, {"5.", 5},
      {"-", 0},                    // a lone sign is the integer 0
      {".", 0},                    // a lone point is a real
      {"1.2e-6", 1.2e-6},          // the sign makes "e" a token of its own
      {"1.2 e 6", 1.2e6}, {"3e+2", 300},
      {"(times 2 1.2)", 2.4}, {"(difference 5 2)", 3}, {"(difference 2 5)", -3},
      {"(times 3 4)", 12}, {"( times\n 2 -1.5 )", -3},
      {"=2.4", 2.4},               // "=" is echoed and skipped
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    ASSERT_EQ(parse(std::string("Capacitors_sizes:\n C1 ") + c.value + " 7\n"), 1) << err;
    ASSERT_EQ(UScapSize.ArraySize, 2);  // grown from no capacitors: 1, 2
    EXPECT_DOUBLE_EQ(UScapSize.Width[1], c.expected);
    EXPECT_DOUBLE_EQ(UScapSize.Length[1], 7);
    EXPECT_EQ(UScapSize.UpdateFlag[1], 1);
  }
  EXPECT_EQ(out, "=");
  EXPECT_EQ(textualDeviceSizeInput, 1);
}

TEST_F(SizeFile, EveryKindOfLine)
{
  EXPECT_EQ(parse("# only a comment\n"), 1);
  ASSERT_EQ(parse("# comment before any section\n"
                  "Inductors_sizes:\n L2 4 40 14 2 2.25   # width outer inner spacing turns\n"
                  "Resistors_sizes:\n R1 4 32\n r3 2 20 3.9\n"
                  "Capacitors_sizes:\n c1 16 16\n"
                  "Inductors_sizes:\n l1 1 2 3 4 5\n"),
            1)
      << err;
  ASSERT_EQ(USindSize.ArraySize, 4);
  EXPECT_EQ(USindSize.UpdateFlag[0], 0);
  EXPECT_EQ(USindSize.UpdateFlag[2], 1);
  EXPECT_DOUBLE_EQ(USindSize.OuterDiameter[2], 40);
  EXPECT_DOUBLE_EQ(USindSize.Spacing[2], 2);
  EXPECT_DOUBLE_EQ(USindSize.Turn[2], 2.25);
  EXPECT_DOUBLE_EQ(USindSize.Turn[1], 5);
  ASSERT_EQ(USresSize.ArraySize, 4);
  EXPECT_EQ(USresSize.Finger[1], 1);  // two values: one finger
  EXPECT_EQ(USresSize.Finger[3], 3);  // the third value, truncated
  EXPECT_DOUBLE_EQ(USresSize.Length[3], 20);
  EXPECT_DOUBLE_EQ(UScapSize.Width[1], 16);
  EXPECT_EQ(UStranSize.ArraySize, 0);  // freed once applied
}

// Each refused file: the line and token of "error on line %d %s: %s".
TEST_F(SizeFile, SyntaxErrors)
{
  struct Case {
    const char* file;
    const char* report;
  } cases[] = {
      {"Transistors_sizes:\n M3 1.2e6 0.6\n", "error on line 2 e6: parse error\n"},
      {"Transistors_sizes:\n M3 10,2 0.6\n", "error on line 2 ,2: parse error\n"},
      {"Transistors_sizes:\n M3 W=2.4 L=0.6\n", "error on line 2 W: parse error\n"},
      {"M3 2.4 0.6\nTransistors_sizes:\n", "error on line 1 M3: parse error\n"},
      {"Transistors_sizes:\n M3 (plus 1 2) 0.6\n", "error on line 2 plus: not times or difference\n"},
      {"Transistors_sizes:\n M3 (times 1 2e1) 1\n", "error on line 2 e1: parse error\n"},
      {"Transistors_sizes:\n M3 (times 1) 1\n", "error on line 2 ): parse error\n"},
      {"Transistors_sizes:\n M3 2.4 0.6 0.5\n", "error on line 3 : parse error\n"},
      {"Transistors_sizes:\n M3 2.4 1.2E-6\n", "error on line 2 E: parse error\n"},
      {"Transistors_sizes:\n M1 \"2\" 1\n", "error on line 2 \": parse error\n"},
      {"Transistors_sizes :\n M1 2 1\n", "error on line 1 Transistors_sizes: parse error\n"},
      {"Transistors_sizes:\nCapacitors_sizes:\n C1 1 1\n",
       "error on line 2 Capacitors_sizes:: parse error\n"},
      {"Transistors_sizes:\n C1 1 1\n", "error on line 2 C1: parse error\n"},
      {"Resistors_sizes:\n R1 1 2 3 4\n", "error on line 2 4: parse error\n"},
      {"", "error on line 1 : parse error\n"},
      {"Transistors_sizes:\n M3 1 e 99999999999\n", "error on line 2 99999999999: number out of range\n"},
      {"Transistors_sizes:\n M3 1 e 400 1\n", "error on line 2 M3: value out of range\n"},
      {"Transistors_sizes:\n M3 3000000 1\n", "error on line 2 M3: value out of range\n"},
      {"Capacitors_sizes:\n C2000000 1 1\n", "error on line 2 C2000000: device number out of range\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    err.clear();
    ui.messages.clear();
    EXPECT_EQ(parse(c.file), 0);
    EXPECT_EQ(firstLine(err), c.report);
    ASSERT_FALSE(ui.messages.empty());
    EXPECT_EQ(ui.messages.back().kind, 'E');
    EXPECT_NE(ui.messages.back().line.find("Transistor size file line "), std::string::npos);
    EXPECT_EQ(textualDeviceSizeInput, 0);
  }
}

// A table grows by doubling until the number fits; from one entry when
// there are no devices of the kind.
TEST_F(SizeFile, TablesGrowByDoubling)
{
  struct Case {
    int devices, number, size;
  } cases[] = {{0, 0, 1}, {0, 1, 2}, {0, 5, 8}, {3, 2, 3}, {3, 3, 6}, {3, 7, 12}, {8, 8, 16}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.devices << " devices, C" << c.number);
    capacitorCount = c.devices;
    ASSERT_EQ(parse("Capacitors_sizes:\n C" + std::to_string(c.number) + " 2 3\n"), 1);
    ASSERT_EQ(UScapSize.ArraySize, c.size);
    ASSERT_EQ(UScapSize.UpdateFlag.size(), static_cast<size_t>(c.size));
    for (int n = 0; n < c.size; ++n)
      EXPECT_DOUBLE_EQ(UScapSize.Length[n], n == c.number ? 3 : 0) << n;
  }
  resistorCount = kMaxDeviceNumber + 5;  // more devices than the limit: theirs counts
  EXPECT_EQ(parse("Resistors_sizes:\n R" + std::to_string(kMaxDeviceNumber + 5) + " 1 2\n"), 1);
  EXPECT_EQ(parse("Resistors_sizes:\n R" + std::to_string(kMaxDeviceNumber + 6) + " 1 2\n"), 0);
}

// A refused file changes nothing: the tables of the file before stay, and
// so does the switch that hands them to the generators.
TEST_F(SizeFile, RefusedFileKeepsThePreviousTables)
{
  ASSERT_EQ(parse("Capacitors_sizes:\n C1 5 6\nResistors_sizes:\n R2 1 2\n"), 1);
  EXPECT_EQ(parse("Capacitors_sizes:\n C1 7 7\n C6 8 8\nResistors_sizes:\n R2 x\n"), 0);
  EXPECT_EQ(firstLine(err), "error on line 5 x: parse error\n");
  EXPECT_EQ(textualDeviceSizeInput, 1);
  ASSERT_EQ(UScapSize.ArraySize, 2);
  EXPECT_DOUBLE_EQ(UScapSize.Width[1], 5);
  EXPECT_DOUBLE_EQ(USresSize.Length[2], 2);
}

// Inputs the fuzzer found slow or wrong: each is read or refused, and the
// tables it leaves are whole (every array as long as its table says).
TEST_F(SizeFile, FuzzRegressionsReadOrAreRefused)
{
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  for (const fs::directory_entry& e :
       fs::directory_iterator(testing_support::sourcePath("tests/updatesize/fuzz_regressions")))
    files.push_back(e.path());
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    int read = parse(testing_support::readFile(file.string()));
    EXPECT_TRUE(read == 0 || read == 1);
    EXPECT_EQ(USindSize.Width.size(), static_cast<size_t>(USindSize.ArraySize));
    EXPECT_EQ(USindSize.UpdateFlag.size(), static_cast<size_t>(USindSize.ArraySize));
    EXPECT_EQ(USresSize.Finger.size(), static_cast<size_t>(USresSize.ArraySize));
    EXPECT_EQ(UScapSize.Length.size(), static_cast<size_t>(UScapSize.ArraySize));
  }
}

}  // namespace
