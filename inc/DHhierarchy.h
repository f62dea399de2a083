// DHhierarchy.h -- hierarchical symmetry detection and multi-finger groups (src/hierarchy).
//
// Everything other subsystems may use of this subsystem: the multi-finger
// groups that loading a layout makes from the extracted transistors (their
// list MFTList and the id table MFTHash), the pins attached to the nets, the
// netlist "netlist_subpyxis" written for the subcircuit matcher, and the
// detection action.
//
// A group gathers the transistors of one gate net whose source and drain
// nets are the same (or exchanged): the fingers of one drawn device.  Its
// fingers are ordered by the lower left corner of their gate tiles (left x,
// then bottom y) and cut into runs of fingers that share or abut a
// source/drain diffusion.
#pragma once

#include "DEextract.h"
#include "Dlist.h"

#include <string>
#include <vector>

// A run of contiguous fingers of a group.
struct ContiguousElem {
  int tranCount;                    // fingers of the run
  List<_Dtransistor*> tranList;     // in the group's order
};

// One group of parallel fingers.  Made and released by this subsystem only.
struct MultiFingerTran {
  int id;                           // 1, 2, ... in creation order
  int tranCount;                    // fingers
  long gate, source, drain;         // net numbers
  List<_Dtransistor*> tranList;     // fingers by gate position
  List<ContiguousElem*> contList;   // runs, in tranList order
};

// The id table: bucket |id| mod tablesize, sentinel heads, newest first.
struct _DMFTList_ {
  int id;
  MultiFingerTran* mft;
  _DMFTList_* next;
};
struct _DMFTHashTable {
  int tablesize;                    // always kMFTHashSize
  _DMFTList_* MFTList;              // kMFTHashSize bucket heads
};
constexpr int kMFTHashSize = 101;

// All groups in creation order; null until the first clustering.
extern List<MultiFingerTran*>* MFTList;
// Groups by id; null until the first clustering.
extern _DMFTHashTable* MFTHash;

// The detection action (f.HierarchicalSymDetection): runs the matcher
// over "subckt_library", reads its blocks back, checks every named pair of
// groups finger by finger, fills final_sym_list and writes "HiLSD_output".
int HierarchicalSymDetection();

// The steps of the detection.  The matcher "subpyxis" is taken from the
// folder of the running program, else from the PATH.
int DetectSubcircuits();  // returns the number of matcher runs that failed
int ParseSubcktLibFileNames(const char* listfile, int* count, std::vector<std::string>* names);
int ReadHierarchicalSymmetryInfo(const char* file);  // 0 read, 1 format errors
int TraverseCheckSymInList();

// How the runs of two groups lie: 0 side by side in x, 1 stacked in y,
// 2 both (common centroid), 3 interleaved in x, 4 interleaved in y, 7 not
// comparable.
int CheckLayoutSpread(MultiFingerTran* m1, MultiFingerTran* m2);

// The finger checks: each finger of m1 with the finger of m2 that is its
// mirror image about the axis of the two groups' joint extent (vertical
// for the common centroid), so that no finger is in two pairs.  Each
// records its pairs in final_sym_list and writes them as one block of
// "HiLSD_output" (none when no pair passed): a block has one axis.
// Returns: 1 when pairs were recorded; the axis locations in the outputs.
int DetectHorizontalAxisSymmetry(MultiFingerTran* m1, MultiFingerTran* m2, long* axis);
int DetectVerticalAxisSymmetry(MultiFingerTran* m1, MultiFingerTran* m2, long* axis);
int DetectCommonCentroidSymmetry(MultiFingerTran* m1, MultiFingerTran* m2, long* xaxis,
                                 long* yaxis);
int DetectInterleavedSymmetry(MultiFingerTran* m1, MultiFingerTran* m2, long* axis,
                              int horizontal);
// An axis line across the view: x = location (vertical) or y = location.
void DisplayAxis(long location, int vertical);

// Puts every pin of Gpin, as an elemPIN entry, at the front of the
// connection list of the net under its point (making the list when the net
// has none).  A pin on no net is left out.  The current tile is kept.
int AttachPinsToNets();

// Groups the transistors of the nets' connection lists into MFTList and
// MFTHash, after releasing the previous groups; every grouped transistor
// points at its group through multifingerTran.
int clusterTransistors();

// Prints every group with its runs on standard output, one line each.
int testClusterTransistors();

// Writes "netlist_subpyxis": a SIM netlist with one transistor per group.
int WriteSubpyxisNetlist();

// Cuts the fingers of a group into runs of contiguous fingers (contList).
void partitionIntoContiguousElem(MultiFingerTran* group);

// 1 when `finger` continues the run of `previous`, the finger before it in
// its group: the diffusion of `finger` facing `previous` (below it when both
// gates start at the same x, else left of it) is the diffusion of `previous`
// facing back, or abuts it along a common stretch of edge.
int areContiguous(const _Dtransistor* finger, const _Dtransistor* previous);

// Releases every group, run and id-table entry.  The transistors' pointers
// to their groups are left as they are: call it when the transistors go
// too (clusterTransistors clears them before it groups anew).
void DHreleaseGroups();

namespace hierarchy {

// Releases the groups whenever the extraction is released.
void install();

// The matcher program the detection runs instead of "subpyxis"; null
// restores the default.
void setMatcherProgram(const char* path);

// The group of that id, or null.
MultiFingerTran* findGroup(int id);

}  // namespace hierarchy
