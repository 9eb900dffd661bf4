// The operating-system description of the Linux edition: kernel name and version from uname,
// the distribution's name from os-release.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "app/OsDescription.h"

namespace hoverdeck {

// The facts of the running system, e.g. "Linux v.6.1, Build 0, Debian GNU/Linux 12 (bookworm)".
OsFacts LinuxOsFacts();

// The pieces it is built from, each on its own for the tests.
struct KernelVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
};
// The leading "major.minor" of a kernel release such as "6.1.0-18-amd64"; missing numbers are 0.
KernelVersion ParseKernelRelease(std::string_view release);
// PRETTY_NAME of an os-release text with its shell quoting undone; "" when it has none.
std::string OsReleasePrettyName(std::string_view os_release);
OsFacts DescribeLinux(std::string_view kernel_name, std::string_view release,
                      std::string_view os_release);

}  // namespace hoverdeck
