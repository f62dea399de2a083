// The program allocator: zero-filled records, optional pooled size classes
// with intrusive free lists, and allocation statistics.
#include "Dlayout.h"

#include <cassert>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Dglobal.h"

long size_account[kStatisticSizes];

namespace {

// Every block taken from the system, so that the pools' memory stays
// reachable even when GCmemInit forgets the free lists.
std::vector<char*>& blocks()
{
  static std::vector<char*>* all = new std::vector<char*>();
  return *all;
}

// Pooled sizes (bytes) and the number of records taken from the system at a
// time.  A free record carries the address of the next free one in its last
// pointer-sized word (the whole record for 8 bytes).
struct Pool {
  long size;
  int count;
  char* head;
};
constexpr int kPools = 5;
Pool pools[kPools] = {
    {8, 20000, nullptr}, {20, 20000, nullptr}, {24, 20000, nullptr},
    {40, 2000, nullptr}, {44, 40000, nullptr},
};

char* linkAt(char* record, long size)
{
  char* next;
  memcpy(&next, record + size - sizeof(char*), sizeof next);
  return next;
}

void setLink(char* record, long size, char* next)
{
  memcpy(record + size - sizeof(char*), &next, sizeof next);
}

// Small records that are not pooled come from slabs of their size rounded up
// to 8 bytes: millions of rectangles and list nodes then cost no allocator
// overhead.  A slab record is never returned to the system, like a pooled
// one.  Sanitizer builds take every record from the heap so that stale uses
// are caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kSlabLimit = 0;
// A sanitizer build also checks that every record is released with the size
// it was made with, which the slabs and pools rely on.
constexpr bool kCheckSizes = true;
#else
constexpr long kSlabLimit = 64;  // largest record (bytes) taken from a slab
constexpr bool kCheckSizes = false;
#endif
constexpr long kSizeHeader = 16;  // bytes in front of a checked record
constexpr long kSlabBytes = 1 << 20;  // memory taken from the system at a time
constexpr int kSlabClasses = 8;       // 8, 16, ..., 64 bytes
char* slabHeads[kSlabClasses];

long slabSize(long size) { return (size + 7) & ~7L; }

char* takeSlabRecord(long size)
{
  long rounded = slabSize(size);
  char*& head = slabHeads[rounded / 8 - 1];
  if (!head) {
    char* block = static_cast<char*>(calloc(1, kSlabBytes));
    if (!block) {
      GCmessage(0, 'F', "Memory allocation failed");
      common::endProcess(1);
    }
    blocks().push_back(block);
    long count = kSlabBytes / rounded;
    for (long i = 0; i + 1 < count; ++i)
      setLink(block + i * rounded, rounded, block + (i + 1) * rounded);
    head = block;
  }
  char* record = head;
  head = linkAt(record, rounded);
  setLink(record, rounded, nullptr);
  return record;
}

void giveSlabRecord(char* record, long size)
{
  long rounded = slabSize(size);
  char*& head = slabHeads[rounded / 8 - 1];
  memset(record, 0, rounded);
  setLink(record, rounded, head);
  head = record;
}

Pool* poolOf(long size)
{
  for (Pool& pool : pools)
    if (pool.size == size)
      return &pool;
  return nullptr;
}

void countRequest(long size)
{
  if (size < 0) {
    for (int i = 0; i < kStatisticSizes; ++i)
      common::outf("Size(%3d) : %ld\n", i, size_account[i]);
    return;
  }
  size_account[size < kStatisticSizes - 1 ? size : kStatisticSizes - 1]++;
}

}  // namespace

void GCmemInit()
{
  for (Pool& pool : pools)
    pool.head = nullptr;
}

/*
 * GCballoc --
 *   Takes one block of count x size bytes from the system and chains its
 *   records, in address order, onto the free list of that size.
 */
void GCballoc(int count, int size)
{
  Pool* pool = poolOf(size);
  char* block = static_cast<char*>(calloc(count, size));
  if (!block || !pool) {
    GCmessage(0, 'F', "Malloc failed");
    common::endProcess(1);
  }
  blocks().push_back(block);
  if (Statistic)
    common::errf("***** Alloc %d x %d memory from OS *****\n", count, size);
  for (int i = 0; i + 1 < count; ++i)
    setLink(block + static_cast<long>(i) * size, size, block + static_cast<long>(i + 1) * size);
  setLink(block + static_cast<long>(count - 1) * size, size, pool->head);
  pool->head = block;
}

void* GCmalloc(long size)
{
  if (Statistic)
    countRequest(size);
  if (size <= 0)
    size = 1;
  Pool* pool = OwnMemory ? poolOf(size) : nullptr;
  if (pool) {
    if (!pool->head)
      GCballoc(pool->count, static_cast<int>(size));
    char* record = pool->head;
    pool->head = linkAt(record, size);
    setLink(record, size, nullptr);
    return record;
  }
  if (size <= kSlabLimit)
    return takeSlabRecord(size);
  char* memory = static_cast<char*>(calloc(1, size + (kCheckSizes ? kSizeHeader : 0)));
  if (!memory) {
    GCmessage(0, 'F', "Memory allocation failed");
    common::endProcess(1);
  }
  if (!kCheckSizes)
    return memory;
  memcpy(memory, &size, sizeof size);
  return memory + kSizeHeader;
}

void GCfree(void* p, long size)
{
  if (!p)
    return;
  if (Statistic && size >= 0)
    size_account[size < kStatisticSizes - 1 ? size : kStatisticSizes - 1]--;
  if (size <= 0)
    size = 1;
  Pool* pool = OwnMemory ? poolOf(size) : nullptr;
  if (!pool && size <= kSlabLimit) {
    giveSlabRecord(static_cast<char*>(p), size);
    return;
  }
  if (!pool) {
    char* memory = static_cast<char*>(p);
    if (kCheckSizes) {
      memory -= kSizeHeader;
      long made;
      memcpy(&made, memory, sizeof made);
      assert(made == size && "a record must be released with the size it was made with");
    }
    free(memory);
    return;
  }
  char* record = static_cast<char*>(p);
  memset(record, 0, size);
  setLink(record, size, pool->head);
  pool->head = record;
}

void* GCmemcpy(const void* p, unsigned long size)
{
  void* copy = GCmalloc(size);
  memcpy(copy, p, size);
  return copy;
}

long GCstrlen(const char* s) { return s ? static_cast<long>(strlen(s)) + 1 : 0; }

char* GCstrcpy(const char* s)
{
  if (!s)
    return nullptr;
  return static_cast<char*>(GCmemcpy(s, GCstrlen(s)));
}

void GCfreeString(char* s) { GCfree(s, GCstrlen(s)); }

int GCstrcmp(const char* a, const char* b)
{
  if (!a || !b) {
    GCmessage(0, 'F', "Can't compare null strings");
    common::abandonAction(1);
  }
  return strcmp(a, b);
}
