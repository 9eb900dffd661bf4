// Text and handle conversion at the Win32 boundary, and the version query.
#include <gtest/gtest.h>

#include "platform/win32/WideText.h"
#include "platform/win32/Win32OsFacts.h"
#include "platform/win32/Win32WindowSystem.h"

namespace hoverdeck {
namespace {

using win32::Narrow;
using win32::Widen;

TEST(WideTextTest, RoundTripsEveryPlaneAndReplacesBrokenSequences) {
  const std::string utf8 = "A\xC3\xA9\xCE\xA9\xE6\xBC\xA2\xF0\x9F\x98\x80";  // A é Ω 漢 😀
  EXPECT_EQ(Widen(utf8), L"A\u00E9\u03A9\u6F22\U0001F600");
  EXPECT_EQ(Narrow(Widen(utf8)), utf8);
  EXPECT_EQ(Narrow(Widen(std::string("a\0b", 3))), std::string("a\0b", 3));
  // A stray continuation byte, a sequence cut at the end; a lone surrogate.
  EXPECT_EQ(Widen("x\x80y"), L"x\uFFFDy");
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
  // The NT family, at least Windows 2000, whatever version the prefix claims.
  EXPECT_EQ(record.platform_id, 2u);
  EXPECT_GE(record.major, 5u);
  const std::string description = Win32OsFacts().description;
  EXPECT_EQ(description.rfind("Windows", 0), 0u) << description;
  EXPECT_NE(description.find(" v." + std::to_string(record.major) + "." +
                             std::to_string(record.minor) + ", Build " +
                             std::to_string(record.build)),
            std::string::npos)
      << description;
  EXPECT_FALSE(Win32OsFacts().is_nt4_or_older);
}

}  // namespace
}  // namespace hoverdeck
