#include "SizeSupport.h"

#include <cstdio>

#include "CXcapacitor.h"
#include "DEextract.h"
#include "DTtechnology.h"
#include "LXinductor.h"
#include "RXresistor.h"

namespace size_test {

namespace {

// The device globals of the extraction, kept aside while a test puts its
// own devices in.
struct Devices {
  _Dtransistor** transistors;
  int counts[4];
  int elements;
  _LXInductor* inductors;
  _CX_CAPACITOR_* capacitors;
  _RX_RESISTOR_* resistors;
};
Devices saved;

void clearTables()
{
  USdeleteTranArray();
  USdeleteIndArray();
  USdeleteResArray();
  USdeleteCapArray();
  textualDeviceSizeInput = 0;
}

}  // namespace

void SizeTest::SetUp()
{
  CoreTest::SetUp();
  saved = {Transistors, {TransNum, inductorCount, resistorCount, capacitorCount},
           DelementNum, inductorList, capacitorList, resistorList};
  Transistors = nullptr;
  TransNum = inductorCount = resistorCount = capacitorCount = 0;
  inductorList = nullptr;
  capacitorList = nullptr;
  resistorList = nullptr;
  clearTables();
}

void SizeTest::TearDown()
{
  clearTables();
  Transistors = saved.transistors;
  TransNum = saved.counts[0];
  inductorCount = saved.counts[1];
  resistorCount = saved.counts[2];
  capacitorCount = saved.counts[3];
  DelementNum = saved.elements;
  inductorList = saved.inductors;
  capacitorList = saved.capacitors;
  resistorList = saved.resistors;
  CoreTest::TearDown();
}

int SizeTest::parse(const std::string& text)
{
  FILE* f = tmpfile();
  if (!f)
    return -1;
  fwrite(text.data(), 1, text.size(), f);
  rewind(f);
  int result = UStransSizeParse(f);
  fclose(f);
  return result;
}

}  // namespace size_test
