// The version record of the built Hoverdeck.exe, as the system reads it.
#include "ui/win32/Win32Api.h"
// After the Win32 headers, so that the port's MessageBox keeps its name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/WideText.h"

namespace hoverdeck {
namespace {

TEST(ExecutableTest, TheVersionRecordHoldsTheProgramsValues) {
  const std::wstring exe = win32::Widen(HOVERDECK_EXE_PATH);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> data(size);
  ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, data.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(1, 1));
  EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(8, 0));
  EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(1, 1));
  EXPECT_EQ(fixed->dwProductVersionLS, MAKELONG(8, 0));
  const std::pair<const wchar_t*, const char*> strings[] = {
      {L"FileVersion", "1.01.0008"},
      {L"ProductVersion", "1.01.0008"},
      {L"FileDescription", "Hoverdeck"},
      {L"ProductName", "Hoverdeck"},
      {L"InternalName", "Hoverdeck"},
      {L"OriginalFilename", "Hoverdeck.exe"},
      {L"Comments", "automatically set topmost windows and disable X close button"},
      {L"CompanyName", "The Hoverdeck developers"},
      {L"LegalCopyright", "The Hoverdeck developers"},
  };
  for (const auto& [key, expected] : strings) {
    const std::wstring query = std::wstring(L"\\StringFileInfo\\040904b0\\") + key;
    wchar_t* value = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        << expected;
    EXPECT_EQ(win32::Narrow(value), expected);
  }
}

}  // namespace
}  // namespace hoverdeck
