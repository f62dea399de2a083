// Block allocators for the records of one netlist: records and arrays are
// taken from blocks and never freed one by one; the whole pool goes at once.
#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <vector>

namespace abstractor {

// Records of type T, taken `blockSize` at a time.  Addresses stay valid for
// the life of the pool.
template <typename T, size_t blockSize>
class Pool {
 public:
  T* take()
  {
    if (used_ == blockSize) {
      blocks_.emplace_back(new T[blockSize]());
      used_ = 0;
    }
    return &blocks_.back()[used_++];
  }

 private:
  std::vector<std::unique_ptr<T[]>> blocks_;
  size_t used_ = blockSize;
};

// Contiguous arrays of T of any length (value-initialised).
template <typename T>
class ArrayPool {
 public:
  T* take(size_t count)
  {
    constexpr size_t blockSize = 8192;
    if (count == 0)
      return nullptr;
    if (count > blockSize) {
      large_.emplace_back(new T[count]());
      return large_.back().get();
    }
    if (blocks_.empty() || used_ + count > blockSize) {
      blocks_.emplace_back(new T[blockSize]());
      used_ = 0;
    }
    T* result = &blocks_.back()[used_];
    used_ += count;
    return result;
  }

 private:
  std::vector<std::unique_ptr<T[]>> blocks_;
  std::vector<std::unique_ptr<T[]>> large_;
  size_t used_ = 0;
};

// Zero-terminated copies of names.
class StringArena {
 public:
  const char* store(const char* text, size_t length)
  {
    char* copy = chars_.take(length + 1);
    memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
  }
  const char* store(const char* text) { return store(text, strlen(text)); }

 private:
  ArrayPool<char> chars_;
};

}  // namespace abstractor
