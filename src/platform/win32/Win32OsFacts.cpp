#include "platform/win32/Win32OsFacts.h"

#include <windows.h>

#include <cwchar>

#include "platform/win32/WideText.h"

namespace hoverdeck {

using win32::Narrow;

VersionRecord QueryVersionRecord() {
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  VersionRecord record;
  if (!GetVersionExW(&info)) return record;
  record.major = info.dwMajorVersion;
  record.minor = info.dwMinorVersion;
  record.build = info.dwBuildNumber;
  record.platform_id = info.dwPlatformId;
  const std::size_t service_length =
      wcsnlen(info.szCSDVersion, sizeof(info.szCSDVersion) / sizeof(info.szCSDVersion[0]));
  record.service_text = Narrow({info.szCSDVersion, service_length});
  return record;
}

OsFacts Win32OsFacts() { return DescribeOs(QueryVersionRecord()); }

}  // namespace hoverdeck
