#include "app/TemporaryFiles.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <utility>

namespace hoverdeck {
namespace {

// A write takes moments; this is for clocks set days apart.
constexpr auto kSurelyAbandoned = std::chrono::days(7);

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string MachineTag(std::string_view machine) {
  const auto plain = [](char c) { return IsAsciiAlnum(c) || c == '-'; };
  if (!machine.empty() && machine.size() <= 63 && std::ranges::all_of(machine, plain)) {
    return std::string(machine);
  }
  std::uint64_t hash = 0xcbf29ce484222325u;  // FNV-1a
  for (const char c : machine) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3u;
  char tag[20];
  std::snprintf(tag, sizeof tag, "h%016llx", static_cast<unsigned long long>(hash));
  return tag;
}

// The next part of `rest` up to a dot, taken off it with the dot.
std::string_view NextPart(std::string_view& rest) {
  const std::size_t dot = std::min(rest.find('.'), rest.size());
  const std::string_view part = rest.substr(0, dot);
  rest.remove_prefix(std::min(dot + 1, rest.size()));
  return part;
}

// The machine tag and the process of a name of the form; nullopt for any other.
std::optional<std::pair<std::string_view, std::uint32_t>> Maker(std::string_view rest) {
  const std::string_view tag = NextPart(rest), digits = NextPart(rest), letters = NextPart(rest);
  std::uint64_t process = 0;
  for (const char c : digits) {
    process = process * 10 + static_cast<unsigned>(c - '0');
    if (c < '0' || c > '9' || process > UINT32_MAX) return std::nullopt;
  }
  if (tag.empty() || digits.empty() || letters.size() != 6 ||
      !std::ranges::all_of(letters, IsAsciiAlnum) || rest != "tmp") {
    return std::nullopt;
  }
  return std::pair(tag, static_cast<std::uint32_t>(process));
}

}  // namespace

std::string TemporaryNameMiddle(std::string_view machine, std::uint32_t process) {
  return MachineTag(machine) + "." + std::to_string(process) + ".";
}

bool IsAbandonedTemporary(std::string_view rest, std::string_view machine,
                          std::chrono::nanoseconds age,
                          const std::function<bool(std::uint32_t process)>& runs) {
  const auto maker = Maker(rest);
  if (!maker) return false;
  return age > kSurelyAbandoned || (maker->first == MachineTag(machine) && !runs(maker->second));
}

}  // namespace hoverdeck
