// The text encodings of window properties, byte for byte.
#include <gtest/gtest.h>

#include "platform/x11/XText.h"

namespace hoverdeck::x11 {
namespace {

TEST(XTextTest, Latin1BecomesUtf8) {
  EXPECT_EQ(Latin1ToUtf8("Caf\xe9 cr\xe8me \xff"), "Café crème ÿ");
  EXPECT_EQ(Latin1ToUtf8("plain"), "plain");
}

TEST(XTextTest, SanitizeKeepsValidUtf8AndReplacesEachBadByte) {
  EXPECT_EQ(SanitizeUtf8("Ελληνικά 漢字 🚀"), "Ελληνικά 漢字 🚀");
  EXPECT_EQ(SanitizeUtf8("a\xff"
                         "b"),
            "a\uFFFD"
            "b");
  EXPECT_EQ(SanitizeUtf8("\xc3"), "\uFFFD");                      // cut short
  EXPECT_EQ(SanitizeUtf8("\xc0\xaf"), "\uFFFD\uFFFD");            // overlong '/'
  EXPECT_EQ(SanitizeUtf8("\xed\xa0\x80"), "\uFFFD\uFFFD\uFFFD");  // a surrogate
}

TEST(XTextTest, CompoundTextInItsInitialLatin1State) {
  EXPECT_EQ(CompoundTextToUtf8("Gr\xfc\xdf Gott\tx\ny"), "Grüß Gott\tx\ny");
  // Controls other than tab and newline carry no text.
  EXPECT_EQ(CompoundTextToUtf8("a\x01\x7f\x85"
                               "b"),
            "ab");
}

TEST(XTextTest, CompoundTextUtf8Segments) {
  EXPECT_EQ(CompoundTextToUtf8("Caf\xe9 \x1b%G漢字 🚀\x1b%@ \xe9"), "Café 漢字 🚀 é");
  EXPECT_EQ(CompoundTextToUtf8("\x1b%GΕλλάδα"), "Ελλάδα");  // never closed
  EXPECT_EQ(CompoundTextToUtf8("\x1b%/2\x80\x89utf-8\x02ü!"), "ü!");
  EXPECT_EQ(CompoundTextToUtf8("\x1b%/1\x80\x8biso8859-1\x02\xe9"
                               "x"),
            "éx");
}

TEST(XTextTest, CompoundTextRightHalvesOfOtherSets) {
  // Greek: capital and small alpha, tonos letters, and the exceptions that stay Latin-1.
  EXPECT_EQ(CompoundTextToUtf8("\x1b-F\xc1\xe1\xdc\xb6\xb7\xa4"), "Αα\u03ac\u0386·€");
  // Cyrillic: Ж ж Ё, № and §.
  EXPECT_EQ(CompoundTextToUtf8("\x1b-L\xb6\xd6\xa1\xf0\xfd"), "Жж\u0401№§");
  // Back to Latin-1 in the middle of the text.
  EXPECT_EQ(CompoundTextToUtf8("\x1b-F\xe1\x1b-A\xe1"), "αá");
}

TEST(XTextTest, CompoundTextUnknownSetsGiveReplacementCharacters) {
  // GB2312 takes two bytes a character; ASCII goes on after switching GL back.
  EXPECT_EQ(CompoundTextToUtf8("\x1b$(A\x3a\x3a\x3b\x3b\x1b(Bok"), "\uFFFD\uFFFDok");
  EXPECT_EQ(CompoundTextToUtf8("\x1b-Z\xe1"
                               "a"),
            "\uFFFD"
            "a");
  // Direction controls vanish; a cut-off escape ends the text.
  EXPECT_EQ(CompoundTextToUtf8("\x9b"
                               "2]x\x9b]y\x1b-"),
            "xy");
  EXPECT_EQ(CompoundTextToUtf8("\x1b(J\\~"), "¥‾");
}

TEST(XTextTest, LegacyTextIsStringWhenLatin1CanHoldIt) {
  const LegacyText latin = LegacyTextFromUtf8("Café\tcrème");
  EXPECT_FALSE(latin.is_compound_text);
  EXPECT_EQ(latin.bytes, "Caf\xe9\tcr\xe8me");

  const LegacyText greek = LegacyTextFromUtf8("Ελλάδα é");
  EXPECT_TRUE(greek.is_compound_text);
  EXPECT_EQ(greek.bytes, "\x1b%GΕλλάδα é\x1b%@");
  EXPECT_EQ(CompoundTextToUtf8(greek.bytes), "Ελλάδα é");
  // A control that STRING may not hold.
  EXPECT_TRUE(LegacyTextFromUtf8("a\x1b"
                                 "b")
                  .is_compound_text);
}

}  // namespace
}  // namespace hoverdeck::x11
