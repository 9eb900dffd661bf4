#include "platform/win32/Win32OsFacts.h"

#include <windows.h>

#include <cwchar>

#include "platform/win32/WideText.h"

namespace hoverdeck {

using win32::Narrow;

namespace {

// The version the system really runs. The compatibility layer makes GetVersionEx report an
// older version to a program whose manifest does not name the newest systems; ntdll's own query
// does not. GetVersionEx stands in where ntdll has none (systems before XP).
// The extended record also tells the edition (workstation or server); systems too old for it
// (before NT 4 SP6) are asked for the plain one.
bool QueryRealVersion(OSVERSIONINFOEXW& info) {
  using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
  auto* plain = reinterpret_cast<OSVERSIONINFOW*>(&info);
  if (const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
    const auto rtl_get_version = reinterpret_cast<RtlGetVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
    if (rtl_get_version && rtl_get_version(plain) == 0) return true;
  }
  if (GetVersionExW(plain)) return true;
  info = {};
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
  return GetVersionExW(plain) != FALSE;
}

}  // namespace

VersionRecord QueryVersionRecord() {
  OSVERSIONINFOEXW info{};
  info.dwOSVersionInfoSize = sizeof(info);
  VersionRecord record;
  if (!QueryRealVersion(info)) return record;
  if (info.dwOSVersionInfoSize == sizeof(info)) record.product_type = info.wProductType;
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
