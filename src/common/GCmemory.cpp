// The program allocator: zero-filled records, optional pooled size classes
// with intrusive free lists, and allocation statistics.
#include "Dlayout.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "Dglobal.h"

long size_account[kStatisticSizes];

namespace {

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

// Every block taken from the system, so that the pools' memory stays
// reachable even when GCmemInit forgets the free lists.
std::vector<char*>& blocks()
{
  static std::vector<char*>* all = new std::vector<char*>();
  return *all;
}

Pool* poolOf(long size)
{
  for (Pool& pool : pools)
    if (pool.size == size)
      return &pool;
  return nullptr;
}

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
  void* memory = calloc(1, size);
  if (!memory) {
    GCmessage(0, 'F', "Memory allocation failed");
    common::endProcess(1);
  }
  return memory;
}

void GCfree(void* p, long size)
{
  if (!p)
    return;
  if (Statistic && size >= 0)
    size_account[size < kStatisticSizes - 1 ? size : kStatisticSizes - 1]--;
  Pool* pool = OwnMemory ? poolOf(size) : nullptr;
  if (!pool) {
    free(p);
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
