// The four size tables: rebuilding, growth, the parser's actions, and
// handing the sizes to the transistors and the passive devices.
#include "DUsize.h"

#include <algorithm>
#include <new>
#include <utility>

#include "CXcapacitor.h"
#include "DEextract.h"
#include "DRdesignrule.h"
#include "DTtechnology.h"
#include "Dglobal.h"
#include "Dlayout.h"
#include "LXinductor.h"
#include "RXresistor.h"
#include "USscan.h"
#include "UStables.h"

_US_TRAN_SIZE_ UStranSize;
_US_IND_SIZE_ USindSize;
_US_RES_SIZE_ USresSize;
_US_CAP_SIZE_ UScapSize;
FILE* transSizeFile = nullptr;
int textualDeviceSizeInput = 0;

namespace {

using updatesize::kModule;

// Highest device number the actions take in the running parse: the largest
// device count, or kMaxDeviceNumber when that is more.
struct State {
  int numberLimit = kMaxDeviceNumber;
};
State state;

void resize(_US_TRAN_SIZE_& t, int size)
{
  for (auto* a : {&t.W, &t.L, &t.ActExt, &t.PolyExt})
    a->resize(size);
  t.UpdateFlag.resize(size);
  t.ArraySize = size;
}

void resize(_US_IND_SIZE_& t, int size)
{
  for (auto* a : {&t.Width, &t.OuterDiameter, &t.InnerDiameter, &t.Spacing, &t.Turn})
    a->resize(size);
  t.UpdateFlag.resize(size);
  t.ArraySize = size;
}

void resize(_US_RES_SIZE_& t, int size)
{
  t.Width.resize(size);
  t.Length.resize(size);
  t.Finger.resize(size);
  t.UpdateFlag.resize(size);
  t.ArraySize = size;
}

void resize(_US_CAP_SIZE_& t, int size)
{
  t.Width.resize(size);
  t.Length.resize(size);
  t.UpdateFlag.resize(size);
  t.ArraySize = size;
}

// Doubles `table` (new entries zero) until device `n` fits; a table of no
// devices starts at one entry.  Failing memory abandons the action after
// `failure` on standard output.
template <class Table>
void grow(Table& table, int n, const char* failure)
{
  if (n < table.ArraySize)
    return;
  int size = std::max(table.ArraySize, 1);
  while (n >= size)
    size *= 2;
  try {
    resize(table, size);
  } catch (const std::bad_alloc&) {
    common::outf("%s", failure);
    GCmessage(kModule, 'F', "No memory for %d sizes", size);
    common::abandonAction(1);
  }
}

void USreallocTranArray(int n)
{
  grow(UStranSize, n, "USreallocTranArray: Failed to reallocating memory (transistor)\n");
}
void USreallocIndArray(int n)
{
  grow(USindSize, n, "USreallocIndArray: Failed to reallocating memory (inductor)\n");
}
void USreallocResArray(int n)
{
  grow(USresSize, n, "USreallocResArray: Failed to reallocating memory (resistor)\n");
}
void USreallocCapArray(int n)
{
  grow(UScapSize, n, "USreallocCapArray: Failed to reallocating memory (capacitor)\n");
}

// The device number of a name: the digits after its first character.
// Returns: -1 without digits, with other characters or above the limit.
int deviceNumber(const char* name)
{
  if (!name || !name[0] || !name[1])
    return -1;
  long long n = 0;
  for (const char* p = name + 1; *p; ++p) {
    if (*p < '0' || *p > '9')
      return -1;
    n = n * 10 + (*p - '0');
    if (n > state.numberLimit)
      return -1;
  }
  return static_cast<int>(n);
}

// Micrometres to layout units, truncated.
int layoutUnits(double micrometres) { return static_cast<int>(SCALE * micrometres / LAMBDA_T2); }

// The size of a transistor: layout units rounded to half a grid step.
int roundedUnits(double micrometres) { return SQhalfscale_round(layoutUnits(micrometres), SCALE); }

void applyTranSizes(_Dtransistor* t, int n)
{
  int width = roundedUnits(UStranSize.W[n]);
  int length = roundedUnits(UStranSize.L[n]);
  if (t->orientation == 1) {
    t->resize_width = width;
    t->resize_length = length;
  } else {
    t->resize_width = length;
    t->resize_length = width;
  }
  t->no_contact_row = 1;
  int act = layoutUnits(UStranSize.ActExt[n]);
  int poly = layoutUnits(UStranSize.PolyExt[n]);
  t->resize_drain_ext = t->resize_source_ext = SQhalfscale_round(act, SCALE);
  t->resize_Pside1_ext = t->resize_Pside2_ext = SQhalfscale_round(poly, SCALE);
  // The flag follows the latest file: a second file without extensions
  // clears what a first one raised.
  t->resize_act_poly_flag = act >= 1 || poly >= 1 ? 1 : 0;
}

}  // namespace

namespace updatesize {

SizeTables takeTables()
{
  SizeTables fresh;
  resize(fresh.tran, TransNum);
  resize(fresh.ind, inductorCount);
  resize(fresh.res, resistorCount);
  resize(fresh.cap, capacitorCount);
  SizeTables saved{std::move(UStranSize), std::move(USindSize), std::move(USresSize),
                   std::move(UScapSize), textualDeviceSizeInput};
  UStranSize = std::move(fresh.tran);
  USindSize = std::move(fresh.ind);
  USresSize = std::move(fresh.res);
  UScapSize = std::move(fresh.cap);
  state.numberLimit =
      std::max({kMaxDeviceNumber, TransNum, inductorCount, resistorCount, capacitorCount});
  return saved;
}

void restoreTables(SizeTables&& saved)
{
  UStranSize = std::move(saved.tran);
  USindSize = std::move(saved.ind);
  USresSize = std::move(saved.res);
  UScapSize = std::move(saved.cap);
  textualDeviceSizeInput = saved.textualInput;
}

}  // namespace updatesize

int USgetTransSizes(const char* name, double W, double L, double ActExt, double PolyExt,
                    int hasExt)
{
  int n = deviceNumber(name);
  if (n < 0)
    return 0;
  USreallocTranArray(n);
  UStranSize.W[n] = W;
  UStranSize.L[n] = L;
  if (hasExt) {
    UStranSize.ActExt[n] = ActExt;
    UStranSize.PolyExt[n] = PolyExt;
  }
  UStranSize.UpdateFlag[n] = 1;
  return 1;
}

int USgetIndSizes(const char* name, double width, double outer, double inner, double spacing,
                  double turn)
{
  int n = deviceNumber(name);
  if (n < 0)
    return 0;
  USreallocIndArray(n);
  USindSize.Width[n] = width;
  USindSize.OuterDiameter[n] = outer;
  USindSize.InnerDiameter[n] = inner;
  USindSize.Spacing[n] = spacing;
  USindSize.Turn[n] = turn;
  USindSize.UpdateFlag[n] = 1;
  return 1;
}

int USgetResSizes(const char* name, double width, double length, int finger)
{
  int n = deviceNumber(name);
  if (n < 0)
    return 0;
  USreallocResArray(n);
  USresSize.Width[n] = width;
  USresSize.Length[n] = length;
  USresSize.Finger[n] = finger;
  USresSize.UpdateFlag[n] = 1;
  return 1;
}

int USgetCapSizes(const char* name, double width, double length)
{
  int n = deviceNumber(name);
  if (n < 0)
    return 0;
  USreallocCapArray(n);
  UScapSize.Width[n] = width;
  UScapSize.Length[n] = length;
  UScapSize.UpdateFlag[n] = 1;
  return 1;
}

/*
 * USupdateTranSize --
 *   Gives every extracted transistor flagged in the table its new width and
 *   length (swapped unless its orientation is 1), its extensions and one
 *   contact row, all in layout units rounded to half a grid step.
 * Side effects: a transistor beyond the table is reported and kept.
 */
void USupdateTranSize()
{
  if (!Transistors)
    return;
  for (int e = 0; e < DelementNum; ++e) {
    for (_Dtransistor* t = Transistors[e]; t; t = t->next) {
      int n = t->number;
      if (n < 0)
        continue;
      if (n >= UStranSize.ArraySize) {
        common::outf("UStransSizeParse: Transistor %d does not have new size values\n", n);
        continue;
      }
      if (UStranSize.UpdateFlag[n])
        applyTranSizes(t, n);
    }
  }
}

void USupdateIndSize()
{
  for (_LXInductor* ind = inductorList ? inductorList->next : nullptr; ind; ind = ind->next) {
    int n = ind->inductorNo;
    if (n < 0)
      continue;
    if (n >= USindSize.ArraySize) {
      common::outf("UStransSizeParse: Inductor %d does not have new size values\n", n);
      continue;
    }
    if (!USindSize.UpdateFlag[n])
      continue;
    _LX_GEOMETRY_& g = ind->newGeometry;
    g.width = USindSize.Width[n];
    g.outerDiameter = USindSize.OuterDiameter[n];
    g.innerDiameter = USindSize.InnerDiameter[n];
    g.spacing = USindSize.Spacing[n];
    g.qturn = static_cast<int>(USindSize.Turn[n] * 100 / 25);  // quarter turns
  }
}

// The finger count has no place in the resistor record yet; it stays in
// the table.
void USupdateResSize()
{
  for (_RX_RESISTOR_* res = resistorList ? resistorList->next : nullptr; res; res = res->next) {
    int n = res->resistorNum;
    if (n < 0)
      continue;
    if (n >= USresSize.ArraySize) {
      common::outf("UStransSizeParse: Resistor %d does not have new size\n", n);
      continue;
    }
    if (!USresSize.UpdateFlag[n])
      continue;
    res->newGeometry.width = USresSize.Width[n];
    res->newGeometry.length = USresSize.Length[n];
  }
}

void USupdateCapSize()
{
  for (_CX_CAPACITOR_* cap = capacitorList ? capacitorList->next : nullptr; cap;
       cap = cap->next) {
    int n = cap->capacitorNum;
    if (n < 0)
      continue;
    if (n >= UScapSize.ArraySize) {
      common::outf("UStransSizeParse: Capacitor %d does not have new size\n", n);
      continue;
    }
    if (!UScapSize.UpdateFlag[n])
      continue;
    cap->newGeometry.width = UScapSize.Width[n];
    cap->newGeometry.length = UScapSize.Length[n];
  }
}

void USdeleteTranArray() { UStranSize = _US_TRAN_SIZE_{}; }
void USdeleteIndArray() { USindSize = _US_IND_SIZE_{}; }
void USdeleteResArray() { USresSize = _US_RES_SIZE_{}; }
void USdeleteCapArray() { UScapSize = _US_CAP_SIZE_{}; }
