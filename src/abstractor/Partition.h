// Partitions of the matcher: nodes of equal label are kept together in a
// Partition; a HashTable holds the partitions of one kind of node in five
// buckets (Lists), each in ascending order of label with no label twice.
//
//   HashTable ── hashtable[0..4] : List ── front ⇄ Partition ⇄ ... ⇄ back
//                                            │ top
//                                            Node ⇄ Node ⇄ ...  (header → Partition)
//
// A subcircuit table and a circuit table that hold the same labels keep them
// in the same buckets and in the same order, so comparisons walk two tables
// "in step": bucket by bucket, partition by partition, the subcircuit's first.
// Long lists carry an index by label so that finding a label's place does not
// walk the list.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace abstractor {

struct Node;
struct List;
class HashTable;

constexpr int TOTAL_MATCH = -1;   // Match: the subcircuit is matched completely
constexpr int HASH_BUCKETS = 5;   // buckets of every table

struct Partition {
  Partition* next;        // neighbours in the bucket list
  Partition* prev;
  List* header;           // the bucket that holds it
  uint32_t classLabel;    // the label of all its nodes
  int classSize;          // number of nodes
  short safety;           // 1 safe, 0 unsafe
  Node* top;              // first node
};

struct List {
  Partition* front = nullptr;
  Partition* back = nullptr;
  int size = 0;           // number of partitions
  HashTable* table = nullptr;
  std::unique_ptr<std::map<uint32_t, Partition*>> index;  // by label, for long lists
};

class HashTable {
 public:
  explicit HashTable(int buckets = HASH_BUCKETS);
  ~HashTable();
  HashTable(const HashTable&) = delete;
  HashTable& operator=(const HashTable&) = delete;

  // Puts `node` into the partition of its label (made at its sorted place
  // when there is none), at the front.
  void InsertNode(Node* node);
  // Puts a partition that is in no list at its sorted place; when one of the
  // same label exists, the nodes move into it and `partition` is deleted.
  void InsertClass(Partition* partition);
  // Inserts every partition of `other`, which is left empty.
  void InsertTable(HashTable& other);
  // Deletes all partitions; their nodes leave the table.
  void ClearTable();

  int NumPartitions() const;
  int GetNumNodes() const { return numNodes_; }
  bool IsEmpty() const { return numNodes_ == 0; }
  int HashSize() const { return size_; }
  List& GetHashEntry(int i) { return hashtable_[i]; }
  int bucketOf(uint32_t label) const;

  // The following walk this (subcircuit) table and `g` (circuit) in step.
  void RemoveDiffNodes(HashTable& g);
  int TestEquivClasses(HashTable& g);
  void SetSafety(HashTable& g);
  void RandomRelabel(HashTable& g);
  int MatchSingletons(HashTable& g);

  // Circuit table: the nodes of the smallest partition with an available
  // (unmatched, unused) node.  Returns 0 when there is none.
  int FindCandidateVector(std::vector<Node*>& vector, int& count);
  // Subcircuit table: the first node of the partition of `label`; stops the
  // program when there is none.
  Node* FindKeyNode(uint32_t label);
  Partition* findPartition(uint32_t label);
  // A new table holding the relabelled neighbours of the safe nodes.
  std::unique_ptr<HashTable> RelabelNeighborsOfSafeNodes();

  // The nodes in walk order; the table is left empty.
  std::vector<Node*> takeAllNodes();
  // Deletes a partition of this table; its nodes leave the table.
  void dropPartition(Partition* partition) { deletePartition(partition); }

 private:
  friend void RemoveNode(Node* node);
  void linkPartition(List& list, Partition* partition, Partition* before);
  void unlinkPartition(Partition* partition);
  void deletePartition(Partition* partition);

  int size_;
  std::unique_ptr<List[]> hashtable_;
  int numNodes_ = 0;
};

// Takes a node out of its partition (nothing when it is in none); an empty
// partition is deleted.
void RemoveNode(Node* node);
// True when the node is in a safe partition.
bool IsSafe(const Node* node);

// The pool of partitions; partitionFree() releases it (no table may be left).
void partitionFree();

}  // namespace abstractor
