// The description of the operating system that the window caption shows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hoverdeck {

// What the Windows version query reports; zeros and an empty service text when it fails.
struct VersionRecord {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::uint32_t platform_id = 0;
  std::string service_text;
  // 1 workstation, 2 domain controller, 3 server; 0 where the system does not tell.
  std::uint32_t product_type = 0;
};

// Why the program reaches only XWayland windows on a GNOME desktop, when the reason is known.
enum class WaylandNotice {
  kNone,
  kLoginNeeded,        // its extension was just put in place: GNOME loads it at the next login
  kExtensionOff,       // the user turned its extension off
  kUserExtensionsOff,  // GNOME runs no user extensions at all
};

struct OsFacts {
  std::string description;
  // NT family with major version 3 or 4: picks the process-status program lookup.
  bool is_nt4_or_older = false;
  // A Wayland desktop whose other windows the program reaches only through XWayland.
  bool xwayland_only = false;
  WaylandNotice wayland_notice = WaylandNotice::kNone;
};

// "Windows NT v.4.0, Build 1381, Service Pack 6" and the like, from a version record.
OsFacts DescribeOs(const VersionRecord& record);

// name + " v." + major + "." + minor + ", Build " + build, then ", " + service text when the
// service text (cut at its first NUL, blanks trimmed) is not empty. The build is the low 16 bits
// of `build` read as a signed number. Shared by the platforms without a version record.
std::string FormatOsDescription(std::string_view name, std::uint32_t major, std::uint32_t minor,
                                std::uint32_t build, std::string_view service_text);

}  // namespace hoverdeck
