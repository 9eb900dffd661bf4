// The text encodings of window properties, byte for byte.
#include <gtest/gtest.h>

#include "platform/x11/XText.h"

namespace hoverdeck::x11 {
namespace {

struct Conversion {
  std::string in;
  std::string out;
};

TEST(XTextTest, Latin1AndSanitizedUtf8) {
  EXPECT_EQ(Latin1ToUtf8("Caf\xe9 cr\xe8me \xff"), "Café crème ÿ");
  const std::vector<Conversion> sanitized = {
      {"Ελληνικά 漢字 🚀", "Ελληνικά 漢字 🚀"},
      {"a\xff" "b", "a\uFFFD" "b"},
      {"\xc3", "\uFFFD"},                          // cut short
      {"\xc0\xaf", "\uFFFD\uFFFD"},                // overlong '/'
      {"\xed\xa0\x80", "\uFFFD\uFFFD\uFFFD"},      // a surrogate
  };
  for (const auto& [in, out] : sanitized) EXPECT_EQ(SanitizeUtf8(in), out) << in;
}

TEST(XTextTest, CompoundTextToUtf8) {
  const std::vector<Conversion> cases = {
      // The initial Latin-1 state; controls other than tab and newline carry no text.
      {"Gr\xfc\xdf Gott\tx\ny", "Grüß Gott\tx\ny"},
      {"a\x01\x7f\x85" "b", "ab"},
      // UTF-8 segments, closed or not, and the extended segments naming their encoding.
      {"Caf\xe9 \x1b%G漢字 🚀\x1b%@ \xe9", "Café 漢字 🚀 é"},
      {"\x1b%GΕλλάδα", "Ελλάδα"},
      {"\x1b%/2\x80\x89utf-8\x02ü!", "ü!"},
      {"\x1b%/1\x80\x8biso8859-1\x02\xe9" "x", "éx"},
      // Right halves of Greek (with the exceptions that stay Latin-1) and Cyrillic; back to
      // Latin-1 in the middle.
      {"\x1b-F\xc1\xe1\xdc\xb6\xb7\xa4", "Αα\u03ac\u0386·€"},
      {"\x1b-L\xb6\xd6\xa1\xf0\xfd", "Жж\u0401№§"},
      {"\x1b-F\xe1\x1b-A\xe1", "αá"},
      // Unknown sets: one replacement a character (GB2312 takes two bytes); ASCII goes on after
      // GL is switched back.
      {"\x1b$(A\x3a\x3a\x3b\x3b\x1b(Bok", "\uFFFD\uFFFDok"},
      {"\x1b-Z\xe1" "a", "\uFFFD" "a"},
      // Direction controls vanish; a cut-off escape ends the text; JIS Roman's two differences.
      {"\x9b" "2]x\x9b]y\x1b-", "xy"},
      {"\x1b(J\\~", "¥‾"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(CompoundTextToUtf8(in), out) << in;
}

TEST(XTextTest, LegacyTextIsStringWhenLatin1CanHoldIt) {
  const LegacyText latin = LegacyTextFromUtf8("Café\tcrème");
  EXPECT_FALSE(latin.is_compound_text);
  EXPECT_EQ(latin.bytes, "Caf\xe9\tcr\xe8me");
  const LegacyText greek = LegacyTextFromUtf8("Ελλάδα é");
  EXPECT_TRUE(greek.is_compound_text);
  EXPECT_EQ(greek.bytes, "\x1b%GΕλλάδα é\x1b%@");
  EXPECT_EQ(CompoundTextToUtf8(greek.bytes), "Ελλάδα é");
  EXPECT_TRUE(LegacyTextFromUtf8("a\x1b" "b").is_compound_text);  // a control STRING may not hold
}

}  // namespace
}  // namespace hoverdeck::x11
