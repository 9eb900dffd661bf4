// Text conversion at the Win32 boundary, handle conversion and the version query.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32OsFacts.h"
#include "platform/win32/Win32WindowSystem.h"

namespace hoverdeck {
namespace {

using win32::Narrow;
using win32::Widen;

TEST(WideTextTest, RoundTripsEveryPlaneAndReplacesBrokenSequences) {
  const std::string utf8 = "A\xC3\xA9\xCE\xA9\xE6\xBC\xA2\xF0\x9F\x98\x80";  // A é Ω 漢 😀
  const std::wstring utf16 = L"A\u00E9\u03A9\u6F22\U0001F600";
  EXPECT_EQ(Widen(utf8), utf16);
  EXPECT_EQ(Narrow(utf16), utf8);
  const std::string with_nul("a\0b", 3);
  EXPECT_EQ(Narrow(Widen(with_nul)), with_nul);
  EXPECT_EQ(Narrow(Widen("")), "");
  // A stray continuation byte, an overlong form, a sequence cut at the end; a lone surrogate.
  EXPECT_EQ(Widen("x\x80y"), L"x\uFFFDy");
  EXPECT_NE(Widen("\xC0\xAF").find(L'\uFFFD'), std::wstring::npos);
  EXPECT_EQ(Widen("ok\xE6\xBC"), L"ok\uFFFD");
  EXPECT_EQ(Narrow(std::wstring{L'a', wchar_t(0xD800), L'b'}), "a\xEF\xBF\xBD" "b");
}

TEST(HandleConversionTest, HandlesWithTheTopBitSignExtendBackToTheSystemsValue) {
  const HWND high = reinterpret_cast<HWND>(static_cast<INT_PTR>(-2147483632));  // 0x...80000010
  EXPECT_EQ(win32::FromHwnd(high), 0x80000010u);
  EXPECT_EQ(win32::ToHwnd(0x80000010u), high);
  EXPECT_EQ(win32::ToHwnd(kNoWindow), nullptr);
}

TEST(OsFactsTest, DescribesTheRunningWindowsFromTheVersionQuery) {
  const VersionRecord record = QueryVersionRecord();
  // The NT family, at least Windows 2000, whatever version the system or the prefix claims.
  EXPECT_EQ(record.platform_id, 2u);
  EXPECT_GE(record.major, 5u);
  EXPECT_NE(record.build, 0u);

  const OsFacts facts = Win32OsFacts();
  EXPECT_EQ(facts.description.rfind("Windows", 0), 0u) << facts.description;
  EXPECT_NE(facts.description.find(" v." + std::to_string(record.major) + "." +
                                   std::to_string(record.minor) + ", Build "),
            std::string::npos)
      << facts.description;
  EXPECT_FALSE(facts.is_nt4_or_older);
  std::printf("OS description: %s\n", facts.description.c_str());
}

}  // namespace
}  // namespace hoverdeck
