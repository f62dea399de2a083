#include "SizeSupport.h"

#include <cstdio>
#include <tuple>

#include "CXcapacitor.h"
#include "DEextract.h"
#include "DTtechnology.h"
#include "LXinductor.h"
#include "RXresistor.h"

namespace size_test {

namespace {

auto devices()
{
  return std::tie(Transistors, TransNum, DelementNum, inductorList, inductorCount,
                  capacitorList, capacitorCount, resistorList, resistorCount);
}
std::tuple<_Dtransistor**, int, int, _LXInductor*, int, _CX_CAPACITOR_*, int, _RX_RESISTOR_*, int>
    saved;

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
  saved = devices();
  devices() = std::make_tuple(nullptr, 0, DelementNum, nullptr, 0, nullptr, 0, nullptr, 0);
  clearTables();
}

void SizeTest::TearDown()
{
  clearTables();
  devices() = saved;
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

void FourTransistors::SetUp()
{
  SizeTest::SetUp();
  for (int i = 0; i < 4; ++i) {
    t[i] = _Dtransistor{};
    t[i].number = i + 1;
    t[i].next = i > 0 ? &t[i - 1] : nullptr;
  }
  head = &t[3];
  Transistors = &head;
  DelementNum = 1;
  TransNum = 4;
}

}  // namespace size_test
