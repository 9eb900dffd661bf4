#include "app/InPlaceWrite.h"

#include <algorithm>

namespace hoverdeck {

bool OverwriteInPlace(InPlaceFile& file, std::string_view content) {
  const auto old_size = file.Size();
  const auto old = old_size ? file.Read(0, static_cast<std::size_t>(*old_size)) : std::nullopt;
  if (!old) return false;
  const std::uint64_t new_size = content.size();
  const std::size_t head = static_cast<std::size_t>(std::min(*old_size, new_size));
  bool written = file.Reserve(new_size);
  written = written && (new_size <= *old_size || file.Write(*old_size, content.substr(head)));
  if (written && file.Write(0, content.substr(0, head)) && file.Truncate(new_size) &&
      file.Flush()) {
    return true;
  }
  // The old bytes back over whatever part of the new ones went in, and the old end.
  file.Write(0, *old);
  file.Truncate(*old_size);
  file.Flush();
  return false;
}

}  // namespace hoverdeck
