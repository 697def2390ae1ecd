#include "track/whole_file.h"

#include <cstring>
#include <limits>

#include "track/file_messages.h"
#include "track/file_system.h"

namespace track {

std::string readWholeFile(BlockList& blocks, const std::string& path, std::uint32_t slack,
                          FileBuffer& out) {
  fs::InputFile file;
  switch (file.open(path)) {
    case fs::OpenStatus::notFound:
      return kFileNotFound;
    case fs::OpenStatus::failed:
      return kCannotOpenFile;
    case fs::OpenStatus::ok:
      break;
  }
  // Lengths are 32-bit counts: a file that cannot be held with its slack in
  // one block is refused rather than read in part.
  if (file.size() > std::numeric_limits<std::uint32_t>::max() - slack) {
    out.data = nullptr;
    out.length = 0;
    return kCannotAllocate;
  }
  out.length = static_cast<std::uint32_t>(file.size());
  out.data = static_cast<unsigned char*>(blocks.allocBlock(out.length + slack));
  if (out.data == nullptr) return kCannotAllocate;
  const bool complete = file.read(out.data, out.length) == out.length;
  std::memset(out.data + out.length, 0, slack);
  return complete ? std::string() : std::string(kReadError);
}

std::string writeWholeFile(const std::string& path, const void* data, std::size_t size) {
  fs::ReplacementFile file;
  if (!file.create(path) || !file.write(data, size) || !file.commit()) return kCannotCreateFile;
  return {};
}

}  // namespace track
