// Close taken away and given back in Motif hints that list what is taken away, or lack the
// functions flag; the adapter tests cover the plain form on a real window manager.
#include <gtest/gtest.h>

#include "platform/x11/MotifHints.h"

namespace hoverdeck::x11 {
namespace {

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
