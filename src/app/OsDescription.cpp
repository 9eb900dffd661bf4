#include "app/OsDescription.h"

namespace hoverdeck {
namespace {

constexpr std::uint32_t kPlatformWindows9x = 1;
constexpr std::uint32_t kPlatformWindowsNt = 2;

std::string_view TrimBlanks(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

constexpr std::uint32_t kWorkstation = 1;

// The NT family from Windows 2000 on, by version, edition and, on version 10.0, by build: the
// workstation and server editions of one version have names of their own.
std::string_view LaterNtName(const VersionRecord& record) {
  struct Named {
    std::uint32_t major, minor, first_build;
    std::string_view workstation, server;
  };
  // By version; of the rows of one version, the last whose first build has been reached.
  static constexpr Named kNames[] = {
      {5, 0, 0, "Windows 2000", "Windows 2000"},
      {5, 1, 0, "Windows XP", "Windows XP"},
      {5, 2, 0, "Windows XP", "Windows Server 2003"},  // the workstation is XP's x64 edition
      {6, 0, 0, "Windows Vista", "Windows Server 2008"},
      {6, 1, 0, "Windows 7", "Windows Server 2008 R2"},
      {6, 2, 0, "Windows 8", "Windows Server 2012"},
      {6, 3, 0, "Windows 8.1", "Windows Server 2012 R2"},
      {10, 0, 0, "Windows 10", "Windows Server 2016"},
      {10, 0, 17763, "Windows 10", "Windows Server 2019"},
      {10, 0, 20348, "Windows 10", "Windows Server 2022"},
      {10, 0, 22000, "Windows 11", "Windows Server 2022"},
      {10, 0, 26100, "Windows 11", "Windows Server 2025"}};
  // A system that does not tell its edition is taken for a workstation.
  const bool workstation = record.product_type == 0 || record.product_type == kWorkstation;
  std::string_view name = "Windows";  // newer than any named here: the numbers that follow tell
  for (const Named& named : kNames) {
    if (named.major == record.major && named.minor == record.minor &&
        record.build >= named.first_build) {
      name = workstation ? named.workstation : named.server;
    }
  }
  return name;
}

}  // namespace

std::string FormatOsDescription(std::string_view name, std::uint32_t major, std::uint32_t minor,
                                std::uint32_t build, std::string_view service_text) {
  // On the 9x family the high half of the build number holds the version again.
  const auto build16 = static_cast<std::int16_t>(static_cast<std::uint16_t>(build & 0xFFFF));
  std::string description(name);
  description += " v." + std::to_string(major) + "." + std::to_string(minor) + ", Build " +
                 std::to_string(build16);
  const auto nul = service_text.find('\0');
  if (nul != std::string_view::npos) service_text = service_text.substr(0, nul);
  const auto service = TrimBlanks(service_text);
  if (!service.empty()) {
    description += ", ";
    description += service;
  }
  return description;
}

OsFacts DescribeOs(const VersionRecord& record) {
  OsFacts facts;
  std::string_view name;
  if (record.platform_id == kPlatformWindows9x) {
    if (record.minor == 0) {
      name = "Windows 95";
    } else if (record.minor == 10) {
      name = "Windows 98";
    }
  } else if (record.platform_id == kPlatformWindowsNt) {
    if (record.major == 3 || record.major == 4) {
      name = "Windows NT";
      facts.is_nt4_or_older = true;
    } else {
      name = LaterNtName(record);
    }
  } else {
    name = "???";
  }
  facts.description =
      FormatOsDescription(name, record.major, record.minor, record.build, record.service_text);
  return facts;
}

}  // namespace hoverdeck
