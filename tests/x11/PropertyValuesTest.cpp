// The values of window properties: text encodings byte for byte, and close taken away and given
// back in Motif hints that list what is taken away or lack the functions flag (the adapter tests
// cover the plain form on a real window manager).
#include <gtest/gtest.h>

#include "platform/x11/MotifHints.h"
#include "platform/x11/XText.h"

namespace hoverdeck::x11 {
namespace {

TEST(XTextTest, EveryEncodingToUtf8) {
  EXPECT_EQ(Latin1ToUtf8("Caf\xe9 \xff"), "Café ÿ");
  EXPECT_EQ(SanitizeUtf8("漢\xc0\xaf\xed\xa0\x80\xc3"), "漢\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD");
  const std::pair<std::string, std::string> compound[] = {
      {"Gr\xfc\xdf\tx\x01\x85y", "Grüß\txy"},
      {"Caf\xe9 \x1b%G漢字 🚀\x1b%@ \xe9", "Café 漢字 🚀 é"},
      {"\x1b%/1\x80\x8biso8859-1\x02\xe9", "é"},
      {"\x1b-F\xc1\xe1\xdc\xb6\xb7\xa4\x1b-A\xe1", "Αα\u03ac\u0386·€á"},
      {"\x1b-L\xb6\xd6\xa1\xf0\xfd", "Жж\u0401№§"},
      {"\x1b$(A\x3a\x3a\x3b\x3b\x1b(Bok\x9b"
       "2]\x1b-",
       "\uFFFD\uFFFDok"},
  };
  for (const auto& [in, out] : compound) EXPECT_EQ(CompoundTextToUtf8(in), out) << in;
}

TEST(MotifHintsTest, CloseTakenAwayAndGivenBackKeepsTheRest) {
  struct Case {
    MotifHints before;
    bool allowed;
    MotifHints after;
  };
  const Case cases[] = {
      {{.flags = 2, .decorations = 6, .status = 1},
       false,
       {.flags = 3, .functions = 0x1E, .decorations = 6, .status = 1}},
      {{.flags = 1, .functions = 0x09}, false, {.flags = 1, .functions = 0x16}},
      {{.flags = 3, .functions = 0x21, .decorations = 2}, true, {.flags = 2, .decorations = 2}},
  };
  for (const auto& [before, allowed, after] : cases) {
    EXPECT_EQ(WithCloseAllowed(before, allowed), after) << before.functions;
  }
}

}  // namespace
}  // namespace hoverdeck::x11
