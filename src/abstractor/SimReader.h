// The SIM netlist reader of subpyxis: records of one netlist file (nets,
// devices, terminal connections), the device-type table shared by both
// graphs, the external nets and the symmetry records of the subcircuit.
//
// A file is read line by line; each record is classified by its first
// characters (comment, header, alias, define, SUBCIRCUIT, one-letter SIM
// record, mn_<k>/mp_<k> transistor, sym, user-defined device).  Net names
// are held in a hash table of ascending chains; equated nets point at the
// net they were merged into, and only real nets carry connections.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "Pool.h"

namespace abstractor {

// Magic numbers
constexpr int BUF_SIZE = 5000;          // historical line length, bytes
constexpr int NET_INCREMENT = 256;      // nets per pool block
constexpr int CON_INCREMENT = 256;      // connections per pool block
constexpr int DEVICE_INCREMENT = 256;   // devices per pool block
constexpr int MAXDEVICETYPES = 100;     // entries of the device-type table
constexpr int NUMTERMINALS = 128;       // pins of a user-defined type
constexpr int MAXEXTERNALNETS = 128;    // names on the SUBCIRCUIT record
constexpr int NAME_COMPARE = 80;        // characters compared in type and pin names
constexpr int NUM_BUILTIN_TYPES = 4;    // "dep", "e", "n", "p"

struct Sym;

// One device terminal on a net.
struct SIMdevConnect {
  int dev;                // index of the device in reading order
  short terminal;         // terminal position on the device
  short clas;             // terminal class
  SIMdevConnect* next;    // next connection of the same net
};

// One distinct net name.
struct Net {
  const char* name;
  int index;              // dense number among real nets; -1 once equated
  int numConnects;        // -1 once equated
  SIMdevConnect* connections;  // real net: its terminals, newest first
  Net* equalNet;          // equated net: the net it was merged into
  Net* next;              // next net of the same hash chain
  Net* nextInOrder;       // next net in order of creation
  SIMdevConnect* lastConnection;  // tail of `connections`
  Net* real;              // shortcut along the `equalNet` links
};

// One device record, in reading order.
struct Device {
  int index;              // reading order from 0
  int type;               // index into DeviceDefs
  int number;             // <k> of mn_<k>/mp_<k>; -1 otherwise
  Sym* sym;               // the symmetry record naming this device
  void* property;         // always null
  Net** connections;      // the nets in terminal order
  int numTerminals;
  Device* next;           // next device in reading order
  const char* name;       // the type's name
};

// One entry of the device-type table.
struct DeviceDefinition {
  std::string name;
  int numTerminals = 0;
  std::vector<unsigned char> terminals;  // class of each terminal
  std::string define_line;               // user-defined: the line from the type name on
};

// A pin of a definition while its classes are worked out.
struct TAGGED_TYPE {
  unsigned hval;          // SimpleHash of the text
  int index;              // position
  int weight;             // class
  std::string string;     // text
};

// A symmetry record of the subcircuit: sym a=b[:c].
struct Sym {
  int index;
  Device* dev1;
  Device* dev2;
  Device* dev3;
  int devnum1, devnum2, devnum3;  // devnum3 is -1 when absent
  Device* pdev1;          // the circuit devices of the current instance
  Device* pdev2;
  Device* pdev3;
};

struct SymList {
  Sym* sym;
  SymList* next;
};

// Everything one file read produced; owned by its Graph.
struct SimData {
  Pool<Net, NET_INCREMENT> nets;
  Pool<Device, DEVICE_INCREMENT> devices;
  Pool<SIMdevConnect, CON_INCREMENT> connects;
  ArrayPool<Net*> netRefs;
  StringArena names;
  std::vector<Net*> hash;         // chains in ascending order of name
  unsigned hashSize = 0;
  Net* firstNet = nullptr;        // nets in order of creation
  Net* lastNet = nullptr;
  Device* firstDevice = nullptr;  // devices in reading order
  Device* lastDevice = nullptr;
  int numDevices = 0;
};

// Device-type table (shared by both graphs).
extern DeviceDefinition* DeviceDefs;
extern int NumDeviceDefs;
extern int num_userdefs;

extern int NetIndex;                              // real nets of the file being read
extern std::vector<std::string>* subcircuit_array;  // external nets, in record order
extern int subcircuit_connections;
extern std::string* subcircuit_name;
extern int SubCircuitLocated;
extern SymList* SymmetryList;                     // newest first
extern int Debug;                                 // -d

// Prepares and releases the reader's tables (device types, external nets,
// symmetry records).
void readerInit();
void readerFree();

// Builds the four built-in types when the table is empty.
void SIMSetDeviceDefs();

// Reads one netlist (and the alias file beside it).  `fileName` is the name
// the file was opened under, `fileSize` its size in bytes.  Errors print
// their message and throw (ProgramExit or NetlistFatal).
void ReadSimFile(FILE* file, const std::string& fileName, long fileSize, bool isSubgraph,
                 SimData& data, double& simUnits, int& simFormat);

// Name of the alias file beside a netlist; empty when there is none.
std::string aliasFileName(const std::string& netlist);

// The real net of that name, created when new / or null.
Net* FindOrAllocNet(SimData& data, const char* name);
Net* FindNet(SimData& data, const char* name);
Net* realNet(Net* net);
void EquateNets(SimData& data, Net* first, Net* second, bool inSubgraph);

// Bucket of a name in the net hash.
unsigned netHash(const char* name, unsigned hashSize);
unsigned SimpleHash(const char* text);

// The external-net set of the subcircuit.
void EnterElem(const char* name);
bool InExtNetHT(const char* name);

// Symmetry records.
Sym* NewSym(SimData& data, int a, int b, int c);

}  // namespace abstractor
