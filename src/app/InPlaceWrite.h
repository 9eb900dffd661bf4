// Writing a new content into a file itself rather than beside it (a file with several names, a
// folder that takes no new file), so that a failure at any step leaves the old content whole.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hoverdeck {

// A file open for reading and writing, as the in-place write uses it. A failed call gives false
// or nullopt; a failed write may have written a part.
class InPlaceFile {
 public:
  InPlaceFile() = default;
  InPlaceFile(const InPlaceFile&) = delete;
  InPlaceFile& operator=(const InPlaceFile&) = delete;
  virtual ~InPlaceFile() = default;

  virtual std::optional<std::uint64_t> Size() = 0;
  virtual std::optional<std::string> Read(std::uint64_t at, std::size_t length) = 0;
  virtual bool Write(std::uint64_t at, std::string_view bytes) = 0;
  virtual bool Truncate(std::uint64_t size) = 0;
  virtual bool Flush() = 0;
  // Claims room for `size` bytes where the file system can; false only for a full disk or an
  // input-output error.
  virtual bool Reserve(std::uint64_t /*size*/) { return true; }
};

// Makes `content` the whole content of the file. A longer content claims its room first (its
// new tail goes past the old end), then the head goes in one write. False when a step fails,
// with the old content written back (as far as the file still takes writes); a crash in the
// middle leaves what the file system makes of an overwrite.
bool OverwriteInPlace(InPlaceFile& file, std::string_view content);

}  // namespace hoverdeck
