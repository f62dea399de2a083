// Partition tables of the matcher: buckets of partitions in ascending label
// order, and the in-step operations on a subcircuit and a circuit table.
#include "Partition.h"

#include <cassert>
#include <cstdlib>

#include "Graph.h"
#include "Matcher.h"
#include "Output.h"

namespace abstractor {

// Magic numbers
constexpr int INDEX_THRESHOLD = 12;  // partitions in a list before it gets an index

namespace {

// Freed partitions, reused before new ones are made.
struct PartitionPool {
  std::vector<Partition*> spare;
  ~PartitionPool()
  {
    for (Partition* p : spare)
      delete p;
  }
};

}  // namespace

static PartitionPool* pool = nullptr;

static Partition* newPartition(uint32_t label)
{
  Partition* p;
  if (pool != nullptr && !pool->spare.empty()) {
    p = pool->spare.back();
    pool->spare.pop_back();
  } else {
    p = new Partition;
  }
  p->next = p->prev = nullptr;
  p->header = nullptr;
  p->classLabel = label;
  p->classSize = 0;
  p->safety = 0;
  p->top = nullptr;
  return p;
}

static void freePartition(Partition* p)
{
  if (pool == nullptr)
    pool = new PartitionPool;
  pool->spare.push_back(p);
}

void partitionFree()
{
  delete pool;
  pool = nullptr;
}

// Puts `node` at the front of `p`.
static void pushFront(Partition* p, Node* node)
{
  node->header = p;
  node->prev = nullptr;
  node->next = p->top;
  if (p->top != nullptr)
    p->top->prev = node;
  p->top = node;
  ++p->classSize;
}

static void buildIndex(List& list)
{
  list.index = std::make_unique<std::map<uint32_t, Partition*>>();
  for (Partition* p = list.front; p != nullptr; p = p->next)
    list.index->emplace_hint(list.index->end(), p->classLabel, p);
}

// The first partition of `list` whose label is not below `label`, or null.
static Partition* atOrAfter(List& list, uint32_t label)
{
  if (list.back == nullptr || list.back->classLabel < label)
    return nullptr;
  if (list.index) {
    auto found = list.index->lower_bound(label);
    return found == list.index->end() ? nullptr : found->second;
  }
  Partition* p = list.front;
  while (p->classLabel < label)
    p = p->next;
  return p;
}

HashTable::HashTable(int buckets) : size_(buckets), hashtable_(new List[buckets])
{
  for (int i = 0; i < size_; ++i)
    hashtable_[i].table = this;
}

HashTable::~HashTable()
{
  ClearTable();
}

int HashTable::bucketOf(uint32_t label) const
{
  int remainder = static_cast<int32_t>(label) % size_;
  return remainder < 0 ? -remainder : remainder;
}

// Links `partition` into `list` before `before` (at the back when null).
void HashTable::linkPartition(List& list, Partition* partition, Partition* before)
{
  partition->header = &list;
  partition->next = before;
  partition->prev = before != nullptr ? before->prev : list.back;
  if (partition->prev != nullptr)
    partition->prev->next = partition;
  else
    list.front = partition;
  if (before != nullptr)
    before->prev = partition;
  else
    list.back = partition;
  ++list.size;
  if (list.index)
    list.index->emplace(partition->classLabel, partition);
  else if (list.size > INDEX_THRESHOLD)
    buildIndex(list);
}

void HashTable::unlinkPartition(Partition* partition)
{
  List& list = *partition->header;
  if (partition->prev != nullptr)
    partition->prev->next = partition->next;
  else
    list.front = partition->next;
  if (partition->next != nullptr)
    partition->next->prev = partition->prev;
  else
    list.back = partition->prev;
  --list.size;
  if (list.index)
    list.index->erase(partition->classLabel);
  partition->header = nullptr;
  partition->next = partition->prev = nullptr;
}

// Unlinks and frees a partition; its nodes leave the table.
void HashTable::deletePartition(Partition* partition)
{
  for (Node* node = partition->top; node != nullptr;) {
    Node* next = node->next;
    node->header = nullptr;
    node->prev = node->next = nullptr;
    node = next;
  }
  numNodes_ -= partition->classSize;
  unlinkPartition(partition);
  freePartition(partition);
}

void HashTable::InsertNode(Node* node)
{
  assert(node->header == nullptr && "a node is in at most one partition");
  List& list = hashtable_[bucketOf(node->nodeValue)];
  Partition* place = atOrAfter(list, node->nodeValue);
  if (place == nullptr || place->classLabel != node->nodeValue) {
    Partition* made = newPartition(node->nodeValue);
    linkPartition(list, made, place);
    place = made;
  }
  pushFront(place, node);
  ++numNodes_;
}

void HashTable::InsertClass(Partition* partition)
{
  assert(partition->header == nullptr && "the partition is in no list");
  List& list = hashtable_[bucketOf(partition->classLabel)];
  Partition* place = atOrAfter(list, partition->classLabel);
  numNodes_ += partition->classSize;
  if (place == nullptr || place->classLabel != partition->classLabel) {
    linkPartition(list, partition, place);
    return;
  }
  for (Node* node = partition->top; node != nullptr;) {
    Node* next = node->next;
    pushFront(place, node);
    node = next;
  }
  freePartition(partition);
}

void HashTable::InsertTable(HashTable& other)
{
  for (int b = 0; b < other.size_; ++b) {
    List& list = other.hashtable_[b];
    Partition* p = list.front;
    // Labels may have changed (RandomRelabel): detach the whole list first.
    list.front = list.back = nullptr;
    list.size = 0;
    list.index.reset();
    while (p != nullptr) {
      Partition* next = p->next;
      p->header = nullptr;
      p->next = p->prev = nullptr;
      InsertClass(p);
      p = next;
    }
  }
  other.numNodes_ = 0;
}

void HashTable::ClearTable()
{
  for (int b = 0; b < size_; ++b) {
    List& list = hashtable_[b];
    for (Partition* p = list.front; p != nullptr;) {
      Partition* next = p->next;
      for (Node* node = p->top; node != nullptr;) {
        Node* following = node->next;
        node->header = nullptr;
        node->prev = node->next = nullptr;
        node = following;
      }
      freePartition(p);
      p = next;
    }
    list.front = list.back = nullptr;
    list.size = 0;
    list.index.reset();
  }
  numNodes_ = 0;
}

std::vector<Node*> HashTable::takeAllNodes()
{
  std::vector<Node*> nodes;
  nodes.reserve(numNodes_);
  for (int b = 0; b < size_; ++b)
    for (Partition* p = hashtable_[b].front; p != nullptr; p = p->next)
      for (Node* node = p->top; node != nullptr; node = node->next)
        nodes.push_back(node);
  ClearTable();
  return nodes;
}

int HashTable::NumPartitions() const
{
  int count = 0;
  for (int b = 0; b < size_; ++b)
    count += hashtable_[b].size;
  return count;
}

void RemoveNode(Node* node)
{
  Partition* p = node->header;
  if (p == nullptr)
    return;
  if (node->prev != nullptr)
    node->prev->next = node->next;
  else
    p->top = node->next;
  if (node->next != nullptr)
    node->next->prev = node->prev;
  node->header = nullptr;
  node->prev = node->next = nullptr;
  --p->classSize;
  HashTable* table = p->header->table;
  --table->numNodes_;
  if (p->classSize == 0) {
    table->unlinkPartition(p);
    freePartition(p);
  }
}

bool IsSafe(const Node* node)
{
  return node->header != nullptr && node->header->safety == 1;
}

void HashTable::RemoveDiffNodes(HashTable& g)
{
  for (int b = 0; b < size_; ++b) {
    Partition* ps = hashtable_[b].front;
    for (Partition* pg = g.hashtable_[b].front; pg != nullptr;) {
      Partition* next = pg->next;
      while (ps != nullptr && ps->classLabel < pg->classLabel)
        ps = ps->next;
      if (ps == nullptr || ps->classLabel != pg->classLabel)
        g.deletePartition(pg);
      pg = next;
    }
  }
}

int HashTable::TestEquivClasses(HashTable& g)
{
  for (int b = 0; b < size_; ++b) {
    Partition* pg = g.hashtable_[b].front;
    for (Partition* ps = hashtable_[b].front; ps != nullptr; ps = ps->next, pg = pg->next) {
      if (pg == nullptr)
        return 0;
      if (ps->classLabel != pg->classLabel || ps->classSize > pg->classSize)
        return 0;
    }
  }
  return 1;
}

void HashTable::SetSafety(HashTable& g)
{
  for (int b = 0; b < size_; ++b) {
    Partition* ps = hashtable_[b].front;
    Partition* pg = g.hashtable_[b].front;
    for (; ps != nullptr && pg != nullptr; ps = ps->next, pg = pg->next) {
      short safe = ps->classSize == pg->classSize ? 1 : 0;
      if (ps->classLabel != pg->classLabel) {
        outf(" Incorrect assumption about labels in SetSafety.\n");
        safe = 0;
      }
      ps->safety = pg->safety = safe;
    }
    // Partitions without a partner cannot be safe.
    for (; ps != nullptr; ps = ps->next)
      ps->safety = 0;
    for (; pg != nullptr; pg = pg->next)
      pg->safety = 0;
  }
}

static uint32_t freshLabel()
{
  uint32_t label;
  do {
    label = static_cast<uint32_t>(rand());
  } while (label == 1 || label == 2);
  return label;
}

static void setLabel(Partition* p, uint32_t label)
{
  p->classLabel = label;
  for (Node* node = p->top; node != nullptr; node = node->next)
    node->nodeValue = label;
}

void HashTable::RandomRelabel(HashTable& g)
{
  // The labels will no longer follow the order: only InsertTable may use
  // these lists afterwards, and it does not use the index.
  for (int b = 0; b < size_; ++b)
    hashtable_[b].index.reset();
  for (int b = 0; b < g.size_; ++b)
    g.hashtable_[b].index.reset();
  for (int b = 0; b < size_; ++b) {
    Partition* ps = hashtable_[b].front;
    Partition* pg = g.hashtable_[b].front;
    for (; ps != nullptr && pg != nullptr; ps = ps->next, pg = pg->next) {
      if (ps->classLabel == 1 || ps->classLabel == 2)
        return;
      uint32_t label = freshLabel();
      setLabel(ps, label);
      setLabel(pg, label);
    }
  }
}

static bool available(const Node* node)
{
  return (node->status & (MATCHED | USED)) == 0;
}

int HashTable::MatchSingletons(HashTable& g)
{
  if (size_ != g.size_) {
    outf("Hashtables are different in MatchSingletons!!!\n");
    stopProgram(1);
  }
  std::vector<std::pair<Node*, Node*>> pairs;
  for (int b = 0; b < size_; ++b) {
    Partition* ps = hashtable_[b].front;
    Partition* pg = g.hashtable_[b].front;
    for (; ps != nullptr && pg != nullptr; ps = ps->next, pg = pg->next)
      if (ps->classSize == 1 && pg->classSize == 1 && available(ps->top) && available(pg->top))
        pairs.emplace_back(ps->top, pg->top);
  }
  int matched = 0;
  for (auto& [s, g_node] : pairs) {
    if (!available(s) || !available(g_node))
      continue;
    if (Match(s, g_node, 0) == TOTAL_MATCH)
      return TOTAL_MATCH;
    ++matched;
  }
  return matched;
}

static bool hasAvailableNode(const Partition* p)
{
  for (const Node* node = p->top; node != nullptr; node = node->next)
    if (available(node))
      return true;
  return false;
}

int HashTable::FindCandidateVector(std::vector<Node*>& vector, int& count)
{
  Partition* best = nullptr;
  for (int b = 0; b < size_; ++b)
    for (Partition* p = hashtable_[b].front; p != nullptr; p = p->next)
      if ((best == nullptr || p->classSize < best->classSize) && hasAvailableNode(p))
        best = p;
  if (best == nullptr)
    return 0;
  vector.clear();
  for (Node* node = best->top; node != nullptr; node = node->next)
    vector.push_back(node);
  count = best->classSize;
  return 1;
}

Partition* HashTable::findPartition(uint32_t label)
{
  Partition* p = atOrAfter(hashtable_[bucketOf(label)], label);
  return p != nullptr && p->classLabel == label ? p : nullptr;
}

Node* HashTable::FindKeyNode(uint32_t label)
{
  Partition* p = findPartition(label);
  if (p == nullptr) {
    outf("Error in List::FindKeyNode!!!  Shouldn't get here.\n");
    stopProgram(1);
  }
  return p->top;
}

std::unique_ptr<HashTable> HashTable::RelabelNeighborsOfSafeNodes()
{
  auto relabelled = std::make_unique<HashTable>(size_);
  for (int b = 0; b < size_; ++b) {
    for (Partition* p = hashtable_[b].front; p != nullptr; p = p->next) {
      if (p->safety != 1)
        continue;
      for (Node* node = p->top; node != nullptr; node = node->next) {
        // Power and ground nets reach too many devices to lead anywhere,
        // unless special-nets mode is off.
        if (node->special != 0 && SubGraphHasSpecialNodes)
          continue;
        for (int i = 0, n = node->numNeighbors(); i < n; ++i) {
          Node* neighbor = node->neighbor(i);
          if ((neighbor->status & MATCHED) != 0 || neighbor->pass == CurrentPass)
            continue;
          bool safe = IsSafe(neighbor);
          RemoveNode(neighbor);
          RelabelSafely(neighbor, safe);
          relabelled->InsertNode(neighbor);
        }
      }
    }
  }
  return relabelled;
}

}  // namespace abstractor
