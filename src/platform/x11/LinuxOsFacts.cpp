#include "platform/x11/LinuxOsFacts.h"

#include <sys/utsname.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <limits>

namespace hoverdeck {
namespace {

// The decimal number at `pos` (advanced past it); 0 when there is none, capped on overflow.
std::uint32_t ReadNumber(std::string_view text, std::size_t& pos) {
  std::uint64_t value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(text[pos] - '0'),
                                    std::numeric_limits<std::uint32_t>::max());
    ++pos;
  }
  return static_cast<std::uint32_t>(value);
}

// A value as os-release writes it: plain, or in single or double quotes where a backslash
// escapes the next character.
std::string Unquote(std::string_view value) {
  std::string out;
  char quote = 0;
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    if (quote == 0 && (c == '"' || c == '\'')) {
      quote = c;
    } else if (c == quote) {
      quote = 0;
    } else if (c == '\\' && quote != '\'' && i + 1 < value.size()) {
      out += value[++i];
    } else {
      out += c;
    }
  }
  return out;
}

std::string ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace

KernelVersion ParseKernelRelease(std::string_view release) {
  KernelVersion version;
  std::size_t pos = 0;
  version.major = ReadNumber(release, pos);
  if (pos < release.size() && release[pos] == '.') {
    ++pos;
    version.minor = ReadNumber(release, pos);
  }
  return version;
}

std::string OsReleasePrettyName(std::string_view os_release) {
  constexpr std::string_view kKey = "PRETTY_NAME=";
  std::string name;
  while (!os_release.empty()) {
    const auto end = os_release.find('\n');
    std::string_view line = os_release.substr(0, end);
    os_release = end == std::string_view::npos ? std::string_view() : os_release.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    // The last assignment wins, as when the file is sourced by a shell.
    if (line.starts_with(kKey)) name = Unquote(line.substr(kKey.size()));
  }
  return name;
}

OsFacts DescribeLinux(std::string_view kernel_name, std::string_view release,
                      std::string_view os_release) {
  const KernelVersion version = ParseKernelRelease(release);
  OsFacts facts;
  facts.description = FormatOsDescription(kernel_name, version.major, version.minor, 0,
                                          OsReleasePrettyName(os_release));
  return facts;
}

OsFacts LinuxOsFacts() {
  utsname names{};
  if (uname(&names) != 0) return DescribeLinux("Linux", "", "");
  std::string os_release = ReadFile("/etc/os-release");
  if (os_release.empty()) os_release = ReadFile("/usr/lib/os-release");
  return DescribeLinux(names.sysname, names.release, os_release);
}

}  // namespace hoverdeck
