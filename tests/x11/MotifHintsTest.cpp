// The close function of Motif hints in the form that lists what is taken away, and hints without
// the functions flag; the adapter tests cover the plain form on a real window manager.
#include <gtest/gtest.h>

#include "platform/x11/MotifHints.h"

namespace hoverdeck::x11 {
namespace {

TEST(MotifHintsTest, CloseTakenAwayAndGivenBackKeepsTheRest) {
  EXPECT_EQ(AllowedFunctions(MotifHints{.flags = 2, .functions = 4}), kMotifEveryFunction);
  EXPECT_EQ(AllowedFunctions(MotifHints{.flags = 1, .functions = 0x09}), 0x36u);
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
