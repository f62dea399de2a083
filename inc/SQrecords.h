// SQrecords.h -- where the lines and arcs of the squeeze graphs live.
//
// A resize of a large layout makes millions of arcs, each linked to two
// lines and into three lists.  All lines and arcs are therefore taken from
// one reserved range of addresses, and a link between two of them is the
// distance from the start of that range in units of 8 bytes: 32 bits
// instead of a 64-bit pointer.  A link reads and assigns like the pointer
// it stands for; 0 is the null link.
//
// The range is reserved (not committed) at first use; memory is committed
// as blocks are taken and handed back to the system when they are given
// back.  Blocks come zero-filled.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace squeeze {

extern char* recordBase;       // start of the reserved range (null before first use)
extern size_t recordRange;     // its length in bytes

// Stops the program: a link to a record outside the range is a fault of
// the code, never of the data.
[[noreturn]] void recordOutOfRange(const void* record);

inline uint32_t recordOffset(const void* record)
{
  const size_t d = static_cast<size_t>(static_cast<const char*>(record) - recordBase);
  if (d == 0 || d >= recordRange || (d & 7) != 0)
    recordOutOfRange(record);
  return static_cast<uint32_t>(d >> 3);
}

template <class T>
class Link {
 public:
  Link() = default;
  explicit Link(T* record) : at_(encode(record)) {}
  Link& operator=(T* record)
  {
    at_ = encode(record);
    return *this;
  }
  operator T*() const
  {
    return at_ ? reinterpret_cast<T*>(recordBase + (static_cast<size_t>(at_) << 3)) : nullptr;
  }
  T* operator->() const { return *this; }

 private:
  static uint32_t encode(const T* record) { return record ? recordOffset(record) : 0; }
  uint32_t at_ = 0;
};

// A zero-filled block of at least `bytes` from the range, 8-byte aligned;
// std::bad_alloc when the range is full.  giveRecords takes it back (with
// the same size).
void* takeRecords(size_t bytes);
void giveRecords(void* block, size_t bytes);
// Bytes of the range in blocks now taken (for tests and figures).
size_t recordBytesTaken();

// A block of records taken from the range, freed with it.
class RecordBlock {
 public:
  RecordBlock() = default;
  explicit RecordBlock(size_t bytes) : p_(takeRecords(bytes)), bytes_(bytes) {}
  RecordBlock(RecordBlock&& o) noexcept : p_(std::exchange(o.p_, nullptr)), bytes_(o.bytes_) {}
  RecordBlock& operator=(RecordBlock&& o) noexcept
  {
    std::swap(p_, o.p_);
    std::swap(bytes_, o.bytes_);
    return *this;
  }
  ~RecordBlock()
  {
    if (p_)
      giveRecords(p_, bytes_);
  }
  void* get() const { return p_; }

 private:
  void* p_ = nullptr;
  size_t bytes_ = 0;
};

// Records of one kind in one contiguous block (like a vector, but in the
// range; growing moves them).  T must be trivially destructible; new
// records are value-initialised.
template <class T>
class RecordArray {
 public:
  T* data() { return static_cast<T*>(block_.get()); }
  const T* data() const { return static_cast<const T*>(block_.get()); }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T& operator[](size_t i) { return data()[i]; }
  const T& operator[](size_t i) const { return data()[i]; }
  T* begin() { return data(); }
  T* end() { return data() + size_; }
  const T* begin() const { return data(); }
  const T* end() const { return data() + size_; }
  void clear()
  {
    block_ = RecordBlock();
    size_ = capacity_ = 0;
  }
  // n fresh records.
  void assign(size_t n)
  {
    clear();
    resize(n);
  }
  void resize(size_t n)
  {
    if (n > capacity_) {
      RecordBlock grown(n * sizeof(T));
      T* to = static_cast<T*>(grown.get());
      for (size_t i = 0; i < size_; ++i)
        new (to + i) T(data()[i]);
      block_ = std::move(grown);
      capacity_ = n;
    }
    for (size_t i = size_; i < n; ++i)
      new (data() + i) T{};
    size_ = n;
  }

 private:
  RecordBlock block_;
  size_t size_ = 0, capacity_ = 0;
};

// Records of one kind that keep their addresses while more are added (like
// a deque): blocks of kPerBlock records.
template <class T>
class RecordPool {
 public:
  static constexpr size_t kBlockBytes = size_t{1} << 20;
  static constexpr size_t kPerBlock = kBlockBytes / sizeof(T);

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  T& operator[](size_t i) { return at(i); }
  const T& operator[](size_t i) const { return const_cast<RecordPool*>(this)->at(i); }
  T& back() { return at(size_ - 1); }
  T& emplace_back()
  {
    if (size_ == blocks_.size() * kPerBlock)
      blocks_.emplace_back(kBlockBytes);
    T* record = new (&at(size_)) T{};
    ++size_;
    return *record;
  }
  void resize(size_t n)
  {
    while (size_ < n)
      emplace_back();
    size_ = std::min(size_, n);
  }
  void clear()
  {
    blocks_.clear();
    size_ = 0;
  }

 private:
  T& at(size_t i) { return static_cast<T*>(blocks_[i / kPerBlock].get())[i % kPerBlock]; }
  std::vector<RecordBlock> blocks_;
  size_t size_ = 0;
};

}  // namespace squeeze
