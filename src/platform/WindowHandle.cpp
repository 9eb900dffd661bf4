#include "platform/WindowHandle.h"

#include <charconv>

namespace hoverdeck {

std::string HandleText(WindowHandle window) {
  return std::to_string(static_cast<std::int32_t>(window));
}

std::optional<WindowHandle> HandleFromText(std::string_view text) {
  std::int32_t value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  return static_cast<WindowHandle>(value);
}

}  // namespace hoverdeck
