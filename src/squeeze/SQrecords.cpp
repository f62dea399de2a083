// The range of addresses that holds the squeeze graphs' lines and arcs (see
// SQrecords.h): reserved once, committed block by block.
#include "SQrecords.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <mutex>

namespace squeeze {

char* recordBase = nullptr;
size_t recordRange = 0;

namespace {

constexpr size_t kUnit = size_t{1} << 16;        // blocks are whole units of 64 KB
constexpr size_t kLargest = size_t{1} << 35;     // 32-bit links of 8-byte steps
constexpr size_t kSmallest = size_t{1} << 28;

struct Range {
  std::mutex lock;
  size_t committed = 0;             // bytes from the start made readable and writable
  size_t taken = 0;                 // bytes in blocks now taken
  std::map<size_t, size_t> free;    // offset -> length of the free stretches below `committed`
};

Range& range()
{
  static Range* r = new Range();  // lives as long as the program
  return *r;
}

// Reserves the range; a smaller one where the address space is limited.
void reserve()
{
  for (size_t len = kLargest; len >= kSmallest; len >>= 1) {
    void* p = mmap(nullptr, len, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p != MAP_FAILED) {
      recordBase = static_cast<char*>(p);
      recordRange = len;
      return;
    }
  }
  throw std::bad_alloc();
}

size_t units(size_t bytes) { return (bytes + kUnit - 1) / kUnit * kUnit; }

}  // namespace

void recordOutOfRange(const void* record)
{
  std::fprintf(stderr, "internal error: squeeze record %p lies outside its range\n", record);
  std::abort();
}

void* takeRecords(size_t bytes)
{
  Range& r = range();
  std::lock_guard<std::mutex> hold(r.lock);
  if (!recordBase)
    reserve();
  const size_t len = units(bytes > 0 ? bytes : 1);
  // The first free stretch that holds the block.
  for (auto it = r.free.begin(); it != r.free.end(); ++it) {
    if (it->second < len)
      continue;
    const size_t at = it->first, rest = it->second - len;
    r.free.erase(it);
    if (rest > 0)
      r.free.emplace(at + len, rest);
    r.taken += len;
    return recordBase + at;
  }
  // Else fresh memory above the committed part; the first unit stays
  // unused so that no record has offset 0 (the null link).
  const size_t at = r.committed == 0 ? kUnit : r.committed;
  if (at + len > recordRange)
    throw std::bad_alloc();
  if (mprotect(recordBase + at, len, PROT_READ | PROT_WRITE) != 0)
    throw std::bad_alloc();
  r.committed = at + len;
  r.taken += len;
  return recordBase + at;
}

void giveRecords(void* block, size_t bytes)
{
  Range& r = range();
  std::lock_guard<std::mutex> hold(r.lock);
  size_t at = static_cast<size_t>(static_cast<char*>(block) - recordBase);
  size_t len = units(bytes > 0 ? bytes : 1);
  // The pages go back to the system and read as zeros when next touched.
  madvise(block, len, MADV_DONTNEED);
  r.taken -= len;
  // Joined with the free stretches on either side.
  auto next = r.free.lower_bound(at);
  if (next != r.free.end() && at + len == next->first) {
    len += next->second;
    next = r.free.erase(next);
  }
  if (next != r.free.begin()) {
    auto prev = std::prev(next);
    if (prev->first + prev->second == at) {
      at = prev->first;
      len += prev->second;
      r.free.erase(prev);
    }
  }
  r.free.emplace(at, len);
}

size_t recordBytesTaken()
{
  Range& r = range();
  std::lock_guard<std::mutex> hold(r.lock);
  return r.taken;
}

}  // namespace squeeze
