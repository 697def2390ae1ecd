#pragma once
// Both programs read their input whole and write their output whole.
// Failures come back as one of the texts of file_messages.h.

#include <cstddef>
#include <cstdint>
#include <string>

#include "track/block_list.h"

namespace track {

inline constexpr std::uint32_t kStandardSlack = 4096;

struct FileBuffer {
  unsigned char* data = nullptr;  // a block of `blocks`; length + slack bytes
  std::uint32_t length = 0;       // bytes of the file, without the slack
};

// Reads the file at `path` into one block of length + slack bytes and zeroes
// the slack. While it reads, the file is locked against our other processes.
// Returns the error text, empty on success. After a short read the block stays
// in `blocks` (with its slack zeroed) and the text is the read error.
std::string readWholeFile(BlockList& blocks, const std::string& path, std::uint32_t slack,
                          FileBuffer& out);

// Creates or replaces the file at `path` with `size` bytes. The bytes go to a
// temporary file in the same folder that replaces the old file only once all
// of them are written, so a failure leaves an existing file as it was.
std::string writeWholeFile(const std::string& path, const void* data, std::size_t size);

}  // namespace track
