#include "track/block_list.h"

#include <cstdlib>

namespace track {

void* BlockList::allocBlock(std::uint32_t size) {
  if (size == 0) {
    while (count_ > 0) {
      --count_;
      std::free(blocks_[count_]);
      blocks_[count_] = nullptr;
      held_ -= sizes_[count_];
    }
    return nullptr;
  }
  if (count_ == kCapacity || size > budget_ - held_) return nullptr;
  void* block = std::malloc(size);
  if (block == nullptr) return nullptr;
  blocks_[count_] = block;
  sizes_[count_] = size;
  ++count_;
  held_ += size;
  return block;
}

}  // namespace track
