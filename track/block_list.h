#pragma once
// The blocks of one conversion. Every buffer a conversion uses comes from here,
// so that a single call at its end releases all of them, on every way out.

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace track {

class BlockList {
 public:
  static constexpr int kCapacity = 256;

  // budgetBytes caps the bytes held at once; a request beyond it fails like an
  // exhausted heap (tests use this to reach the out-of-memory paths).
  explicit BlockList(std::size_t budgetBytes = std::numeric_limits<std::size_t>::max())
      : budget_(budgetBytes) {}
  ~BlockList() { allocBlock(0); }
  BlockList(const BlockList&) = delete;
  BlockList& operator=(const BlockList&) = delete;

  // size > 0: a new block of exactly that size (contents undefined), or nullptr.
  // size 0: releases every block, the newest first, and returns nullptr.
  void* allocBlock(std::uint32_t size);

  int count() const { return count_; }
  std::size_t bytesHeld() const { return held_; }

 private:
  std::array<void*, kCapacity> blocks_{};
  std::array<std::size_t, kCapacity> sizes_{};
  int count_ = 0;
  std::size_t held_ = 0;
  std::size_t budget_;
};

}  // namespace track
