#pragma once
// A zero-filled array on a cache-line boundary, so that vector loads never
// straddle lines needlessly.

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace analyser {

template <typename T>
class AlignedBuffer {
 public:
  static constexpr std::size_t kAlignment = 64;

  AlignedBuffer() = default;
  explicit AlignedBuffer(std::size_t count) : count_(count) {
    const std::size_t bytes = (count * sizeof(T) + kAlignment - 1) / kAlignment * kAlignment;
    void* memory = bytes == 0 ? nullptr : std::aligned_alloc(kAlignment, bytes);
    if (bytes != 0 && memory == nullptr) throw std::bad_alloc();
    if (memory != nullptr) std::memset(memory, 0, bytes);
    data_.reset(static_cast<T*>(memory));
  }

  T* data() { return data_.get(); }
  const T* data() const { return data_.get(); }
  std::size_t size() const { return count_; }
  T& operator[](std::size_t i) { return data_.get()[i]; }
  const T& operator[](std::size_t i) const { return data_.get()[i]; }

 private:
  struct Free {
    void operator()(T* p) const { std::free(p); }
  };
  std::unique_ptr<T[], Free> data_;
  std::size_t count_ = 0;
};

}  // namespace analyser
