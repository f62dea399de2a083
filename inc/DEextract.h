// DEextract.h -- circuit extraction (src/extract).
//
// Everything other subsystems may use of the extraction: the transistor,
// net, terminal and name records with their globals, the recognition of
// transistors on the tile planes, net tracing, terminal lists, the name
// hash and the net name table, the netlist file "circuit.net" and the net
// inspection actions.
//
// Net numbers live in the tiles' `node` field: 0 none, > 0 the net, < 0 a
// temporary tag of recognition or of a net finder.  On the element tiles of
// the active plane and on the gate-plane tile over a gate, `lower` holds the
// owning transistor instead of contact links; on an ordinary tile `next`
// holds an input/output pin record.
#pragma once

#include <cstdint>

#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "CS.h"
#include "Dglobal.h"
#include "Dlist.h"

struct MultiFingerTran;
struct _Conn_Elem;

// ---------------------------------------------------------------------------
// Records.  All are zero-filled when made; transistors and nets are never
// released one by one.
// ---------------------------------------------------------------------------
constexpr int kDeviceNameLength = 16;  // characters of transistor and net names
constexpr int kNetNameLength = 64;     // characters of a net name in the name table
constexpr int kMaxTerminals = 128;     // terminals of one net's terminal list
constexpr int kHashSize = 11;          // buckets of the name hash

// A transistor, or (number -1) an input/output pin that uses only `number`
// and `Tgate`.
struct _Dtransistor {
  char name[kDeviceNameLength];  // "m<number>"
  int16_t type;                  // 0 for element 0, 1 for the others
  int32_t number;                // from 1 in creation order; -1 for a pin
  int32_t gate, source, drain;   // net numbers, 0 when none
  int32_t width, length;         // height and width of the gate region's box
  int32_t orientation;           // 1 side by side in x, -1 stacked in y, 0 neither
  int32_t resize_width;
  int32_t resize_length;
  int32_t resize_drain_ext;
  int32_t resize_source_ext;
  int32_t resize_Pside1_ext;
  int32_t resize_Pside2_ext;
  int16_t resize_act_poly_flag;
  char gatenode[kDeviceNameLength];
  char sourcenode[kDeviceNameLength];
  char drainnode[kDeviceNameLength];
  MultiFingerTran* multifingerTran;
  int32_t no_contact_row;
  _Dtile* Tgate;    // element tile of the active plane that started recognition
  _Dtile* Tsource;  // source tile of the active plane
  _Dtile* Tdrain;   // drain tile of the active plane, or null
  _Dtile* Pgate;    // gate-layer tile over the gate centre
  _Dtile* Pside1;   // gate-layer tiles just beyond the gate, away from
  _Dtile* Pside2;   //   source and drain
  _Dtransistor* next;  // next transistor of the same element kind
};

struct _Dnet {
  char name[kDeviceNameLength];  // "n<node>"
  int32_t node;                  // the net number, carried by every tile of the net
  _Dtilelist* tilelist;          // the net's tiles in all planes
  void* graph;                   // resistance graph (parasitic extraction)
  List<_Conn_Elem>* connElemList;  // connected devices, filled by DExCirPassive
                                   // and the pins; null until then
  _Dnet* next;
};

// What a net's connection list holds: a device record and its kind
// (_Dtransistor, _CX_CAPACITOR_, _LXInductor, _RX_RESISTOR_, _pin).
enum ElemType { elemTRAN = 0, elemMFT = 1, elemCAP = 2, elemIND = 3, elemRES = 4, elemPIN = 5 };
struct _Conn_Elem {
  ElemType type;
  void* element;
  bool operator==(const _Conn_Elem& o) const { return type == o.type && element == o.element; }
};

// One terminal of a net's terminal list.
struct _DtermList {
  _Dtransistor* transistor;
  _Dtile* tile;      // the tile through which the net reaches the terminal
  int32_t no;        // position in the list from 1
  int16_t port;      // 0 gate, 1 source, 2 drain
  int16_t visited;   // mark of the fault passes
  _DtermList* next;
};

struct _DtransList {
  _Dtransistor* transistor;
  _DtransList* next;
};

struct _DnameTable {
  int32_t node;
  char name[kNetNameLength];
  _DnameTable* next;
};

struct _DListTran {
  char name[kDeviceNameLength];
  _Dtransistor* tran;
  _DListTran* next;
};

struct _DListNet {
  char name[kDeviceNameLength];
  _Dnet* net;
  _DListNet* next;
};

// Bucket heads are sentinels: the chain starts at the head's `next`.
struct _DHashTable {
  int tablesize;          // always kHashSize
  _DListTran* TranList;   // kHashSize bucket heads
  _DListNet* NetList;     // kHashSize bucket heads
};

// ---------------------------------------------------------------------------
// Globals, reset by DExInit.
// ---------------------------------------------------------------------------
extern _Dtransistor** Transistors;  // DelementNum list heads, newest first
extern int TransNum;
extern _Dnet* Nets;                 // newest first
extern int NetsNum;
extern _Dtilelist* NetTileList;     // tiles of the net traced last
extern _DnameTable* NetNameTable;   // newest first
extern _DtransList* TransList;      // transistors met while RecordTerm is on
extern int RecordTerm;
extern _DHashTable* Hash;

// ---------------------------------------------------------------------------
// Extraction.
// ---------------------------------------------------------------------------

// Empties the extraction: per-element list heads for DelementNum elements,
// no nets, transistors, names or recorded transistors.  Called by DCcrtCS.
void DExInit();

// Recognises every transistor of the active plane and traces its nets.
// Data that make the extraction impossible (a contact on a gate, two
// transistors on one gate) abandon the action after the extraction made so
// far is released; the planes stay usable.
int DExCir();

// The element kind of an element tile: the element with the most layers
// whose layers from the gate layer on all cover the tile.
int DExElementNo(_Dtile* tile);

// Recognises the transistor whose gate region contains `tile`.
// Returns: a new _box (GCfree it) around the gate region; the gate, source
//   and drain tiles (source and drain may be null).
_box* DExGSD(_Dtile* tile, int element, _Dtile** gate, _Dtile** source, _Dtile** drain,
             int check);

// 1 when the tile can be a source or drain of `element`.
int TisPortTile(_Dtile* tile, int element, int check);

// Prepends onto *list the neighbours of `tile` that recognition takes, in
// the order right side (downward), left side (upward), top side (leftward),
// bottom side (rightward), tagging each with `tag`.  Skipped: space, tiles
// already tagged, with `sameType` tiles of another material, and element
// tiles seen from an ordinary tile.
// Returns: the number of tiles prepended.
int AllNeighborGSD(_Dtile* tile, _Dtilelist** list, int tag, int sameType);
// Builds in *newList the union of AllNeighborGSD of the tiles of `list`,
// which is released (newList may point at the variable holding `list`).
int ListNeighborGSD(_Dtilelist* list, _Dtilelist** newList, int tag, int sameType);
// Floods the material region of `tile` with the tile's own tag.
void DExPathGSD(_Dtile* tile);

// Traces the net of `tile` with the number `net`: same-material neighbours
// in each plane and contact links between planes.  Every tile taken is
// prepended to NetTileList.
void DExPath(_Dtile* tile, int net);
// One flood step of DExPath: the neighbours of `tile` that join the net are
// numbered and prepended onto *list and NetTileList; their links go onto the
// two link lists.
int AllNeighbor(_Dtile* tile, _Dtilelist** list, int net, _Dtilelist** upperList,
                _Dtilelist** lowerList);
int ListNeighbor(_Dtilelist* list, _Dtilelist** newList, int net, _Dtilelist** upperList,
                 _Dtilelist** lowerList);
// Prepends onto `list` the tiles of `links` that do not carry `net` yet.
_Dtilelist* TlistCat(_Dtilelist* list, _Dtilelist* links, int net);

// ---------------------------------------------------------------------------
// Terminals.
// ---------------------------------------------------------------------------

// Prepends the transistor (or pin) to TransList unless it is there.
void DErecordTrans(_Dtransistor* transistor);
// The terminals of the net of `netTiles` among the transistors of
// `transList`; null (with a warning) for more than kMaxTerminals.
_DtermList* DExTermList(_Dtilelist* netTiles, _DtransList* transList);
// 1 when the tile carries the net of the first tile of `netTiles`.
int DExTinList(_Dtile* tile, _Dtilelist* netTiles);
// Appends `term` to `list`; returns the head.
_DtermList* DExInsertTerm(_DtermList* list, _DtermList* term);
void DExFreeTerm(_DtermList* list);
// A copy of a tile list in reverse order.
_Dtilelist* DExDupList(_Dtilelist* list);

// ---------------------------------------------------------------------------
// Names.
// ---------------------------------------------------------------------------
void InitHash();
// Both do nothing when the name is present; otherwise they add it and
// return 1.
int InsertTranToHash(const char* name, _Dtransistor* transistor);
int InsertNetToHash(const char* name, _Dnet* net);
_DListTran* FindTranPosinHash(const char* name);
_DListNet* FindNetPosinHash(const char* name);
// Sum of the name's characters (signed) modulo `size`.
int ComputeHash(const char* name, int size);

// Names nets after the labels of the flattened layout.
void DExCrtNameTb();
// Number of underscores in a name.
int NameCom(const char* name);
// The newest name-table name of a net; null when label display is off or
// the net has none.
char* DExNetName(long number);

// Net re-extraction including passive devices: every net is traced anew
// from the terminals of the transistors, capacitors, inductors and
// resistors, never into a spiral or a resistor body; each net gets its
// connection list and its entry "n<node>" in the name hash.
int DExCirPassive();
// Its steps: DExPath and the flood steps, passive-aware.
void DExPathPassive(_Dtile* tile, int net);
int AllNeighborPassive(_Dtile* tile, _Dtilelist** list, int net, _Dtilelist** upperList,
                       _Dtilelist** lowerList);
int ListNeighborPassive(_Dtilelist* list, _Dtilelist** newList, int net, _Dtilelist** upperList,
                        _Dtilelist** lowerList);
_Dtilelist* TlistCatPassive(_Dtilelist* list, _Dtilelist* links, int net);

// ---------------------------------------------------------------------------
// Netlist, net inspection and the net check (menu actions).  The point
// operations take layout coordinates and return 0 when done, 1 when the
// planes are missing.
// ---------------------------------------------------------------------------
int DExOutput();
int DExNameNet(char* name);
int DExNameNetExe(_point point);
int DExDefIO(char* name);
int DExDefIOExe(_point point);
int DExSearchNet(long number);
int DExShowObj();
int DExShowObjExe(_point point);
int DExSelectNetTileObj();
int DExSelectNetTileObjExe(_point point);
int DExShowATran();
int DExShowANet();
// Ends the action (after releasing the extraction) when a net holds space.
int DExVerifyNets();

namespace extract {

// The net finder (DExFindNet of the parasitic extraction), installed from
// above: given a solid tile with a positive net number, NetTileList becomes
// that net's tiles and the four outputs their bounding box.
using NetFinder = _Dtilelist* (*)(_Dtile* tile, int* x1, int* y1, int* x2, int* y2);
void setNetFinder(NetFinder finder);

// Installs extraction's hooks into the tile planes and the view.
void install();

// Releases the whole extraction and clears what it left in the tiles of the
// live planes (net numbers, tags, transistor roles, pins).
void releaseExtraction();

// Traces from `tile` as DExPath does, numbering the tiles it takes with
// `tag`: with a positive tag the tiles on no net yet (DExPath: owner =
// tag), with a negative tag the tiles of the net `owner` (a net finder
// traces net n with tag -n and owner n).
void traceNet(_Dtile* tile, int tag, int owner);

// Releases TransList.
void releaseTransList();

// ---------------------------------------------------------------------------
// What the passive-device extractors need of the nets, and what the
// re-extraction needs of them.
// ---------------------------------------------------------------------------

// The planes whose layer one of the device definitions names (a passive
// definition: `layerNum` names in `layers`), as bits by plane-table entry.
template <class Definition>
uint32_t planesNamedBy(const Definition* definitions, int count)
{
  uint32_t named = 0;
  for (int p = 0; p < DlayerNum && p < kMaxPlanes; ++p)
    for (int d = 0; d < count; ++d)
      for (int l = 0; l < definitions[d].layerNum && l < static_cast<int>(std::size(definitions[d].layers)); ++l)
        if (std::string(DlayerTile[p].name) == definitions[d].layers[l])
          named |= 1u << p;
  return named;
}
// The planes of one kind of passive device, found when first asked for
// after `forget`.
template <class Definition>
struct DevicePlanes {
  const Definition* definitions;
  const int* count;
  uint32_t bits = 0;
  bool known = false;
  uint32_t get()
  {
    if (!known)
      bits = planesNamedBy(definitions, *count), known = true;
    return bits;
  }
  void forget() { known = false; }
};

// The bit of a tile's plane.
inline uint32_t planeBit(const _Dtile* t)
{
  long p = t && t->layer() ? t->layer() - DlayerTile : -1;
  return p >= 0 && p < kMaxPlanes ? 1u << p : 0;
}
// The planes a net's tiles lie on.
uint32_t netPlanes(const _Dnet* net);

// Writes "<text><net name><tail>\n" on standard output (the passive steps
// announce every net they scan).
void announceNet(const char* text, const _Dnet* net, const char* tail);

// Message module of the passive devices.
constexpr int kPassiveModule = 14;

// What the passive extractors store in a tile's passiveDev.
inline void* const kPassiveMark = reinterpret_cast<void*>(1);

// A capacitor plate: a passive tile that is a conductor of its terminal's
// net, so the re-extraction passes through it.
void notePlate(_Dtile* tile);
bool isPlate(const _Dtile* tile);

// The trace of DExPathPassive.
void traceNetPassive(_Dtile* tile, int tag, int owner);

// The tile through which `device` reaches its net: `candidate` when it is
// an ordinary (not passive) tile touching the device in its plane or through
// a contact link; otherwise the first such tile in the order a trace from
// the device would take them (neighbours right, left, top, bottom, then the
// upper and the lower links); null when the device touches none.
_Dtile* touchingPort(_Dtile* device, _Dtile* candidate);

// Called when the extraction is released or reset (the passive lists, the
// multi-finger groups).
void onRelease(void (*release)());

// Writes a device's name at the centre of its box in the main view's name
// colour, when the centre lies in the drawn area (x1, y1)-(x2, y2).
void drawDeviceName(_Gviewport* vp, long x1, long y1, long x2, long y2, const _box& device,
                    const char* name);

// The net numbered `node`, or null.
_Dnet* netNumbered(int node);
// A new net "n<node>" holding `tiles`, prepended to Nets.
_Dnet* makeNet(int node, _Dtilelist* tiles);
// Marks a net whose tiles a passive extractor cut out, moved or added: the
// re-extraction traces it anew.  Nets not marked keep their tiles.
void markNetChanged(const _Dnet* net);

// A terminal of a passive device: the tile its net is traced from (null:
// the terminal is open), the device's slot for the net number, and the
// entry its net's connection list gets.
struct PassiveTerminal {
  _Dtile* tile;
  long* net;
  _Conn_Elem element;
};
enum class PassiveKind { Capacitor = 0, Inductor = 1, Resistor = 2 };
// Appends the terminals of every device of one kind, in list order.
using PassiveTerminals = void (*)(std::vector<PassiveTerminal>* terminals);
// Prints the listing of one kind.
using PassiveListing = void (*)();
// Installed by each passive subsystem; the re-extraction takes the
// capacitors, then the inductors, then the resistors.
void setPassiveDevices(PassiveKind kind, PassiveTerminals terminals, PassiveListing listing);

// A passive device list is a head record whose `next` chain holds the
// devices, newest first.  Releases every device behind the head.
template <class Record, class Release>
void releaseDevices(Record* head, Release release)
{
  if (!head)
    return;
  for (Record* r = head->next; r;) {
    Record* next = r->next;
    release(r);
    r = next;
  }
  head->next = nullptr;
}
// Makes the head when there is none, else empties the list.  When no head
// can be made, prints `outOfMemory` and abandons the action.
template <class Record, class Release>
void resetDevices(Record** head, const char* outOfMemory, Release release)
{
  if (*head) {
    releaseDevices(*head, release);
    return;
  }
  *head = new (std::nothrow) Record{};
  if (!*head) {
    common::outf("%s", outOfMemory);
    GCmessage(kPassiveModule, 'F', "No memory for the device list");
    common::abandonAction(1);
  }
}
// The two ports of every device of a list, as terminals of the
// re-extraction: port1tile with net1, port2tile with net2.
template <class Record>
void portsOf(Record* head, ElemType type, std::vector<PassiveTerminal>* out)
{
  for (Record* r = head ? head->next : nullptr; r; r = r->next) {
    out->push_back({r->port1tile, &r->net1, {type, r}});
    out->push_back({r->port2tile, &r->net2, {type, r}});
  }
}
// Scans `net` with `find`, then every net that `find` made of what lay
// beyond a device it cut out (its result), so that devices one after the
// other on a wire are all found.
template <class Find>
void scanWithRest(_Dnet* net, Find find)
{
  std::vector<_Dnet*> pending{net};
  while (!pending.empty()) {
    _Dnet* next = pending.back();
    pending.pop_back();
    if (_Dnet* rest = find(next))
      pending.push_back(rest);
  }
}

// The gate-layer tile over a transistor's gate: the tile at (x1 + 1, y1 + 1)
// of the gate tile in the plane of the gate layer; null without that plane.
_Dtile* gateLayerTile(const _Dtransistor* transistor);

// The transistor held in an element tile's lower slot, or null.
_Dtransistor* transistorOf(const _Dtile* tile);

}  // namespace extract
