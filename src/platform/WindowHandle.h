// Window handles as the core sees them: 32-bit values, carried in lists as signed decimal text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hoverdeck {

using WindowHandle = std::uint32_t;
inline constexpr WindowHandle kNoWindow = 0;

// The handle read as a signed 32-bit integer, in decimal ("-2147483647" for 0x80000001).
std::string HandleText(WindowHandle window);

// Inverse of HandleText; nullopt for anything that is not a signed 32-bit decimal.
std::optional<WindowHandle> HandleFromText(std::string_view text);

}  // namespace hoverdeck
