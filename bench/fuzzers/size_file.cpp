// Fuzzes the transistor size file: every input is parsed from empty tables
// onto a few hand-made transistors and passive devices, whose sizes are
// then handed on.  A refused input must leave the tables empty; a read one
// must leave tables whose arrays all have ArraySize entries.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "CXcapacitor.h"
#include "DEextract.h"
#include "DTtechnology.h"
#include "DUsize.h"
#include "Dglobal.h"
#include "LXinductor.h"
#include "RXresistor.h"

namespace {

std::string sink;  // messages and echoed characters

constexpr int kDevices = 5;
_Dtransistor transistors[kDevices];
_Dtransistor* heads[1];
_LXInductor inductors[kDevices + 1];  // the first is the list head
_CX_CAPACITOR_ capacitors[kDevices + 1];
_RX_RESISTOR_ resistors[kDevices + 1];

void makeDevices()
{
  for (int i = 0; i < kDevices; ++i) {
    transistors[i].number = i + 1;
    transistors[i].orientation = i % 3 - 1;
    transistors[i].next = i > 0 ? &transistors[i - 1] : nullptr;
  }
  heads[0] = &transistors[kDevices - 1];
  Transistors = heads;
  DelementNum = 1;
  TransNum = kDevices;
  for (int i = 0; i <= kDevices; ++i) {
    inductors[i].inductorNo = i == 0 ? -1 : i;
    capacitors[i].capacitorNum = resistors[i].resistorNum = i;
    inductors[i].next = i < kDevices ? &inductors[i + 1] : nullptr;
    capacitors[i].next = i < kDevices ? &capacitors[i + 1] : nullptr;
    resistors[i].next = i < kDevices ? &resistors[i + 1] : nullptr;
  }
  inductorList = inductors;
  capacitorList = capacitors;
  resistorList = resistors;
  // Fewer passives than list entries, so some lie beyond the tables.
  inductorCount = 0;
  capacitorCount = 2;
  resistorCount = kDevices;
}

template <class Table>
bool consistent(const Table& t)
{
  return t.UpdateFlag.size() == static_cast<size_t>(t.ArraySize);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  setenv("SYSRC", QUORIN_SOURCE_DIR "/lib/sysrc", 0);
  GCresetGlobals();
  Silently = 1;
  common::captureOutput(&sink, &sink);
  makeDevices();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  USdeleteTranArray();
  USdeleteIndArray();
  USdeleteResArray();
  USdeleteCapArray();
  textualDeviceSizeInput = 0;
  std::vector<char> text(data, data + size);
  text.push_back('\0');
  FILE* in = fmemopen(text.data(), size ? size : 1, "r");
  if (!in)
    return 0;
  int read = 0;
  common::ActionScope scope;
  try {
    read = UStransSizeParse(in);
    if (read) {
      USupdateIndSize();
      USupdateResSize();
      USupdateCapSize();
    }
  } catch (const common::OperationAborted&) {
  }
  fclose(in);
  sink.clear();
  bool empty = UStranSize.ArraySize == 0 && USindSize.ArraySize == 0 &&
               USresSize.ArraySize == 0 && UScapSize.ArraySize == 0;
  if (!read && (!empty || textualDeviceSizeInput != 0))
    __builtin_trap();  // a refused file left tables behind
  if (read && (UStranSize.ArraySize != 0 || !consistent(USindSize) || !consistent(USresSize) ||
               !consistent(UScapSize) || USresSize.Finger.size() != USresSize.Width.size()))
    __builtin_trap();
  return 0;
}
